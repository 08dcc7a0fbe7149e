#include "app/checkout/point_checkout_action.h"

#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>

#include <exception>

#include "app/pages/page_builders.h"
#include "app/checkout/point_checkout_view.h"
#include "app/shown_text.h"
#include "core/display_text.h"
#include "device/write_checks.h"

namespace vaskiro::app {

PointCheckoutAction::PointCheckoutAction(FormSettings& form, WindowDialogs& dialogs, QStatusBar& statusBar)
    : QObject(&dialogs.dialogParent()), m_form(form), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("PointCheckoutAction"));
    const QKeySequence key(tr("Ctrl+Shift+K"));
    const QString keyText = key.toString(QKeySequence::NativeText);
    auto* button = addStatusBarButton(dialogs.dialogParent(), statusBar, tr("Point Checkout"),
                                      QStringLiteral("PointCheckoutButton"), key);
    button->setAccessibleName(tr("Point Checkout"));
    button->setToolTip(tr("Watch every point of the device live and drive its outputs (%1)").arg(keyText));
    button->setAccessibleDescription(
        tr("every input, output and analogue of the device live over the network; shortcut %1").arg(keyText));
    // Tab reaches the button after Check on Network, behind the command panel's six.
    connect(button, &QPushButton::clicked, this, &PointCheckoutAction::PointCheckoutButtonClick);
}

bool PointCheckoutAction::windowMayClose() {
    if (!m_view || !m_view->isVisible()) return true;
    QWidget* window = &m_dialogs.dialogParent();
    return m_view->closeThen([window] { QTimer::singleShot(0, window, [window] { window->close(); }); });
}

void PointCheckoutAction::PointCheckoutButtonClick() {
    if (m_view) {
        m_view->raise();
        m_view->activateWindow();
        return;
    }
    try {
        if (!m_form.ValidateAddresses()) {
            m_dialogs.showError(shownText(device::kThereAreErrors));
            return;
        }
        if (!m_form.collectFormOrSay()) return;
    } catch (const std::exception& error) {
        m_dialogs.showError(QString::fromStdString(core::escapeControlCharacters(error.what())));
        return;
    }
    m_view = new PointCheckoutView(m_form.image(), m_dialogs.prompts(), &m_dialogs.dialogParent());
    m_view->setWindowFlag(Qt::Window);
    m_view->show();
}

}  // namespace vaskiro::app
