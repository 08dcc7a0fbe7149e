#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/configuration_image.h"
#include "device/exchange.h"
#include "device/exchange_runner.h"
#include "device/simulated_device.h"
#include "recording_port.h"

namespace vaskiro::device::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes slice(const Report& report, std::size_t from, std::size_t count) {
    return {report.begin() + static_cast<long>(from), report.begin() + static_cast<long>(from + count)};
}

inline Bytes slice(const config::ConfigurationImage& image, std::size_t from, std::size_t count) {
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

inline config::ConfigurationImage defaultImage() {
    config::ConfigurationImage image;
    image.SetDefaults();
    return image;
}

// The default image, a simulated device, a recording port that passes the
// reports on to it, and the exchange between them.
struct Rig {
    config::ConfigurationImage image = defaultImage();
    std::shared_ptr<SimulatedDevice> device = std::make_shared<SimulatedDevice>();
    RecordingPort port{device.get()};
    DeviceExchange exchange{image, port};

    std::optional<AbandonReason> run(std::chrono::milliseconds replyTimeout = std::chrono::seconds(2)) {
        return runExchange(exchange, *device, replyTimeout, std::chrono::milliseconds(10));
    }
    std::optional<AbandonReason> write() {
        exchange.startWrite();
        return run();
    }
    std::optional<AbandonReason> read() {
        exchange.startRead();
        return run();
    }
    // Hands the device's next reply to the exchange.
    void pump() {
        Report reply{};
        ReadResult result = device->read(reply, 1000);
        ASSERT_EQ(result.status, ReadStatus::Report);
        exchange.ProcessDeviceReport(std::span(reply.data(), result.length));
    }
};

}  // namespace vaskiro::device::test
