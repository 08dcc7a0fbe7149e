#pragma once

// Endpoint <-> sockaddr_in, shared by the POSIX and the Winsock socket files.
// Include it after the platform's socket headers, which declare sockaddr_in,
// htons and ntohs on either side.

#include <cstring>

#include "bacnet/udp_socket.h"

namespace vaskiro::bacnet {

inline sockaddr_in toSockaddr(const Endpoint& endpoint) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(endpoint.port);
    std::memcpy(&address.sin_addr.s_addr, endpoint.address.data(), 4);
    return address;
}

inline Endpoint fromSockaddr(const sockaddr_in& address) {
    Endpoint endpoint;
    std::memcpy(endpoint.address.data(), &address.sin_addr.s_addr, 4);
    endpoint.port = ntohs(address.sin_port);
    return endpoint;
}

}  // namespace vaskiro::bacnet
