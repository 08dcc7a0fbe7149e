#include "bacnet/udp_socket.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "bacnet/socket_address.h"

namespace vaskiro::bacnet {

namespace {

int fd(std::intptr_t handle) { return static_cast<int>(handle); }

}  // namespace

std::vector<LocalInterface> localInterfaces() {
    std::vector<LocalInterface> found;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return found;
    for (const ifaddrs* at = list; at; at = at->ifa_next) {
        if (!at->ifa_addr || !at->ifa_netmask || at->ifa_addr->sa_family != AF_INET || !(at->ifa_flags & IFF_UP))
            continue;
        found.push_back({fromSockaddr(*reinterpret_cast<const sockaddr_in*>(at->ifa_addr)).address,
                         fromSockaddr(*reinterpret_cast<const sockaddr_in*>(at->ifa_netmask)).address});
    }
    ::freeifaddrs(list);
    return found;
}

core::Result<std::unique_ptr<UdpSocket>> UdpSocket::open(const Endpoint& local, bool shareable) {
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (s < 0) return core::Unexpected(std::string(std::strerror(errno)));
    const int on = 1;
    const sockaddr_in address = toSockaddr(local);
    if ((shareable && ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) ||
        ::setsockopt(s, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0 ||
        ::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        std::string error = std::strerror(errno);
        ::close(s);
        return core::Unexpected(std::move(error));
    }
    return std::unique_ptr<UdpSocket>(new UdpSocket(s));
}

UdpSocket::~UdpSocket() { ::close(fd(m_handle)); }

void UdpSocket::reserveReceiveRoom(int bytes) {
    (void)::setsockopt(fd(m_handle), SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

Endpoint UdpSocket::localEndpoint() const {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ::getsockname(fd(m_handle), reinterpret_cast<sockaddr*>(&address), &length);
    return fromSockaddr(address);
}

std::optional<std::array<std::uint8_t, 4>> UdpSocket::sourceAddressToward(const Endpoint& to) {
    // Connecting a datagram socket sends nothing; it only picks the route and so the source address.
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (s < 0) return std::nullopt;
    const sockaddr_in remote = toSockaddr(to);
    sockaddr_in local{};
    socklen_t length = sizeof local;
    const bool found = ::connect(s, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) == 0 &&
                       ::getsockname(s, reinterpret_cast<sockaddr*>(&local), &length) == 0;
    ::close(s);
    if (!found) return std::nullopt;
    return fromSockaddr(local).address;
}

core::Result<void> UdpSocket::sendTo(std::span<const std::uint8_t> bytes, const Endpoint& to) {
    const sockaddr_in address = toSockaddr(to);
    const ssize_t sent = ::sendto(fd(m_handle), bytes.data(), bytes.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&address), sizeof address);
    if (sent == static_cast<ssize_t>(bytes.size())) return {};
    return core::Unexpected(std::string(sent < 0 ? std::strerror(errno) : "datagram cut short"));
}

std::optional<UdpSocket::Received> UdpSocket::receive() {
    Received received;
    received.bytes.resize(1500);  // one Ethernet frame; BACnet/IP keeps within it
    sockaddr_in address{};
    socklen_t length = sizeof address;
    const ssize_t count = ::recvfrom(fd(m_handle), received.bytes.data(), received.bytes.size(), MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr*>(&address), &length);
    if (count < 0) return std::nullopt;
    received.bytes.resize(static_cast<std::size_t>(count));
    received.from = fromSockaddr(address);
    return received;
}

int UdpSocket::waitReadable(std::span<UdpSocket* const> sockets, std::chrono::milliseconds timeout) {
    std::vector<pollfd> polls;
    for (const UdpSocket* socket : sockets) polls.push_back({fd(socket->m_handle), POLLIN, 0});
    const int ready = ::poll(polls.data(), polls.size(), static_cast<int>(std::max<long long>(timeout.count(), 0)));
    if (ready <= 0) return -1;
    for (std::size_t i = 0; i < polls.size(); ++i)
        if (polls[i].revents != 0) return static_cast<int>(i);
    return -1;
}

}  // namespace vaskiro::bacnet
