#pragma once

#include <QObject>
#include <QPointer>

#include "app/checkout/point_checkout_view.h"
#include "app/window_ports.h"

class QStatusBar;

namespace vaskiro::app {

// "Point Checkout", beside "Check on Network" on the status bar: opens the
// checkout view for the window's current settings (one at a time). Tab
// reaches it after its neighbour, so the command panel's tab order stays as
// it is; Ctrl+Shift+K, shown beside it, opens it from anywhere.
class PointCheckoutAction : public QObject {
    Q_OBJECT
public:
    PointCheckoutAction(FormSettings& form, WindowDialogs& dialogs, QStatusBar& statusBar);
    PointCheckoutView* view() const { return m_view; }
    // Whether the main window may close now. With a checkout open, the
    // checkout's own way out runs first (its question, its release in the
    // background), and the main window is closed again once the checkout has
    // closed; false until then, and for good on No.
    bool windowMayClose();

public slots:
    void PointCheckoutButtonClick();

private:
    FormSettings& m_form;
    WindowDialogs& m_dialogs;
    QPointer<PointCheckoutView> m_view;
};

}  // namespace vaskiro::app
