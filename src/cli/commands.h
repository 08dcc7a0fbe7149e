#pragma once

#include <filesystem>
#include <ostream>

#include "cli/device_session.h"

namespace vaskiro::cli {

// Exit codes of the tool.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailure = 1;  // the device or a file failed
inline constexpr int kExitUsage = 2;    // bad usage or a bad value

struct Streams {
    std::ostream& out;
    std::ostream& err;
};

int runInfo(const DeviceOptions& options, Streams io);
int runRead(const DeviceOptions& options, const std::filesystem::path& output, Streams io);
int runWrite(const DeviceOptions& options, const std::filesystem::path& input, Streams io);

}  // namespace vaskiro::cli
