#pragma once

#include <string>
#include <string_view>

#include "core/configuration_image.h"
#include "core/result.h"

namespace vaskiro::core {

// An IPv4 address as people write it: four decimal numbers from 0 to 255
// separated by dots, nothing else. An octet with a leading zero ("010") is
// refused: some programs read it as octal (8), others as decimal (10). The
// error completes a sentence that begins with the value's name.
Result<core::Octets> parseDottedAddress(std::string_view text);

std::string formatDottedAddress(const core::Octets& octets);

}  // namespace vaskiro::core
