#include "app/window_exchange_port.h"

#include <QString>

#include "app/main_form.h"
#include "link/device_link.h"

namespace vaskiro::app {

namespace {

QString fromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

bool WindowExchangePort::sendReport(const device::Report& report) {
    auto sent = m_link.send(report);
    if (sent) return true;
    m_form.appendLog(QStringLiteral("Write to the device failed: ") + QString::fromStdString(sent.error()));
    return false;
}

void WindowExchangePort::appendLog(std::string_view line) { m_form.appendLog(fromUtf8(line)); }

void WindowExchangePort::showMessage(device::MessageKind kind, std::string_view text) {
    // The exchange is over when it shows a box: the progress bar goes first.
    m_form.updateExchangeProgress();
    if (kind == device::MessageKind::Error)
        m_form.prompts().showError(&m_form, fromUtf8(text));
    else
        m_form.prompts().showInformation(&m_form, fromUtf8(text));
}

void WindowExchangePort::populateForm() { m_form.PopulateForm(); }

}  // namespace vaskiro::app
