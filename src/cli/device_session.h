#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "core/reply_timeout.h"
#include "device/hid_backend.h"
#include "device/simulated_device.h"
#include "device/simulated_folder.h"

namespace vaskiro::cli {

struct DeviceOptions {
    bool simulate = false;
    // With simulate: the file that holds the simulated device's settings
    // between runs (a data file), or a folder of simulated devices (see
    // SimulatedFolder); empty: one device whose settings live for the process.
    std::filesystem::path simulateState;
    // The device to use, as `list` prints its path; empty: the first match.
    std::string devicePath;
    std::chrono::milliseconds replyTimeout = core::kReplyTimeout;
};

// The device a command talks to: the machine's VASKIRO through hidapi, or
// the built-in simulated device.
class DeviceSession {
public:
    explicit DeviceSession(DeviceOptions options);
    ~DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    // The devices the options name: the machine's, or simulated ones.
    device::HidBackend& backend();

    // Finds and opens the device. On failure prints one line to `err` and
    // returns false.
    bool open(std::ostream& err);
    bool isOpen() const { return m_connection != nullptr; }
    device::HidConnection& connection() { return *m_connection; }
    std::chrono::milliseconds replyTimeout() const { return m_options.replyTimeout; }

    // Keeps the simulated device's settings in its state file. False with a
    // line on `err` when the file cannot be written.
    bool saveSimulatedState(std::ostream& err);

private:
    DeviceOptions m_options;
    std::unique_ptr<device::HidBackend> m_backend;
    std::shared_ptr<device::SimulatedDevice> m_simulated;
    device::SimulatedFolder* m_folder = nullptr;  // in m_backend, when simulated devices come from a folder
    std::unique_ptr<device::HidConnection> m_connection;
};

}  // namespace vaskiro::cli
