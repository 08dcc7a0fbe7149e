#include "app/network_check_action.h"

#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>

#include <exception>

#include "app/main_form.h"
#include "device/write_checks.h"

namespace vaskiro::app {

NetworkCheckAction::NetworkCheckAction(TMainForm& form, QStatusBar& statusBar) : QObject(&form), m_form(form) {
    setObjectName(QStringLiteral("NetworkCheckAction"));
    m_button = new QPushButton(tr("Check on Network"));
    m_button->setObjectName(QStringLiteral("CheckNetworkButton"));
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setToolTip(tr("Ask the network whether the device answers as these settings say (Ctrl+K)"));
    statusBar.addPermanentWidget(m_button);
    connect(m_button, &QPushButton::clicked, this, &NetworkCheckAction::CheckNetworkButtonClick);
    auto* shortcut = new QShortcut(QKeySequence(tr("Ctrl+K")), &form);
    connect(shortcut, &QShortcut::activated, m_button, &QPushButton::click);
}

NetworkCheckAction::~NetworkCheckAction() {
    if (m_thread.joinable()) m_thread.join();
}

void NetworkCheckAction::CheckNetworkButtonClick() {
    if (running()) return;
    try {
        if (!m_form.ValidateAddresses()) {
            m_form.prompts().showError(&m_form, QString::fromStdString(std::string(device::kThereAreErrors)));
            return;
        }
        m_form.CollectForm();
    } catch (const std::exception& error) {
        m_form.prompts().showError(&m_form, QString::fromStdString(error.what()));
        return;
    }
    m_button->setEnabled(false);
    m_form.appendLog(tr("Checking on the network:"));
    const bacnet::Reporter reporter{[this](const std::string& line) { post(line); },
                                    [this](const std::string& note) { post(note); }};
    m_thread = std::thread([this, reporter, image = m_form.image(), timeout = m_timeout] {
        const bacnet::CheckResult result = bacnet::checkOnNetwork(image, {std::nullopt, timeout}, reporter);
        QMetaObject::invokeMethod(this, [this, result] { finish(result); }, Qt::QueuedConnection);
    });
}

void NetworkCheckAction::post(const std::string& line) {
    QMetaObject::invokeMethod(
        this, [this, text = QString::fromStdString(line)] { m_form.appendLog(text); }, Qt::QueuedConnection);
}

void NetworkCheckAction::finish(const bacnet::CheckResult& result) {
    m_thread.join();
    m_button->setEnabled(true);
    const QString summary = QString::fromStdString(result.summary);
    if (result.outcome == bacnet::CheckOutcome::Match)
        m_form.prompts().showInformation(&m_form, summary);
    else
        m_form.prompts().showError(&m_form, summary);
}

}  // namespace vaskiro::app
