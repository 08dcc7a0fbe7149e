#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bacnet/client.h"
#include "bacnet/point_values.h"

namespace vaskiro::bacnet {

enum class PointKind { Input, Output, Analogue };
// "input", "output", "analogue"
const char* kindName(PointKind kind);

// One of a device's wired points as the network shows it.
struct Point {
    PointKind kind = PointKind::Input;
    int channel = 1;  // 1-based, in instance order within its kind
    ObjectId object{};
    std::string name{};                    // object-name on the device, as it sent it
    std::optional<Primitive> value{};      // present-value
    BitString flags{};                     // status-flags
    std::optional<std::uint32_t> units{};  // analogue inputs
    bool subscribed = false;               // by COV; polled otherwise
    std::string error{};                   // why there is no value; empty when there is
};

// Finds the device with `instance` by a Who-Is for that instance alone sent
// to `to`, within `timeout`; nothing when it did not answer.
std::optional<SeenDevice> findDevice(Client& client, const Endpoint& to, std::uint32_t instance,
                                     std::chrono::milliseconds timeout);

// The checkout of one device's points: finds them from its object-list
// (binary-input, binary-output and analog-input objects in instance order
// are inputs 1-16, outputs 1-16 and analogues 1-8; instance numbers are not
// assumed), reads them (ReadPropertyMultiple where the device takes it,
// ReadProperty one at a time where it rejects it), follows them by COV
// subscriptions renewed before they end (polled every second where a
// subscription is refused), and commands outputs at a priority, keeping
// which it holds so that they can all be released. Blocking; `stopped`
// ends waits early (a Ctrl-C), except those of releasing and cancelling.
class PointCheckout {
public:
    using Clock = Client::Clock;
    static constexpr std::chrono::milliseconds kPollInterval{1000};

    PointCheckout(Client& client, const Endpoint& device, std::uint32_t instance, std::function<bool()> stopped);
    PointCheckout(const PointCheckout&) = delete;
    PointCheckout& operator=(const PointCheckout&) = delete;
    ~PointCheckout();

    // Empty when the points were found; otherwise why not ("no reply", ...).
    std::string findPoints();
    void readAll();
    // Subscribes to every point for `lifetime` seconds; those refused are polled.
    void subscribeAll(std::uint32_t lifetime);
    // Until `until` or stopped: notifications, polling and renewals; `changed`
    // with the index of each point whose value or flags changed.
    void follow(Clock::time_point until, const std::function<void(std::size_t)>& changed);
    void cancelSubscriptions();

    // Drives output `channel` active or inactive at `priority` (1-16), or with
    // nothing releases it there. Empty when the device acknowledged it;
    // otherwise why not.
    std::string command(int channel, std::optional<bool> active, std::uint8_t priority);
    // Releases every output this checkout holds; returns those still held.
    std::vector<int> releaseAll();
    std::vector<int> held() const;

    const std::vector<Point>& points() const { return m_points; }
    bool readsMultiple() const { return m_readMultiple; }

private:
    std::vector<RequestResult> ask(std::vector<Message> requests, std::size_t inFlight, bool interruptible);
    std::string readObjectListByIndex(std::vector<ObjectId>& ids);
    void readByProperty(const std::vector<std::size_t>& which, bool all);
    void readMultiple(const std::vector<std::size_t>& which, bool all);
    bool apply(const PropertyReading& reading);
    void poll();
    void renew();
    Point* find(ObjectId object);

    Client& m_client;
    Endpoint m_device;
    std::uint32_t m_instance;
    std::function<bool()> m_stopped;
    std::uint32_t m_processId = 1;
    bool m_readMultiple = true;
    std::uint32_t m_lifetime = 0;
    Clock::time_point m_renewAt = Clock::time_point::max();
    Clock::time_point m_nextPoll = Clock::time_point::min();  // min: not yet following
    std::vector<Point> m_points;
    std::vector<std::pair<int, std::uint8_t>> m_held;  // output channel and priority, in the order driven
    std::deque<std::size_t> m_changed;
};

}  // namespace vaskiro::bacnet
