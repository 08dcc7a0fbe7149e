#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "core/configuration_image.h"
#include "core/result.h"

namespace vaskiro::cli {

struct CommissionOptions {
    std::filesystem::path worklist;
    std::filesystem::path base;
    std::filesystem::path record;  // empty: worklist's name with "-as-left" before ".csv"
    bool checkNetwork = false;
    int startAt = 1;
    bool again = false;
};

// The world a commissioning run waits on: devices that are attached and
// taken away by hand. `stopping` tells a wait to give up (Ctrl-C); waits
// return false then.
class CommissionStand {
public:
    virtual ~CommissionStand() = default;
    virtual bool waitForDevice(const std::function<bool()>& stopping) = 0;
    virtual bool waitUntilGone(const std::function<bool()>& stopping) = 0;
    // More than one VASKIRO is attached: which one is the row's cannot be told.
    virtual bool severalAttached() = 0;
};

// The stand for the machine's devices (or the simulated ones the options name).
std::unique_ptr<CommissionStand> makeCommissionStand(const DeviceOptions& options);

// Commissions the worklist's rows as commission::CommissionRun says, one
// device each: this loop only waits on the stand, runs the steps the run asks
// for through commission::DeviceSteps on this thread, as the window does, and
// turns Ctrl-C into a stop request.
int runCommission(const DeviceOptions& device, const CommissionOptions& options, CommissionStand& stand, Streams io);

}  // namespace vaskiro::cli
