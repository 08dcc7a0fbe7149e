#pragma once

#include <functional>
#include <string>
#include <vector>

#include "device/exchange_port.h"
#include "device/hid_backend.h"

namespace vaskiro::device::test {

// Records everything an exchange does to the world, in order, and passes the
// reports on to a device when it has one.
class RecordingPort : public ExchangePort {
public:
    explicit RecordingPort(HidConnection* device = nullptr) : m_device(device) {}

    bool sendReport(const Report& report) override {
        sent.push_back(report);
        events.push_back(std::string("send ") + static_cast<char>(report[1]));
        if (failSends) return false;
        std::string error;
        return m_device == nullptr || m_device->write(report, error);
    }
    void appendLog(std::string_view line) override {
        log.emplace_back(line);
        events.push_back("log " + std::string(line));
    }
    void showMessage(MessageKind kind, std::string_view text) override {
        events.push_back((kind == MessageKind::Error ? "error " : "info ") + std::string(text));
        if (duringMessage) duringMessage();
    }
    void populateForm() override { events.push_back("populate"); }

    // Events after the first `from`, e.g. the tail of an exchange.
    std::vector<std::string> eventsFrom(std::size_t from) const {
        return {events.begin() + static_cast<long>(std::min(from, events.size())), events.end()};
    }

    std::vector<Report> sent;
    std::vector<std::string> log;
    std::vector<std::string> events;
    bool failSends = false;
    std::function<void()> duringMessage;  // stands in for a nested event loop under a modal box

private:
    HidConnection* m_device;
};

}  // namespace vaskiro::device::test
