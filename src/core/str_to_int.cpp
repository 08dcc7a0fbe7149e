#include "core/str_to_int.h"

#include <string>

namespace vaskiro::core {

namespace {

core::Result<std::int32_t> refused(std::string_view text) {
    return core::Unexpected("'" + std::string(text) + "' is not a valid integer value");
}

}  // namespace

core::Result<std::int32_t> StrToInt(std::string_view text) {
    bool negative = false;
    std::size_t i = 0;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        i = 1;
    }
    if (i == text.size()) return refused(text);
    // Accumulate in 64 bits and stop as soon as the magnitude leaves range.
    constexpr std::int64_t kLimit = std::int64_t{1} << 31;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return refused(text);
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > kLimit) return refused(text);
    }
    if (!negative && magnitude == kLimit) return refused(text);
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

}  // namespace vaskiro::core
