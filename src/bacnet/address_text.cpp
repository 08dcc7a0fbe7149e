#include "bacnet/address_text.h"

#include <charconv>

#include "core/dotted_address.h"

namespace vaskiro::bacnet {

std::string formatAddress(const std::array<std::uint8_t, 4>& address) { return core::formatDottedAddress(address); }

std::string formatEndpoint(const Endpoint& endpoint) {
    return formatAddress(endpoint.address) + ':' + std::to_string(endpoint.port);
}

std::optional<Endpoint> parseEndpoint(const std::string& text, std::uint16_t defaultPort) {
    const std::size_t colon = text.find(':');
    auto address = core::parseDottedAddress(std::string_view(text).substr(0, colon));
    if (!address) return std::nullopt;
    Endpoint endpoint{*address, defaultPort};
    if (colon != std::string::npos) {
        unsigned port = 0;
        const char* end = text.data() + text.size();
        auto [next, error] = std::from_chars(text.data() + colon + 1, end, port);
        if (error != std::errc{} || next != end || port == 0 || port > core::kLargestUdpPort) return std::nullopt;
        endpoint.port = static_cast<std::uint16_t>(port);
    }
    return endpoint;
}

}  // namespace vaskiro::bacnet
