#include "bacnet/simulated/simulated_site.h"

#include <algorithm>

namespace vaskiro::bacnet {

core::Result<std::unique_ptr<SimulatedSite>> SimulatedSite::open(const std::vector<Member>& members,
                                                                 std::string& note) {
    std::unique_ptr<SimulatedSite> site(new SimulatedSite);
    for (const Member& member : members) {
        auto unicast = UdpSocket::open(member.at, true);
        if (!unicast) return core::Unexpected(formatEndpoint(member.at) + ": " + unicast.error());
        const std::uint16_t port = (*unicast)->localEndpoint().port;
        site->m_devices.push_back(std::make_unique<SimulatedDevice>(member.image, DeviceIdentity{}));
        site->m_unicast.push_back(std::move(*unicast));
        auto heard = std::find_if(site->m_broadcasts.begin(), site->m_broadcasts.end(),
                                  [&](const PortBroadcasts& b) { return b.socket->localEndpoint().port == port; });
        if (heard == site->m_broadcasts.end()) {
            auto broadcasts = UdpSocket::open(Endpoint{{0, 0, 0, 0}, port}, true);
            if (!broadcasts) {
                note += "Broadcasts to port " + std::to_string(port) + " are not heard (" + broadcasts.error() + ").";
                continue;
            }
            (*broadcasts)->reserveReceiveRoom(1 << 20);
            heard = site->m_broadcasts.insert(site->m_broadcasts.end(), {std::move(*broadcasts), {}});
        }
        heard->devices.push_back(site->m_devices.size() - 1);
    }
    return site;
}

void SimulatedSite::answer(std::size_t device, const std::vector<std::uint8_t>& bytes, const Endpoint& from) {
    const auto decoded = decode(bytes);
    if (!decoded) return;
    if (auto reply = m_devices[device]->answer(decoded->message, from))
        (void)m_unicast[device]->sendTo(encode(*reply, false), from);
}

void SimulatedSite::serve(const std::atomic<bool>& stop, std::chrono::steady_clock::time_point until) {
    std::vector<UdpSocket*> sockets;
    for (const auto& socket : m_unicast) sockets.push_back(socket.get());
    for (const PortBroadcasts& port : m_broadcasts) sockets.push_back(port.socket.get());
    while (!stop && std::chrono::steady_clock::now() < until) {
        const auto slice =
            std::min(std::chrono::milliseconds(100),
                     std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now()));
        const int ready = UdpSocket::waitReadable(sockets, slice);
        if (ready >= 0) {
            const auto index = static_cast<std::size_t>(ready);
            while (auto received = sockets[index]->receive()) {
                if (index < m_devices.size()) {
                    answer(index, received->bytes, received->from);
                    continue;
                }
                for (std::size_t device : m_broadcasts[index - m_devices.size()].devices)
                    answer(device, received->bytes, received->from);
            }
        }
        // A notification lost is as a datagram lost on the way.
        for (std::size_t i = 0; i < m_devices.size(); ++i)
            for (const auto& [subscriber, notification] : m_devices[i]->takeNotifications())
                (void)m_unicast[i]->sendTo(encode(notification, false), subscriber);
    }
}

}  // namespace vaskiro::bacnet
