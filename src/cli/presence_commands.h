#pragma once

#include <chrono>
#include <optional>

#include "cli/commands.h"

namespace vaskiro::cli {

// One line per attached VASKIRO: path, identifier, mode, and why it cannot
// be opened; with `identify`, who each says it is. 1 when there is none.
int runList(const DeviceOptions& options, bool identify, Streams io);

// Returns 0 as soon as a VASKIRO is attached (with `gone`: once none is),
// 1 at the timeout (none: waits without limit).
int runWait(const DeviceOptions& options, bool gone, std::optional<std::chrono::milliseconds> timeout, Streams io);

}  // namespace vaskiro::cli
