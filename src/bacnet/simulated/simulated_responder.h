#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "bacnet/codec.h"
#include "bacnet/simulated/object_database.h"
#include "bacnet/simulated/simulated_objects.h"
#include "bacnet/udp_socket.h"
#include "core/configuration_image.h"

namespace vaskiro::bacnet {

// A device with `image` and `identity` as any BACnet client sees it: I-Am to
// a Who-Is that includes its instance; the value or an Error to ReadProperty
// (array elements too) and ReadPropertyMultiple, for its own instance or the
// wildcard 4194303; WriteProperty of an output's present-value at a
// priority (a Null releases it); SubscribeCOV for unconfirmed notifications
// of a point's present-value and status-flags (at once, then on each change:
// any for a binary point, at least the cov-increment for an analogue) for
// its lifetime or until cancelled; a Reject to a request it cannot parse or
// a service it does not execute; an Abort (segmentation-not-supported) to a
// segmented request or where the reply would not fit the client's largest
// APDU; nothing to anything else. Texts leave as UTF-8.
class SimulatedDevice {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kMaxSubscriptions = 256;

    SimulatedDevice(const core::ConfigurationImage& image, const DeviceIdentity& identity);
    // `from`: the requester, to whom a subscription's notifications go.
    std::optional<Message> answer(const Message& request, const Endpoint& from = {});
    // Refuses every subscription (Reject, unrecognized service), as a device without COV does.
    void refuseSubscriptions() { m_refuseSubscriptions = true; }
    // Rejects ReadPropertyMultiple, as a device that has only ReadProperty does.
    void refuseReadMultiple() { m_refuseReadMultiple = true; }
    // Leaves ReadPropertyMultiple unanswered, as some devices without it do.
    void ignoreReadMultiple() { m_ignoreReadMultiple = true; }

    SimulatedPoints& points() { return *m_points; }
    // The notifications due since the last call (new subscriptions, changes), with their subscribers.
    std::vector<std::pair<Endpoint, CovNotification>> takeNotifications();
    std::size_t subscriptionCount() const { return m_subscriptions.size(); }

private:
    struct Subscription {
        Endpoint subscriber;
        std::uint32_t processId = 0;
        ObjectId object;
        std::optional<Clock::time_point> ends{};  // none: without end
        std::vector<std::uint8_t> sent{};         // the values last notified; empty: none yet
        float sentAnalogue = 0;
    };
    Message subscribe(const SubscribeCov& request, const Endpoint& from);
    Message write(const WriteProperty& request);
    std::vector<std::uint8_t> covValues(ObjectId object) const;

    std::uint32_t m_instance;
    std::uint32_t m_vendorId;
    float m_covIncrement[SimulatedPoints::kAnalogues] = {};
    bool m_refuseSubscriptions = false;
    bool m_refuseReadMultiple = false;
    bool m_ignoreReadMultiple = false;
    std::unique_ptr<SimulatedPoints> m_points;  // the objects read it
    std::unique_ptr<ObjectDatabase> m_objects;  // the Device object's object-list refers to it
    std::vector<Subscription> m_subscriptions;
};

// One reply of a SimulatedDevice made for it.
std::optional<Message> answer(const core::ConfigurationImage& image, const DeviceIdentity& identity,
                              const Message& request);

// A device on the network for demonstrations and tests: answers on one
// address, and hears broadcasts to its port. Replies, I-Am included, go to
// the requester only (a real device broadcasts its I-Am), so a device
// simulated on a loopback address sends nothing anywhere else.
class SimulatedResponder {
public:
    // The reason when `at` cannot be bound; `note` says when the port's
    // broadcasts cannot be heard.
    static core::Result<std::unique_ptr<SimulatedResponder>> open(const core::ConfigurationImage& image,
                                                                  DeviceIdentity identity, const Endpoint& at,
                                                                  std::string& note);

    Endpoint endpoint() const { return m_unicast->localEndpoint(); }
    SimulatedDevice& device() { return m_device; }
    // Answers until `stop` becomes true or `until` passes; checks `stop` at
    // least every 100 ms.
    void serve(const std::atomic<bool>& stop, std::chrono::steady_clock::time_point until);
    // From any thread (a line typed, a demonstration's wiggle): the change is
    // made by serve() at once, and its notifications sent.
    void change(std::function<void(SimulatedPoints&)> edit);
    // Sends `message` from the device's address to `to`: what another
    // program on the device's host could send.
    void send(const Message& message, const Endpoint& to);

private:
    SimulatedResponder(const core::ConfigurationImage& image, const DeviceIdentity& identity)
        : m_device(image, identity) {}
    void applyChanges();
    void sendNotifications();

    SimulatedDevice m_device;
    std::unique_ptr<UdpSocket> m_unicast;
    std::unique_ptr<UdpSocket> m_broadcasts;
    std::mutex m_changesMutex;
    std::vector<std::function<void(SimulatedPoints&)>> m_changes;
    std::unique_ptr<UdpSocket> m_wake;  // an empty datagram to m_unicast ends serve()'s wait for a change
};

}  // namespace vaskiro::bacnet
