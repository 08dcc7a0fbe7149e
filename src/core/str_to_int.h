#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vaskiro::config {

// Raised when a text is not a whole number in the signed 32-bit range.
class ConversionError : public std::runtime_error {
public:
    explicit ConversionError(std::string_view text);
};

// An optional '+' or '-' followed by decimal digits must make up the whole
// text, and the value must fit in a signed 32-bit integer. No spaces, no
// other characters, no empty text.
std::optional<std::int32_t> tryStrToInt(std::string_view text);

// As tryStrToInt, but a failure throws ConversionError with the message
// "'<text>' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);

}  // namespace vaskiro::config
