#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bacnet/udp_socket.h"

namespace vaskiro::bacnet {

// A BBMD for simulated devices (ASHRAE 135 Annex J.4 and J.5), enough for a
// foreign device: Register-Foreign-Device keeps the sender in its foreign
// device table for the time-to-live plus 30 s of grace; a
// Distribute-Broadcast-To-Network from a registered foreign device goes as
// Forwarded-NPDU to each device it serves and to the other foreign devices;
// Delete-Foreign-Device-Table-Entry removes an entry. Each is answered with
// a BVLC-Result. The simulated devices answer their requester alone, so the
// I-Am a device sends to the BBMD stands for the one it would broadcast on
// its subnet: it goes to every foreign device as Forwarded-NPDU with the
// device's address.
class SimulatedBbmd {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kGrace{30};

    // `devices`: where the devices it serves answer (address 0.0.0.0 is
    // reached at 127.0.0.1). The reason when `at` cannot be bound.
    static core::Result<std::unique_ptr<SimulatedBbmd>> open(const Endpoint& at, std::vector<Endpoint> devices);

    Endpoint endpoint() const { return m_socket->localEndpoint(); }
    // Refuses every registration from now on (Register-Foreign-Device NAK); from any thread.
    void refuseRegistrations() { m_refuse = true; }
    // Called with a line for each registration, deletion and lapse.
    void onEvent(std::function<void(const std::string&)> log) { m_log = std::move(log); }
    std::size_t foreignDevices() const { return m_table.size(); }

    // Serves until `stop` becomes true or `until` passes; checks `stop` at least every 100 ms.
    void serve(const std::atomic<bool>& stop, Clock::time_point until);

private:
    SimulatedBbmd() = default;
    void handle(const UdpSocket::Received& received);
    void forward(const Endpoint& originator, const std::vector<std::uint8_t>& npdu, const Endpoint& except);
    void say(const std::string& what, const Endpoint& who);

    std::unique_ptr<UdpSocket> m_socket;
    std::vector<Endpoint> m_devices;
    std::map<Endpoint, Clock::time_point> m_table;  // foreign devices and when each entry lapses
    std::atomic<bool> m_refuse{false};
    std::function<void(const std::string&)> m_log;
};

}  // namespace vaskiro::bacnet
