#include "core/dotted_address.h"

namespace vaskiro::core {

Result<core::Octets> parseDottedAddress(std::string_view text) {
    core::Octets octets{};
    bool leadingZero = false;
    for (std::size_t i = 0; i < octets.size(); ++i) {
        const std::size_t end = i < 3 ? text.find('.') : text.size();
        const std::string_view digits = text.substr(0, end);
        unsigned value = 0;
        for (char c : digits) value = c >= '0' && c <= '9' && value <= 255 ? value * 10 + unsigned(c - '0') : 256;
        if (end == std::string_view::npos || digits.empty() || value > 255)
            return Unexpected("must be four numbers from 0 to 255 separated by dots");
        leadingZero |= digits.size() > 1 && digits[0] == '0';
        octets[i] = static_cast<std::uint8_t>(value);
        text = i < 3 ? text.substr(end + 1) : std::string_view{};
    }
    if (leadingZero)
        return Unexpected("must be written without leading zeros: some programs read 010 as octal 8, others as 10");
    return octets;
}

std::string formatDottedAddress(const core::Octets& o) {
    return std::to_string(o[0]) + "." + std::to_string(o[1]) + "." + std::to_string(o[2]) + "." + std::to_string(o[3]);
}

}  // namespace vaskiro::core
