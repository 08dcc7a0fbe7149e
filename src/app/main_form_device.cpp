// The main window's side of the device exchange: starting a Write or a Read,
// handing each report to the state machine, and the reply timeout.

#include <QLineEdit>
#include <QProgressBar>

#include <span>

#include "app/main_form.h"
#include "app/pages/form_edits.h"
#include "app/devices/device_presence_indicator.h"
#include "link/device_link.h"
#include "core/display_text.h"
#include "core/settings_table.h"
#include "device/write_checks.h"

namespace vaskiro::app {

void TMainForm::setDeviceBackend(std::unique_ptr<device::HidBackend> backend) {
    m_link->close();
    m_link->setBackend(std::move(backend));
    m_presence->setBackend(m_link->backend());
}

void TMainForm::setDevicePath(const std::string& path) {
    m_link->close();
    m_link->setDevicePath(path);
}

void TMainForm::setReplyTimeout(std::chrono::milliseconds timeout) {
    m_replyTimer.setInterval(timeout);
    m_quietTimer.setInterval(std::min(device::kQuietAfterNoReply, timeout / 2));
}

bool TMainForm::DeviceOpen() const { return m_link->DeviceOpen(); }

void TMainForm::WriteButtonClick() {
    runHandler([this] {
        bool valid = ValidateAddresses();
        // The device keeps 12 characters of a password; a longer one (a loaded
        // file may hold 15) would set a password other than the one shown.
        if (!device::passwordFitsDevice(app::textToImage(m_controls.one<QLineEdit>("password")->text()))) {
            appendLog(QString::fromUtf8(device::kPasswordTooLong.data(),
                                        static_cast<qsizetype>(device::kPasswordTooLong.size())));
            valid = false;
        }
        if (!valid) {
            m_prompts->showError(this, QString::fromUtf8(device::kThereAreErrors.data(),
                                                         static_cast<qsizetype>(device::kThereAreErrors.size())));
            return;
        }
        if (!collectFormOrSay()) return;
        if (!confirmTextsTheDeviceCuts()) return;
        if (!openDevice()) return;
        m_exchange->startWrite();
        updateExchangeProgress();
    });
}

// The edits take 24 characters where the device keeps 23: say what it will
// hold before it holds less than is shown.
bool TMainForm::confirmTextsTheDeviceCuts() {
    const auto cuts = core::textsTheDeviceCuts(m_image);
    if (cuts.empty()) return true;
    QString text = tr("The device keeps only part of these texts:");
    for (const core::CutText& cut : cuts)
        text += tr("\n%1: it keeps %2 of %3 characters, \"%4\"")
                    .arg(QString::fromStdString(cut.setting->label))
                    .arg(cut.kept)
                    .arg(cut.given)
                    .arg(QString::fromStdString(core::escapeControlCharacters(cut.holds)));
    return m_prompts->askYesNo(this, text + tr("\n\nWrite anyway?"));
}

void TMainForm::ReadButtonClick() {
    runHandler([this] {
        if (!openDevice()) return;
        m_exchange->startRead();
        updateExchangeProgress();
    });
}

void TMainForm::ProcessDeviceReport(const QByteArray& bytes) {
    runHandler([this, &bytes] {
        const bool running = !m_exchange->idle();
        m_exchange->ProcessDeviceReport(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                                  static_cast<std::size_t>(bytes.size())));
        if (m_exchange->identity()) m_presence->setIdentified(m_link->openPath(), *m_exchange->identity());
        // Simulated devices kept in files keep what the exchange stored.
        if (running && m_exchange->idle()) {
            if (auto saved = m_link->backend()->saveState(); !saved) appendLog(QString::fromStdString(saved.error()));
        }
        updateExchangeProgress();
    });
}

bool TMainForm::openDevice() {
    if (commissioningRuns()) {
        m_prompts->showError(this, tr("A worklist run is using the devices. Stop it (Commission from Worklist, "
                                      "Stop) before a Read or Write."));
        return false;
    }
    if (auto restored = m_link->hasBackend() ? m_link->backend()->restoreState() : core::Result<void>(); !restored) {
        m_prompts->showError(this, QString::fromStdString(restored.error()));
        return false;
    }
    const bool wasOpen = m_link->DeviceOpen();
    device::OpenResult result = m_link->OpenDevice();
    if (result.outcome == device::OpenOutcome::Opened) {
        if (!wasOpen) m_exchange->linkReopened();
        return true;
    }
    // The box says what happened; the log keeps the system's reason and the usual remedy.
    const device::OpenFailure failure = device::describeOpenFailure(result, m_link->devicePath());
    if (!failure.refused.empty()) appendLog(QStringLiteral("Cannot open ") + QString::fromStdString(failure.refused));
    if (!failure.remedy.empty()) appendLog(QString::fromStdString(failure.remedy));
    m_prompts->showError(this, QString::fromStdString(failure.message));
    return false;
}

void TMainForm::updateExchangeProgress() {
    if (m_exchange->idle()) {
        m_replyTimer.stop();
        m_quietTimer.stop();
        m_progress->hide();
        return;
    }
    // Every report restarts the wait for a quiet link, and the reply timer
    // bounds that wait as it bounds each reply.
    if (m_exchange->awaitingQuietLink()) {
        m_quietTimer.start();
        if (!m_replyTimer.isActive()) m_replyTimer.start();
    } else {
        m_replyTimer.start();
    }
    m_progress->setRange(0, m_exchange->stepsTotal());
    m_progress->setValue(m_exchange->stepsDone());
    m_progress->show();
}

void TMainForm::deviceLost() {
    m_exchange->abandon(device::AbandonReason::Disconnected);
    updateExchangeProgress();
}

}  // namespace vaskiro::app
