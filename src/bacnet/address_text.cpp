#include "bacnet/address_text.h"

#include <charconv>

namespace vaskiro::bacnet {

std::string formatAddress(const std::array<std::uint8_t, 4>& address) {
    std::string text;
    for (std::uint8_t octet : address) text += (text.empty() ? "" : ".") + std::to_string(octet);
    return text;
}

std::string formatEndpoint(const Endpoint& endpoint) {
    return formatAddress(endpoint.address) + ':' + std::to_string(endpoint.port);
}

std::optional<Endpoint> parseEndpoint(const std::string& text, std::uint16_t defaultPort) {
    Endpoint endpoint;
    endpoint.port = defaultPort;
    const char* at = text.data();
    const char* end = at + text.size();
    for (std::size_t i = 0; i < 4; ++i) {
        unsigned octet = 256;
        auto [next, error] = std::from_chars(at, end, octet);
        if (error != std::errc{} || next == at || next - at > 3 || octet > 255) return std::nullopt;
        endpoint.address[i] = static_cast<std::uint8_t>(octet);
        at = next;
        if (i < 3 && (at == end || *at++ != '.')) return std::nullopt;
    }
    if (at != end) {
        unsigned port = 0;
        if (*at++ != ':') return std::nullopt;
        auto [next, error] = std::from_chars(at, end, port);
        if (error != std::errc{} || next != end || port == 0 || port > 0xFFFF) return std::nullopt;
        endpoint.port = static_cast<std::uint16_t>(port);
    }
    return endpoint;
}

}  // namespace vaskiro::bacnet
