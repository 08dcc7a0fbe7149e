#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "cli/commands.h"

namespace vaskiro::cli {

struct CheckoutOptions {
    std::string to;                    // ADDRESS[:PORT]; empty: the file's address and port
    std::optional<double> forSeconds;  // watch: stop after this long
    bool json = false;                 // watch: one JSON object per line
    int priority = 8;                  // drive: 1-16 (8: manual operator)
    double timeoutSeconds = 3.0;       // for the device's I-Am, and its replies
};

// Finds the device FILE describes and prints its 40 points, then one line
// per change until Ctrl-C or --for. Lines on standard input ("output.3 on",
// "output.3 off", "output.3 release") drive outputs at priority 8; all
// those still held are released at the end. Exit 0, 1 when the device does
// not answer or a release failed, 2 bad usage.
int runWatch(const std::filesystem::path& file, const CheckoutOptions& options, Streams io);

// One command to one output: "output.N" and on, off or release. on and off
// hold until a release. Exit 0, 1 when the device does not answer or
// refuses, 2 bad usage.
int runDrive(const std::filesystem::path& file, const std::string& point, const std::string& command,
             const CheckoutOptions& options, Streams io);

}  // namespace vaskiro::cli
