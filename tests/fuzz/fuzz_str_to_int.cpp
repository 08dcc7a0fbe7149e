// StrToInt against a plain reference: a sign, then only digits, and a value
// in the signed 32-bit range; anything else is refused with its message.
#include <algorithm>
#include <optional>
#include <string>

#include "core/str_to_int.h"
#include "fuzz_check.h"

using namespace vaskiro::core;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string digits = text.substr(!text.empty() && (text[0] == '+' || text[0] == '-'));
    std::optional<std::int32_t> expected;
    if (!digits.empty() && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
        const long long value = digits.size() > 10 ? INT64_MAX : std::stoll(digits) * (text[0] == '-' ? -1 : 1);
        if (value >= INT32_MIN && value <= INT32_MAX) expected = static_cast<std::int32_t>(value);
    }
    const auto value = StrToInt(text);
    FUZZ_CHECK(value.has_value() == expected.has_value());
    FUZZ_CHECK(value ? *value == *expected : value.error() == "'" + text + "' is not a valid integer value");
    return 0;
}
