#include "core/setting_values.h"

#include <algorithm>
#include <cctype>

#include "core/display_text.h"
#include "core/float_text.h"
#include "core/text_codec.h"

namespace vaskiro::core {

namespace {

bool allDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The first control character of UTF-8 text (C0, DEL or C1), if any.
std::optional<std::string> firstControl(std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        const auto next = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0u;
        if (byte < 0x20 || byte == 0x7F) return std::string(1, utf8[i]);
        if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) return std::string(utf8.substr(i, 2));
    }
    return std::nullopt;
}

}  // namespace

Result<std::uint32_t> parsePlainNumber(std::string_view text, std::uint32_t high, std::string_view what) {
    const std::string range = "must be " + std::string(what) + " from 0 to " + std::to_string(high);
    if (!allDigits(text)) return Unexpected(range + ", in decimal digits only");
    if (text.size() > 1 && text[0] == '0') return Unexpected(std::string(kLeadingZeroRefusal));
    std::uint64_t value = 0;
    for (char c : text)
        if ((value = value * 10 + std::uint64_t(c - '0')) > high) return Unexpected(range);
    return static_cast<std::uint32_t>(value);
}

Result<float> parseSettingFloat(std::string_view text, bool negativeAllowed) {
    const std::string_view magnitude = text.substr(text.starts_with('-') ? 1 : 0);
    const std::size_t whole = std::min(magnitude.find_first_of(".eE"), magnitude.size());
    const auto number = core::parseFloat(text);
    if (!number || text.starts_with('+') || !allDigits(magnitude.substr(0, whole)))
        return Unexpected(std::string(negativeAllowed ? "must be a finite decimal number"
                                                      : "must be a finite decimal number, 0 or more"));
    if (whole > 1 && magnitude[0] == '0') return Unexpected(std::string(kLeadingZeroRefusal));
    if (text.starts_with('-') && !negativeAllowed) return Unexpected(std::string("must not be negative"));
    return *number;
}

std::string withDecimalPoint(std::string_view text) {
    std::string out(text);
    if (std::count(out.begin(), out.end(), ',') == 1 && out.find('.') == std::string::npos) out[out.find(',')] = '.';
    return out;
}

std::optional<bool> parseOnOff(std::string_view text) {
    for (auto on : {"on", "true", "yes", "1"})
        if (equalIgnoringCase(text, on)) return true;
    for (auto off : {"off", "false", "no", "0"})
        if (equalIgnoringCase(text, off)) return false;
    return std::nullopt;
}

bool isContiguousMask(const core::Octets& mask) {
    const std::uint32_t bits =
        std::uint32_t(mask[0]) << 24 | std::uint32_t(mask[1]) << 16 | std::uint32_t(mask[2]) << 8 | mask[3];
    return (~bits & (~bits + 1)) == 0;  // the zeros, read as a number, are one less than a power of two
}

Result<std::string> settingText(std::string_view utf8, int limit, bool kept) {
    if (auto control = firstControl(utf8))
        return Unexpected("holds the control character " + escapeControlCharacters(*control) +
                          ": give printable characters only");
    std::string bytes = core::toWindows1252(utf8);
    if (core::fromWindows1252(bytes) != utf8)
        return Unexpected(std::string("holds a character that the device cannot store (it keeps Windows-1252 text)"));
    if (bytes.size() > std::size_t(limit))
        return Unexpected((kept ? "the device keeps " : "takes at most ") + std::to_string(limit) + " characters; " +
                          std::to_string(bytes.size()) + " given");
    return bytes;
}

}  // namespace vaskiro::core
