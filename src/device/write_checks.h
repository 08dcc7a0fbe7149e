#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/text_limits.h"

namespace vaskiro::device {

// The device keeps only the first core::kPasswordLimit characters of a
// password: a longer one would silently set a different password than the one
// the user typed.
inline constexpr std::string_view kPasswordTooLong = "Password longer than 12 characters";
inline constexpr std::string_view kThereAreErrors = "There are errors";

// `password` in single-byte characters.
inline bool passwordFitsDevice(std::string_view password) {
    return password.size() <= std::size_t{core::kPasswordLimit};
}

}  // namespace vaskiro::device
