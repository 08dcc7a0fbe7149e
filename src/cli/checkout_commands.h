#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/foreign_device_option.h"
#include "core/bacnet_numbers.h"

namespace vaskiro::cli {

struct CheckoutOptions {
    std::string to;                    // ADDRESS[:PORT]; empty: the file's address and port
    std::optional<double> forSeconds;  // watch: stop after this long
    bool json = false;                 // watch: one JSON object per line
    int priority = 8;                  // drive: 1-16 (8: manual operator)
    double timeoutSeconds =
        std::chrono::duration<double>(core::kNetworkTimeout).count();  // for the device's I-Am, and its replies
    ForeignDeviceOption foreign;
};

// Finds the device FILE describes and prints its 40 points, then one line
// per change, and says when the device stops answering and answers again.
// Lines on standard input ("output.3 on", "output.3 off", "output.3
// release") drive outputs at priority 8, each read back. Ends on SIGINT,
// SIGTERM, SIGHUP, a closed output, --for, or the end of an input that can
// end; all outputs still held are then released. Exit 0, 1 when the device
// does not answer or a release failed, 2 bad usage.
int runWatch(const std::filesystem::path& file, const CheckoutOptions& options, Streams io);

// One command to one output: "output.N" and on, off or release, read back.
// on and off hold until a release. Exit 0 when the output is where asked, 1
// when the device does not answer, refuses or does not show the command, 2
// bad usage, kExitOverridden when another priority commands the output.
int runDrive(const std::filesystem::path& file, const std::string& point, const std::string& command,
             const CheckoutOptions& options, Streams io);

}  // namespace vaskiro::cli
