#pragma once

#include <QObject>

#include <chrono>
#include <thread>

#include "app/window_ports.h"
#include "bacnet/network_check.h"

class QPushButton;
class QStatusBar;

namespace vaskiro::app {

// "Check on Network": asks the network whether the device answers as the
// window's settings say. The check runs on a thread of its own, so the window
// keeps working; each result line reaches LogMemo on the window's thread as
// it comes, and a box tells the outcome. The button sits on the status bar's
// right, so Tab reaches it after the command panel's buttons, whose order
// stays as it is; Ctrl+K, shown beside it, runs it from anywhere in the window.
class NetworkCheckAction : public QObject {
    Q_OBJECT
public:
    NetworkCheckAction(FormSettings& form, WindowLog& log, WindowDialogs& dialogs, QStatusBar& statusBar);
    // Waits for a running check to end (at most two timeouts).
    ~NetworkCheckAction() override;

    // How long to wait for the device's answers (3 s unless set).
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    bool running() const { return m_thread.joinable(); }

public slots:
    void CheckNetworkButtonClick();

private:
    void finish(const bacnet::CheckResult& result);
    void post(const std::string& line);

    FormSettings& m_form;
    WindowLog& m_log;
    WindowDialogs& m_dialogs;
    QPushButton* m_button;
    std::chrono::milliseconds m_timeout = core::kNetworkTimeout;
    std::thread m_thread;
};

}  // namespace vaskiro::app
