#pragma once

namespace vaskiro::core {

// The longest texts a user may give, in single-byte characters. The image has
// room for 31 (15 for the password); the device carries and keeps less.
inline constexpr int kObjectTextLimit = 24;   // device name, location, description
inline constexpr int kPasswordLimit = 12;     // the device keeps the first 12 characters only
inline constexpr int kChannelNameLimit = 30;  // input, output and analogue names

}  // namespace vaskiro::core
