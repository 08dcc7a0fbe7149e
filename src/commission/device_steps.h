#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "commission/commission_run.h"
#include "device/hid_backend.h"

namespace vaskiro::commission {

// Runs a commissioning run's steps against the devices of a backend, each to
// its end on the calling thread (a window's worker): Identify opens the
// device anew, Write and Verify use it, CheckNetwork asks the network. What
// went wrong is in the result's detail, as the error box would say it. Not
// for two threads at once.
class DeviceSteps {
public:
    // `devicePath` empty: the first VASKIRO found.
    DeviceSteps(device::HidBackend& devices, std::string devicePath,
                std::chrono::milliseconds replyTimeout = std::chrono::milliseconds(5000));
    ~DeviceSteps();

    StepResult run(Step step, const config::ConfigurationImage& image);

private:
    StepResult exchange(Step step, config::ConfigurationImage& image);

    device::HidBackend& m_devices;
    std::string m_devicePath;
    std::chrono::milliseconds m_replyTimeout;
    std::unique_ptr<device::HidConnection> m_connection;
};

}  // namespace vaskiro::commission
