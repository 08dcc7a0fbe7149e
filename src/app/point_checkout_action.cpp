#include "app/point_checkout_action.h"

#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>

#include <exception>

#include "app/main_form.h"
#include "app/point_checkout_view.h"
#include "core/display_text.h"

namespace vaskiro::app {

PointCheckoutAction::PointCheckoutAction(TMainForm& form, QStatusBar& statusBar) : QObject(&form), m_form(form) {
    setObjectName(QStringLiteral("PointCheckoutAction"));
    auto* button = new QPushButton(tr("Point Checkout"));
    button->setObjectName(QStringLiteral("PointCheckoutButton"));
    button->setAccessibleName(tr("Point checkout: every input, output and analogue live over the network"));
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(tr("Watch every point of the device live and drive its outputs (Ctrl+Shift+K)"));
    statusBar.addPermanentWidget(button);
    connect(button, &QPushButton::clicked, this, &PointCheckoutAction::PointCheckoutButtonClick);
    auto* shortcut = new QShortcut(QKeySequence(tr("Ctrl+Shift+K")), &form);
    connect(shortcut, &QShortcut::activated, button, &QPushButton::click);
}

void PointCheckoutAction::PointCheckoutButtonClick() {
    if (m_view) {
        m_view->raise();
        m_view->activateWindow();
        return;
    }
    try {
        if (!m_form.ValidateAddresses()) {
            m_form.prompts().showError(&m_form, QStringLiteral("There are errors"));
            return;
        }
        m_form.CollectForm();
    } catch (const std::exception& error) {
        m_form.prompts().showError(&m_form, QString::fromStdString(core::escapeControlCharacters(error.what())));
        return;
    }
    m_view = new PointCheckoutView(m_form.image(), m_form.prompts(), &m_form);
    m_view->setWindowFlag(Qt::Window);
    m_view->show();
}

}  // namespace vaskiro::app
