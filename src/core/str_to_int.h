#pragma once

#include <cstdint>
#include <string_view>

#include "core/result.h"

namespace vaskiro::core {

// An optional '+' or '-' followed by decimal digits must make up the whole
// text, and the value must fit in a signed 32-bit integer. No spaces, no
// other characters, no empty text. A refusal says
// "'<text>' is not a valid integer value", as the window shows it.
core::Result<std::int32_t> StrToInt(std::string_view text);

}  // namespace vaskiro::core
