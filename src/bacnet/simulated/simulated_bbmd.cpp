#include "bacnet/simulated/simulated_bbmd.h"

#include <algorithm>

#include "bacnet/bvll.h"
#include "bacnet/codec.h"

namespace vaskiro::bacnet {

core::Result<std::unique_ptr<SimulatedBbmd>> SimulatedBbmd::open(const Endpoint& at, std::vector<Endpoint> devices) {
    std::unique_ptr<SimulatedBbmd> bbmd(new SimulatedBbmd);
    auto socket = UdpSocket::open(at, false);
    if (!socket) return core::Unexpected(socket.error());
    bbmd->m_socket = std::move(*socket);
    for (Endpoint& device : devices)
        if (device.address == std::array<std::uint8_t, 4>{}) device.address = {127, 0, 0, 1};
    bbmd->m_devices = std::move(devices);
    return bbmd;
}

void SimulatedBbmd::serve(const std::atomic<bool>& stop, Clock::time_point until) {
    UdpSocket* sockets[] = {m_socket.get()};
    while (!stop && Clock::now() < until) {
        const auto slice = std::clamp(std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()),
                                      std::chrono::milliseconds(0), std::chrono::milliseconds(100));
        if (UdpSocket::waitReadable(sockets, slice) >= 0)
            while (auto received = m_socket->receive()) handle(*received);
        const auto now = Clock::now();
        for (auto entry = m_table.begin(); entry != m_table.end();) {
            if (entry->second > now) {
                ++entry;
                continue;
            }
            const Endpoint who = entry->first;
            entry = m_table.erase(entry);
            say("lapsed", who);
        }
    }
}

void SimulatedBbmd::say(const std::string& what, const Endpoint& who) {
    if (m_log)
        m_log("BBMD: foreign device " + formatEndpoint(who) + " " + what + " (" + std::to_string(m_table.size()) +
              " in the table)");
}

void SimulatedBbmd::forward(const Endpoint& originator, const std::vector<std::uint8_t>& npdu, const Endpoint& except) {
    const auto bytes = encodeLink(ForwardedNpdu{originator, npdu});
    // A datagram lost on the way is as one lost on a real network.
    for (const Endpoint& device : m_devices)
        if (device != except) (void)m_socket->sendTo(bytes, device);
    for (const auto& [foreign, lapses] : m_table)
        if (foreign != except) (void)m_socket->sendTo(bytes, foreign);
}

void SimulatedBbmd::handle(const UdpSocket::Received& received) {
    const auto link = decodeLink(received.bytes);
    if (!link) return;
    const Endpoint& from = received.from;
    const auto answer = [&](std::uint16_t code) { (void)m_socket->sendTo(encodeLink(BvlcResult{code}), from); };
    if (const auto* registering = std::get_if<RegisterForeignDevice>(&*link)) {
        if (m_refuse) {
            say("refused", from);
            return answer(kRegisterForeignDeviceNak);
        }
        const bool known = m_table.contains(from);
        m_table[from] = Clock::now() + std::chrono::seconds(registering->ttlSeconds) + kGrace;
        say((known ? "renewed for " : "registered for ") + std::to_string(registering->ttlSeconds) + " s", from);
        return answer(kBvlcSuccess);
    }
    if (const auto* deleting = std::get_if<DeleteForeignDeviceEntry>(&*link)) {
        if (m_table.erase(deleting->entry) == 0) return answer(kDeleteForeignDeviceEntryNak);
        say("deleted", deleting->entry);
        return answer(kBvlcSuccess);
    }
    if (const auto* distributing = std::get_if<DistributeBroadcastToNetwork>(&*link)) {
        if (!m_table.contains(from)) return answer(kDistributeBroadcastNak);
        return forward(from, distributing->npdu, from);
    }
    const auto* original = std::get_if<OriginalNpdu>(&*link);
    if (!original || m_table.contains(from)) return;
    const auto datagram = decode(received.bytes);
    if (original->broadcast || (datagram && std::holds_alternative<IAm>(datagram->message)))
        for (const auto& [foreign, lapses] : m_table)
            (void)m_socket->sendTo(encodeLink(ForwardedNpdu{from, original->npdu}), foreign);
}

}  // namespace vaskiro::bacnet
