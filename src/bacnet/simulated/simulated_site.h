#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "bacnet/simulated/simulated_responder.h"

namespace vaskiro::bacnet {

// Many simulated devices on one thread, each as a SimulatedResponder is:
// its own address, which it answers from; one socket per port hears the
// broadcasts to it for every device on that port.
class SimulatedSite {
public:
    struct Member {
        core::ConfigurationImage image;
        Endpoint at;
    };
    // The reason when an address cannot be bound, naming it; `note` says
    // when a port's broadcasts cannot be heard.
    static core::Result<std::unique_ptr<SimulatedSite>> open(const std::vector<Member>& members, std::string& note);

    std::size_t size() const { return m_devices.size(); }
    Endpoint endpoint(std::size_t i) const { return m_unicast[i]->localEndpoint(); }
    SimulatedDevice& device(std::size_t i) { return *m_devices[i]; }
    // Answers until `stop` becomes true or `until` passes; checks `stop` at least every 100 ms.
    void serve(const std::atomic<bool>& stop, std::chrono::steady_clock::time_point until);

private:
    SimulatedSite() = default;
    void answer(std::size_t device, const std::vector<std::uint8_t>& bytes, const Endpoint& from);

    std::vector<std::unique_ptr<SimulatedDevice>> m_devices;
    std::vector<std::unique_ptr<UdpSocket>> m_unicast;  // one per device
    struct PortBroadcasts {
        std::unique_ptr<UdpSocket> socket;
        std::vector<std::size_t> devices;
    };
    std::vector<PortBroadcasts> m_broadcasts;
};

}  // namespace vaskiro::bacnet
