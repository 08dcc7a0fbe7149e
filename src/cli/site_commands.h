#pragma once

#include <chrono>
#include <filesystem>

#include "cli/commands.h"
#include "cli/foreign_device_option.h"
#include "cli/network_commands.h"
#include "core/bacnet_numbers.h"

namespace vaskiro::cli {

struct SurveyOptions {
    std::filesystem::path list;  // an as-left record, a folder of data files, or a worklist
    std::filesystem::path base;  // a worklist's base; empty: none
    int parallel = 32;
    double timeoutSeconds = std::chrono::duration<double>(core::kNetworkTimeout).count();
    bool json = false;
    std::filesystem::path html;  // the report to write; empty: none
    ForeignDeviceOption foreign;
};

// Checks every device of the list on the network at once: one line per
// device (label, instance, address, verdict, and what is wrong), those that
// answered but are in no list, and a summary. Exit as check does, the worst
// device's: 2 a device's configuration cannot be checked or bad usage, 3 one
// differs, answers from two addresses or is not in the record, 1 one did not
// answer, could not be read or was not reached in time, or the BBMD refused
// or did not answer; 130 stopped by Ctrl-C (or, through a BBMD, a kill).
int runSurvey(const SurveyOptions& options, Streams io);

// Serves the state files of `folder` (.dat, .json, by name) as devices:
// from `options.at` (default 127.0.0.1 and the first state's port), on
// consecutive loopback addresses with the same port, or, when the address is
// not a loopback address, on that address with consecutive ports. --no-cov
// and the ReadPropertyMultiple options hold for every device.
int runSimulateSite(const std::filesystem::path& folder, const SimulateNetworkOptions& options, Streams io);

}  // namespace vaskiro::cli
