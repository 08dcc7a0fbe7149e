// StrToInt against a plain reference: a sign, then only digits, and a value
// in the signed 32-bit range; anything else is refused with its message.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <optional>
#include <string_view>

#include "core/str_to_int.h"
#include "fuzz_check.h"

using namespace vaskiro::config;

namespace {

std::optional<std::int32_t> reference(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9') return std::nullopt;
    while (text.size() > 1 && text.front() == '0') text.remove_prefix(1);
    if (text.size() > 10) return std::nullopt;
    std::int64_t magnitude = 0;
    std::from_chars(text.data(), text.data() + text.size(), magnitude);
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<std::int32_t> expected = reference(text);
    FUZZ_CHECK(tryStrToInt(text) == expected);
    try {
        const std::int32_t value = StrToInt(text);
        FUZZ_CHECK(expected && value == *expected);
        FUZZ_CHECK(tryStrToInt(std::to_string(value)) == expected);
    } catch (const ConversionError& error) {
        FUZZ_CHECK(!expected);
        // what() is a C string: the message ends at a NUL in the text.
        const std::string message = "'" + std::string(text) + "' is not a valid integer value";
        FUZZ_CHECK(std::string(error.what()) == message.substr(0, message.find('\0')));
    }
    return 0;
}
