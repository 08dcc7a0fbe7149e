#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/configuration_image.h"
#include "device/exchange.h"
#include "device/exchange_runner.h"
#include "device/simulated_device.h"

namespace vaskiro::device::test {

inline constexpr std::size_t W = 3;  // payload byte k of a write request is report byte 3 + k

using Bytes = std::vector<std::uint8_t>;
using Events = std::vector<std::string>;

inline Bytes slice(const Report& report, std::size_t from, std::size_t count) {
    return {report.begin() + static_cast<long>(from), report.begin() + static_cast<long>(from + count)};
}
inline Bytes slice(const core::ConfigurationImage& image, std::size_t from, std::size_t count) {
    return {image.bytes().begin() + static_cast<long>(from), image.bytes().begin() + static_cast<long>(from + count)};
}
inline Bytes repeat(std::uint8_t value, std::size_t count) { return Bytes(count, value); }
inline Bytes text(std::string_view chars, std::size_t width) {
    Bytes bytes(width, 0);
    std::copy(chars.begin(), chars.end(), bytes.begin());
    return bytes;
}
inline Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}
inline core::ConfigurationImage defaultImage() {
    core::ConfigurationImage image;
    image.SetDefaults();
    return image;
}

// The default image, a simulated device and the exchange between them; the
// port records everything the exchange does to the world, in order. Without
// a device (`Rig rig{false}`) the test plays the device.
struct Rig : ExchangePort {
    explicit Rig(bool withDevice = true) : device(withDevice ? std::make_shared<SimulatedDevice>() : nullptr) {}

    core::ConfigurationImage image = defaultImage();
    std::shared_ptr<SimulatedDevice> device;
    DeviceExchange exchange{image, *this};
    std::vector<Report> sent;
    Events log, events;
    bool failSends = false;
    std::function<void()> duringMessage;  // stands in for a nested event loop under a modal box

    bool sendReport(const Report& report) override {
        sent.push_back(report);
        events.push_back(std::string("send ") + static_cast<char>(report[1]));
        return !failSends && (!device || device->write(report));
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

    Events lastEvents(std::size_t count) const {
        return {events.end() - static_cast<long>(std::min(count, events.size())), events.end()};
    }
    std::optional<AbandonReason> run(std::chrono::milliseconds replyTimeout = std::chrono::seconds(2)) {
        return runExchange(exchange, *device, replyTimeout, std::chrono::milliseconds(10));
    }
    std::optional<AbandonReason> write() { return exchange.startWrite(), run(); }
    std::optional<AbandonReason> read() { return exchange.startRead(), run(); }
    void feed(const Report& report, std::size_t length = kReportSize) {
        exchange.ProcessDeviceReport(std::span(report.data(), length));
    }
    // Hands the device's next reply to the exchange.
    void pump() {
        Report reply{};
        const ReadResult result = device->read(reply, 1000);
        ASSERT_EQ(result.status, ReadStatus::Report);
        feed(reply, result.length);
    }
};

}  // namespace vaskiro::device::test
