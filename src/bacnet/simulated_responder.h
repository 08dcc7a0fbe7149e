#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "bacnet/codec.h"
#include "bacnet/udp_socket.h"
#include "core/configuration_image.h"

namespace vaskiro::bacnet {

// What a device says of itself beyond its configuration.
struct DeviceIdentity {
    std::uint32_t vendorId = 0;
    std::string modelName = "VASKIRO BACnet Interface";
    std::string firmwareRevision = "1.00";
    std::string applicationVersion = "1.00";
};

// The reply a device with `image` and `identity` gives to one datagram:
// I-Am to a Who-Is that includes its instance, the value or an Error to a
// ReadProperty, a Reject to any other confirmed request, an Abort to a
// segmented one; nothing to anything else. Texts leave as UTF-8.
std::optional<Message> answer(const config::ConfigurationImage& image, const DeviceIdentity& identity,
                              const Message& request);

// A device on the network for demonstrations and tests: answers on one
// address, and hears broadcasts to its port. Replies, I-Am included, go to
// the requester only (a real device broadcasts its I-Am), so a device
// simulated on a loopback address sends nothing anywhere else.
class SimulatedResponder {
public:
    // Null with `error` when `at` cannot be bound; `note` says when the
    // port's broadcasts cannot be heard.
    static std::unique_ptr<SimulatedResponder> open(const config::ConfigurationImage& image, DeviceIdentity identity,
                                                    const Endpoint& at, std::string& error, std::string& note);

    Endpoint endpoint() const { return m_unicast->localEndpoint(); }
    // Answers until `stop` becomes true or `until` passes; checks `stop` at
    // least every 100 ms.
    void serve(const std::atomic<bool>& stop, std::chrono::steady_clock::time_point until);

private:
    SimulatedResponder(const config::ConfigurationImage& image, DeviceIdentity identity)
        : m_image(image), m_identity(std::move(identity)) {}

    config::ConfigurationImage m_image;
    DeviceIdentity m_identity;
    std::unique_ptr<UdpSocket> m_unicast;
    std::unique_ptr<UdpSocket> m_broadcasts;
};

}  // namespace vaskiro::bacnet
