#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "bacnet/address_text.h"
#include "cli/commands.h"

namespace vaskiro::cli {

// OPTION ADDRESS[:PORT], as every command that talks to the network takes an
// address (--to, --broadcast, --at, --bbmd), with `defaultPort` where TEXT
// names none; nothing, with the reason on io.err, when TEXT is no such thing.
std::optional<bacnet::Endpoint> parseEndpointOption(const char* option, const std::string& text,
                                                    std::uint16_t defaultPort, Streams io);

}  // namespace vaskiro::cli
