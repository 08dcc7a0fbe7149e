#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vaskiro::device {

// The device keeps only the first 12 characters of a password: a longer one
// would silently set a different password than the one the user typed.
inline constexpr std::size_t kDevicePasswordLength = 12;
inline constexpr std::string_view kPasswordTooLong = "Password longer than 12 characters";
inline constexpr std::string_view kThereAreErrors = "There are errors";

// `password` in single-byte characters.
inline bool passwordFitsDevice(std::string_view password) { return password.size() <= kDevicePasswordLength; }

}  // namespace vaskiro::device
