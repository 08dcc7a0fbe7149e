#pragma once

#include <optional>
#include <string>

#include "bacnet/client.h"
#include "cli/commands.h"

namespace vaskiro::cli {

// --bbmd ADDRESS[:PORT] and --ttl SECONDS, as every command that asks the
// network takes them: register with that BBMD as a foreign device, so that
// broadcasts reach the devices of its subnet.
struct ForeignDeviceOption {
    std::string bbmd;  // empty: no registration
    int ttlSeconds = static_cast<int>(bacnet::kDefaultForeignDeviceTtl.count());
};

// What the options ask for: nothing without --bbmd; false, with the reason
// on io.err, when it is no ADDRESS[:PORT].
bool parseForeignDevice(const ForeignDeviceOption& option, std::optional<bacnet::ForeignDevice>& into, Streams io);

}  // namespace vaskiro::cli
