#pragma once

#include "app/window_ports.h"
#include "device/exchange_port.h"

namespace vaskiro::link {
class DeviceLink;
}

namespace vaskiro::app {

// The exchange's port in the window: reports go to the device link, log
// lines to LogMemo, boxes through the window's prompts, and a completed Read
// fills the controls.
class WindowExchangePort : public device::ExchangePort {
public:
    WindowExchangePort(link::DeviceLink& link, FormSettings& form, WindowLog& log, WindowDialogs& dialogs,
                       ExchangeProgress& progress)
        : m_link(link), m_form(form), m_log(log), m_dialogs(dialogs), m_progress(progress) {}

    bool sendReport(const device::Report& report) override;
    void appendLog(std::string_view line) override;
    void showMessage(device::MessageKind kind, std::string_view text) override;
    void populateForm() override;

private:
    link::DeviceLink& m_link;
    FormSettings& m_form;
    WindowLog& m_log;
    WindowDialogs& m_dialogs;
    ExchangeProgress& m_progress;
};

}  // namespace vaskiro::app
