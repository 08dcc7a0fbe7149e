#pragma once

#include <string_view>

#include "core/configuration_image.h"

namespace vaskiro::core {

// The longest texts the window's edits take, in single-byte characters. The
// image has room for 31 (15 for the password); the device carries and keeps less.
inline constexpr int kObjectTextLimit = 24;   // device name, location, description
inline constexpr int kPasswordLimit = 12;     // the device keeps the first 12 characters only
inline constexpr int kChannelNameLimit = 30;  // input, output and analogue names

// What the device keeps of each text: the link carries 23 characters of the
// location and description, a Read gives back 23 of the name, and only 12
// characters of the password reach the device.
inline constexpr int kObjectTextKept = 23;

inline int deviceKeeps(core::TextField field) {
    return field == core::TextField::DevicePassword ? kPasswordLimit : kObjectTextKept;
}

// The part of `text` (single-byte characters) that the device holds after a Write.
inline std::string_view keptByDevice(core::TextField field, std::string_view text) {
    return text.substr(0, static_cast<std::size_t>(deviceKeeps(field)));
}

}  // namespace vaskiro::core
