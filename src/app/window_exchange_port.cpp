#include "app/window_exchange_port.h"

#include <QString>

#include "link/device_link.h"

namespace vaskiro::app {

namespace {

QString fromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

bool WindowExchangePort::sendReport(const device::Report& report) {
    auto sent = m_link.send(report);
    if (sent) return true;
    m_log.appendLog(QStringLiteral("Write to the device failed: ") + QString::fromStdString(sent.error()));
    return false;
}

void WindowExchangePort::appendLog(std::string_view line) { m_log.appendLog(fromUtf8(line)); }

void WindowExchangePort::showMessage(device::MessageKind kind, std::string_view text) {
    // The exchange is over when it shows a box: the progress bar goes first.
    m_progress.updateExchangeProgress();
    if (kind == device::MessageKind::Error)
        m_dialogs.showError(fromUtf8(text));
    else
        m_dialogs.showInformation(fromUtf8(text));
}

void WindowExchangePort::populateForm() { m_form.PopulateForm(); }

}  // namespace vaskiro::app
