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
#include "bacnet/object_database.h"
#include "bacnet/simulated_objects.h"
#include "bacnet/udp_socket.h"
#include "core/configuration_image.h"

namespace vaskiro::bacnet {

// A device with `image` and `identity` as any BACnet client sees it: I-Am to
// a Who-Is that includes its instance; the value or an Error to ReadProperty
// (array elements too) and ReadPropertyMultiple, for its own instance or the
// wildcard 4194303; a Reject to a request it cannot parse or a service it
// does not execute; an Abort (segmentation-not-supported) to a segmented
// request or where the reply would not fit the client's largest APDU;
// nothing to anything else. Texts leave as UTF-8.
class SimulatedDevice {
public:
    SimulatedDevice(const config::ConfigurationImage& image, const DeviceIdentity& identity);
    std::optional<Message> answer(const Message& request) const;

private:
    std::uint32_t m_instance;
    std::uint32_t m_vendorId;
    std::unique_ptr<ObjectDatabase> m_objects;  // the Device object's object-list refers to it
};

// One reply of a SimulatedDevice made for it.
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
    SimulatedResponder(const config::ConfigurationImage& image, const DeviceIdentity& identity)
        : m_device(image, identity) {}

    SimulatedDevice m_device;
    std::unique_ptr<UdpSocket> m_unicast;
    std::unique_ptr<UdpSocket> m_broadcasts;
};

}  // namespace vaskiro::bacnet
