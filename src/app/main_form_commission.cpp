// The main window's way into commissioning from a worklist.

#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>

#include "app/commissioning/commission_dialog.h"
#include "app/devices/device_presence_indicator.h"
#include "app/main_form.h"
#include "app/pages/page_builders.h"
#include "app/commissioning/print_sheet_dialog.h"
#include "commission/handover_sheet.h"
#include "link/device_link.h"

namespace vaskiro::app {

device::HidBackend* TMainForm::deviceBackend() const { return m_link->backend(); }

std::string TMainForm::devicePath() const { return m_link->devicePath(); }

void TMainForm::onDevicesChanged(QObject* receiver, std::function<void()> changed) {
    connect(m_presence, &DevicePresenceIndicator::refreshed, receiver, std::move(changed));
}

namespace {

// A status bar button with its shortcut, named and described for a screen reader.
QPushButton* addButton(TMainForm& form, QStatusBar& statusBar, const QString& text, const QString& name,
                       const QString& accessibleName, const QString& shortcutText) {
    const QKeySequence key(shortcutText);
    QPushButton* button = addStatusBarButton(form, statusBar, text, name, key);
    button->setAccessibleName(accessibleName);
    button->setToolTip(QStringLiteral("%1 (%2)").arg(accessibleName, key.toString(QKeySequence::NativeText)));
    return button;
}

}  // namespace

bool TMainForm::commissioningRuns() const {
    const commission::CommissionRun* run = m_commissionDialog ? m_commissionDialog->run() : nullptr;
    return run && run->phase() != commission::Phase::Stopped && run->phase() != commission::Phase::Finished;
}

bool TMainForm::releaseDevice() {
    if (!m_exchange->idle()) return false;
    m_link->close();
    return true;
}

void TMainForm::addCommissionButton(QStatusBar& statusBar) {
    connect(addButton(*this, statusBar, tr("Commission from Worklist..."), QStringLiteral("CommissionButton"),
                      tr("Commission from Worklist"), tr("Ctrl+M")),
            &QPushButton::clicked, this, &TMainForm::CommissionButtonClick);
    connect(addButton(*this, statusBar, tr("Print Sheet..."), QStringLiteral("PrintSheetButton"),
                      tr("Print the handover sheet of these settings"), tr("Ctrl+P")),
            &QPushButton::clicked, this, &TMainForm::PrintSheetButtonClick);
}

void TMainForm::PrintSheetButtonClick() {
    runHandler([this] {
        if (!collectFormOrSay()) return;
        const core::ConfigurationImage image = m_image;
        // The device of the last Read or Write: who it said it was.
        std::string serial, version;
        if (const auto& identity = m_exchange->identity()) {
            serial = std::to_string(identity->serial);
            version = identity->version;
        }
        auto* dialog = new PrintSheetDialog(this, [image, serial, version] {
            return std::vector<commission::SheetDevice>{
                {{}, serial, version, commission::localTimeIso8601(), {}, {}, commission::readableSettings(image), {}}};
        });
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
    });
}

bool TMainForm::mayEndCommissioning() { return !m_commissionDialog || m_commissionDialog->mayClose(); }

// A later Write must not send the last row's settings unnoticed.
void TMainForm::returnAfterCommissioning(const core::ConfigurationImage& before) {
    m_image = before;
    PopulateForm();
    // The status bar has little room beside its buttons: the log says it in full.
    findChild<QStatusBar*>(QStringLiteral("StatusBar"))->showMessage(tr("Pre-run settings"));
    appendLog(tr("Commissioning ended: these are the settings the window held before the run, not the last row's."));
}

void TMainForm::endCommissioning() {
    delete m_commissionDialog;
    m_commissionDialog = nullptr;
}

void TMainForm::CommissionButtonClick() {
    if (!m_commissionDialog) m_commissionDialog = new CommissionDialog(*this, *this, *this);
    m_commissionDialog->show();
    m_commissionDialog->raise();
    m_commissionDialog->activateWindow();
}

}  // namespace vaskiro::app
