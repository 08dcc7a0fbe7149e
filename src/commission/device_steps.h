#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "bacnet/network_check.h"
#include "commission/commission_run.h"
#include "device/hid_backend.h"

namespace vaskiro::commission {

// Runs a commissioning run's steps against the devices of a backend, each to
// its end on the calling thread (the tool's, or a window's worker): Identify
// opens the device anew, Write and Verify use the open one (opening it when
// none is), CheckNetwork asks the network and tells `networkLines` what it
// finds. What went wrong is in the result's detail, as the error box would
// say it. Not for two threads at once.
class DeviceSteps {
public:
    // `devicePath` empty: the first VASKIRO found.
    DeviceSteps(device::HidBackend& devices, std::string devicePath, std::chrono::milliseconds replyTimeout,
                bacnet::Reporter networkLines = {});
    ~DeviceSteps();

    // Verify reads the device back and compares every setting with `image`:
    // a text the device keeps only in part fails, as what is written is what
    // is verified.
    StepResult run(Step step, const core::ConfigurationImage& image);

private:
    StepResult exchange(Step step, core::ConfigurationImage& image);

    device::HidBackend& m_devices;
    std::string m_devicePath;
    std::chrono::milliseconds m_replyTimeout;
    bacnet::Reporter m_networkLines;
    std::unique_ptr<device::HidConnection> m_connection;
};

}  // namespace vaskiro::commission
