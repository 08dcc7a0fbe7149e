#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/bacnet_numbers.h"

namespace vaskiro::bacnet {

struct Endpoint {
    std::array<std::uint8_t, 4> address{};
    std::uint16_t port = core::kDefaultBacnetPort;
    friend bool operator==(const Endpoint&, const Endpoint&) = default;
    friend auto operator<=>(const Endpoint&, const Endpoint&) = default;
};

// "192.168.0.6" and "192.168.0.6:47808"; parseEndpoint takes "A.B.C.D" or "A.B.C.D:PORT" (the
// address as core::parseDottedAddress takes it) and uses `defaultPort` when no port is given.
std::string formatAddress(const std::array<std::uint8_t, 4>& address);
std::string formatEndpoint(const Endpoint& endpoint);
std::optional<Endpoint> parseEndpoint(const std::string& text, std::uint16_t defaultPort);

}  // namespace vaskiro::bacnet
