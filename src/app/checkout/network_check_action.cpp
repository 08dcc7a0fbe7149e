#include "app/checkout/network_check_action.h"

#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>

#include <exception>

#include "app/pages/page_builders.h"
#include "core/display_text.h"
#include "device/write_checks.h"

namespace vaskiro::app {

NetworkCheckAction::NetworkCheckAction(FormSettings& form, WindowLog& log, WindowDialogs& dialogs,
                                       QStatusBar& statusBar)
    : QObject(&dialogs.dialogParent()), m_form(form), m_log(log), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("NetworkCheckAction"));
    const QKeySequence key(tr("Ctrl+K"));
    const QString keyText = key.toString(QKeySequence::NativeText);
    m_button = addStatusBarButton(dialogs.dialogParent(), statusBar, tr("Check on Network"),
                                  QStringLiteral("CheckNetworkButton"), key);
    m_button->setToolTip(tr("Ask the network whether the device answers as these settings say (%1)").arg(keyText));
    m_button->setAccessibleDescription(
        tr("asks the network whether the device answers as these settings say; shortcut %1").arg(keyText));
    connect(m_button, &QPushButton::clicked, this, &NetworkCheckAction::CheckNetworkButtonClick);
}

NetworkCheckAction::~NetworkCheckAction() {
    if (m_thread.joinable()) m_thread.join();
}

void NetworkCheckAction::CheckNetworkButtonClick() {
    if (running()) return;
    try {
        if (!m_form.ValidateAddresses()) {
            m_dialogs.showError(QString::fromStdString(std::string(device::kThereAreErrors)));
            return;
        }
        if (!m_form.collectFormOrSay()) return;
    } catch (const std::exception& error) {
        m_dialogs.showError(QString::fromStdString(core::escapeControlCharacters(error.what())));
        return;
    }
    m_button->setEnabled(false);
    m_log.appendLog(tr("Checking on the network:"));
    // The check's lines and summary come with the network's texts escaped already; its notes are the
    // system's own words, escaped here all the same, since they may quote what the system was given.
    const bacnet::Reporter reporter{[this](const std::string& line) { post(line); },
                                    [this](const std::string& note) { post(core::escapeControlCharacters(note)); }};
    bacnet::CheckOptions options;
    options.timeout = m_timeout;
    m_thread = std::thread([this, reporter, image = m_form.image(), options] {
        const bacnet::CheckResult result = bacnet::checkOnNetwork(image, options, reporter);
        QMetaObject::invokeMethod(
            this, [this, result] { finish(result); }, Qt::QueuedConnection);
    });
}

void NetworkCheckAction::post(const std::string& line) {
    QMetaObject::invokeMethod(
        this, [this, text = QString::fromStdString(line)] { m_log.appendLog(text); }, Qt::QueuedConnection);
}

void NetworkCheckAction::finish(const bacnet::CheckResult& result) {
    m_thread.join();
    m_button->setEnabled(true);
    const QString summary = QString::fromStdString(result.summary);
    if (result.outcome == bacnet::CheckOutcome::Match)
        m_dialogs.showInformation(summary);
    else
        m_dialogs.showError(summary);
}

}  // namespace vaskiro::app
