#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "core/reply_timeout.h"
#include "device/hid_backend.h"

namespace vaskiro::cli {

struct DeviceOptions {
    // The devices to search, as main() chose them (the machine's, or
    // simulated ones); shared by every session of the run.
    std::shared_ptr<device::HidBackend> devices;
    // The device to use, as `list` prints its path; empty: the first match.
    std::string devicePath;
    std::chrono::milliseconds replyTimeout = core::kReplyTimeout;
};

// The device a command talks to, among the devices main() chose.
class DeviceSession {
public:
    explicit DeviceSession(DeviceOptions options);
    ~DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    // The devices the options name: the machine's, or simulated ones.
    device::HidBackend& backend() { return *m_options.devices; }

    // Finds and opens the device. On failure prints one line to `err` and
    // returns false.
    bool open(std::ostream& err);
    bool isOpen() const { return m_connection != nullptr; }
    device::HidConnection& connection() { return *m_connection; }
    std::chrono::milliseconds replyTimeout() const { return m_options.replyTimeout; }

    // Keeps simulated devices' settings in their files. False with a line
    // on `err` when a file cannot be written.
    bool saveSimulatedState(std::ostream& err);

private:
    DeviceOptions m_options;
    std::unique_ptr<device::HidConnection> m_connection;
};

}  // namespace vaskiro::cli
