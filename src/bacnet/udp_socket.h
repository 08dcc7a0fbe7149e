#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "bacnet/codec.h"
#include "core/result.h"

namespace vaskiro::bacnet {

// One IPv4 UDP socket. The platform's calls live in udp_socket_<platform>.cpp;
// nothing here knows BACnet beyond the address type. Not thread-safe: one
// thread uses a socket at a time.
// An IPv4 address of this machine and its subnet mask.
struct LocalInterface {
    std::array<std::uint8_t, 4> address{};
    std::array<std::uint8_t, 4> netmask{};
};
// The machine's IPv4 interfaces that are up; none when they cannot be listed.
std::vector<LocalInterface> localInterfaces();

class UdpSocket {
public:
    // Binds `local` (address 0.0.0.0 for every interface, port 0 for one the
    // system picks). With `shareable`, other sockets may bind the same port
    // (SO_REUSEADDR), so that several programs on one machine all hear the
    // broadcasts to it. Broadcasts may be sent. The system's reason on failure.
    static core::Result<std::unique_ptr<UdpSocket>> open(const Endpoint& local, bool shareable);
    ~UdpSocket();
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    Endpoint localEndpoint() const;
    // The address of this machine that datagrams to `to` leave from (the
    // route's), as the receiver sees it unless a NAT is between; nothing
    // when there is no route.
    static std::optional<std::array<std::uint8_t, 4>> sourceAddressToward(const Endpoint& to);
    // Asks for room for `bytes` of datagrams waiting to be taken (the system
    // may grant less), so that hundreds of replies arriving at once are kept.
    void reserveReceiveRoom(int bytes);
    core::Result<void> sendTo(std::span<const std::uint8_t> bytes, const Endpoint& to);

    struct Received {
        std::vector<std::uint8_t> bytes;
        Endpoint from;
    };
    // Takes one waiting datagram without blocking; nothing when none waits.
    std::optional<Received> receive();

    // Waits until one of `sockets` has a datagram or `timeout` has passed.
    // Returns the index of a readable socket, or -1.
    static int waitReadable(std::span<UdpSocket* const> sockets, std::chrono::milliseconds timeout);

private:
    explicit UdpSocket(std::intptr_t handle) : m_handle(handle) {}
    std::intptr_t m_handle;
};

}  // namespace vaskiro::bacnet
