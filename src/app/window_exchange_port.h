#pragma once

#include "device/exchange_port.h"

namespace vaskiro::link {
class DeviceLink;
}

namespace vaskiro::app {

class TMainForm;

// The exchange's port in the window: reports go to the device link, log
// lines to LogMemo, boxes through the window's prompts, and a completed Read
// fills the controls.
class WindowExchangePort : public device::ExchangePort {
public:
    WindowExchangePort(TMainForm& form, link::DeviceLink& link) : m_form(form), m_link(link) {}

    bool sendReport(const device::Report& report) override;
    void appendLog(std::string_view line) override;
    void showMessage(device::MessageKind kind, std::string_view text) override;
    void populateForm() override;

private:
    TMainForm& m_form;
    link::DeviceLink& m_link;
};

}  // namespace vaskiro::app
