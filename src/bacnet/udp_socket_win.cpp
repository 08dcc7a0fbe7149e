#include "bacnet/udp_socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cstring>

#include "bacnet/socket_address.h"

namespace vaskiro::bacnet {

namespace {

// Winsock is started once for the process and left running until it ends.
core::Result<void> startWinsock() {
    static const int started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data);
    }();
    if (started != 0) return core::Unexpected("Winsock could not start (error " + std::to_string(started) + ")");
    return {};
}

std::string lastError() { return "Winsock error " + std::to_string(WSAGetLastError()); }

SOCKET sock(std::intptr_t handle) { return static_cast<SOCKET>(handle); }

}  // namespace

std::vector<LocalInterface> localInterfaces() {
    std::vector<LocalInterface> found;
    if (!startWinsock()) return found;
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) return found;
    INTERFACE_INFO interfaces[64];
    DWORD bytes = 0;
    if (::WSAIoctl(s, SIO_GET_INTERFACE_LIST, nullptr, 0, interfaces, sizeof interfaces, &bytes, nullptr, nullptr) ==
        0) {
        for (DWORD i = 0; i < bytes / sizeof(INTERFACE_INFO); ++i) {
            if (!(interfaces[i].iiFlags & IFF_UP)) continue;
            found.push_back({fromSockaddr(interfaces[i].iiAddress.AddressIn).address,
                             fromSockaddr(interfaces[i].iiNetmask.AddressIn).address});
        }
    }
    ::closesocket(s);
    return found;
}

core::Result<std::unique_ptr<UdpSocket>> UdpSocket::open(const Endpoint& local, bool shareable) {
    if (auto started = startWinsock(); !started) return core::Unexpected(started.error());
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) return core::Unexpected(lastError());
    const BOOL on = TRUE;
    u_long nonBlocking = 1;
    const sockaddr_in address = toSockaddr(local);
    const auto* option = reinterpret_cast<const char*>(&on);
    if ((shareable && ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, option, sizeof on) != 0) ||
        ::setsockopt(s, SOL_SOCKET, SO_BROADCAST, option, sizeof on) != 0 ||
        ::ioctlsocket(s, FIONBIO, &nonBlocking) != 0 ||
        ::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        std::string error = lastError();
        ::closesocket(s);
        return core::Unexpected(std::move(error));
    }
    return std::unique_ptr<UdpSocket>(new UdpSocket(static_cast<std::intptr_t>(s)));
}

UdpSocket::~UdpSocket() { ::closesocket(sock(m_handle)); }

void UdpSocket::reserveReceiveRoom(int bytes) {
    (void)::setsockopt(sock(m_handle), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes), sizeof bytes);
}

Endpoint UdpSocket::localEndpoint() const {
    sockaddr_in address{};
    int length = sizeof address;
    ::getsockname(sock(m_handle), reinterpret_cast<sockaddr*>(&address), &length);
    return fromSockaddr(address);
}

std::optional<std::array<std::uint8_t, 4>> UdpSocket::sourceAddressToward(const Endpoint& to) {
    // Connecting a datagram socket sends nothing; it only picks the route and so the source address.
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (s == INVALID_SOCKET) return std::nullopt;
    const sockaddr_in remote = toSockaddr(to);
    sockaddr_in local{};
    int length = sizeof local;
    const bool found = ::connect(s, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) == 0 &&
                       ::getsockname(s, reinterpret_cast<sockaddr*>(&local), &length) == 0;
    ::closesocket(s);
    if (!found) return std::nullopt;
    return fromSockaddr(local).address;
}

core::Result<void> UdpSocket::sendTo(std::span<const std::uint8_t> bytes, const Endpoint& to) {
    const sockaddr_in address = toSockaddr(to);
    const int sent =
        ::sendto(sock(m_handle), reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()), 0,
                 reinterpret_cast<const sockaddr*>(&address), sizeof address);
    if (sent == static_cast<int>(bytes.size())) return {};
    return core::Unexpected(sent < 0 ? lastError() : std::string("datagram cut short"));
}

std::optional<UdpSocket::Received> UdpSocket::receive() {
    Received received;
    received.bytes.resize(1500);
    sockaddr_in address{};
    int length = sizeof address;
    const int count =
        ::recvfrom(sock(m_handle), reinterpret_cast<char*>(received.bytes.data()),
                   static_cast<int>(received.bytes.size()), 0, reinterpret_cast<sockaddr*>(&address), &length);
    if (count < 0) return std::nullopt;
    received.bytes.resize(static_cast<std::size_t>(count));
    received.from = fromSockaddr(address);
    return received;
}

int UdpSocket::waitReadable(std::span<UdpSocket* const> sockets, std::chrono::milliseconds timeout) {
    std::vector<WSAPOLLFD> polls;
    for (const UdpSocket* socket : sockets) polls.push_back({sock(socket->m_handle), POLLRDNORM, 0});
    const int ready = ::WSAPoll(polls.data(), static_cast<ULONG>(polls.size()),
                                static_cast<INT>(std::max<long long>(timeout.count(), 0)));
    if (ready <= 0) return -1;
    for (std::size_t i = 0; i < polls.size(); ++i)
        if (polls[i].revents != 0) return static_cast<int>(i);
    return -1;
}

}  // namespace vaskiro::bacnet
