#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bacnet/client.h"
#include "bacnet/point_values.h"
#include "core/configuration_image.h"
#include "core/result.h"

namespace vaskiro::bacnet {

using WallClock = std::chrono::system_clock;

// Manual operator: the priority the checkout commands at unless told otherwise.
inline constexpr std::uint8_t kOperatorPriority = 8;
// A binary output's priority-array: slot 0 is priority 1; nothing is Null.
using PriorityArray = std::array<std::optional<bool>, 16>;
// The priority that commands an output: the highest (1 first) that is not
// Null; nothing when none is, and the relinquish-default commands it.
std::optional<int> commandingPriority(const PriorityArray& priorities);

enum class PointKind { Input, Output, Analogue };
// "input", "output", "analogue"
const char* kindName(PointKind kind);
// The configured names of a kind's points.
core::NameGroup nameGroup(PointKind kind);
// "binary-output,7"; a type without a name by its number (objectTypeName).
std::string objectText(const ObjectId& id);

// One of a device's wired points as the network shows it.
struct Point {
    PointKind kind = PointKind::Input;
    int channel = 1;  // 1-based, in instance order within its kind
    ObjectId object{};
    std::string name{};                         // object-name on the device, as it sent it
    std::optional<Primitive> value{};           // present-value
    BitString flags{};                          // status-flags
    std::optional<std::uint32_t> units{};       // analogue inputs
    bool subscribed = false;                    // by COV; polled otherwise
    std::string error{};                        // why there is no value; empty when there is
    WallClock::time_point receivedAt{};         // when the value was last read or notified; the epoch: never
    bool stale = false;                         // the device has not answered since receivedAt
    std::optional<PriorityArray> priorities{};  // outputs, as last read
};

// What became of a command to an output, read back from the device.
struct CommandOutcome {
    enum class Verdict {
        AsAsked,     // the output is where the operator asked, by this command
        Overridden,  // taken, but another priority commands the output
        Failed,      // not taken, not read back, or not shown by the device
    };
    Verdict verdict = Verdict::Failed;
    // One line: "output.7 on, held at priority 8", "output.7 still on: held
    // at priority 3 by another command", "the device did not take ...".
    std::string text;
    std::optional<bool> value{};                // present-value read back
    std::optional<PriorityArray> priorities{};  // read back
    std::optional<int> commandedBy{};           // commandingPriority() of what was read back
};

// An output commanded at the operator priority that this checkout did not command.
struct Leftover {
    int channel = 0;
    bool active = false;
    std::string text;  // "output.3 held at priority 8, perhaps left by an earlier session"
};

// The device as a whole went silent, or answers again.
struct DeviceEvent {
    enum class Kind { Silent, Answering };
    Kind kind = Kind::Silent;
    WallClock::time_point lastAnswer{};  // when it last answered before it went silent
    // "no reply since 23:50:01"; "answers again; subscribed again and read
    // afresh" with what it no longer holds of this checkout's commands.
    std::string text;
};

// Finds the device with `instance` by a Who-Is for that instance alone sent
// to `to`, within `timeout`; nothing when it did not answer.
std::optional<SeenDevice> findDevice(Client& client, const Endpoint& to, std::uint32_t instance,
                                     std::chrono::milliseconds timeout);

// The checkout of one device's points: finds them from its object-list
// (binary-input, binary-output and analog-input objects in instance order
// are inputs 1-16, outputs 1-16 and analogues 1-8; instance numbers are not
// assumed), reads them (ReadPropertyMultiple where the device takes it,
// ReadProperty where it rejects or ignores it), follows them by COV
// subscriptions renewed before they end (polled every second where a
// subscription is refused) and by a read of every point every
// kRefreshInterval, which notices a device gone silent or back, a
// notification missed, and an analogue that moves less than its COV
// increment. Commands outputs at a priority and reads each command back,
// keeping which it holds so that they can all be released. Notifications
// count only from the device's address and port, with its instance and this
// checkout's process identifier. Blocking; `stopped` ends waits early (a
// Ctrl-C), except those of commanding, releasing and cancelling, which end
// within four retry intervals (the client's retries).
class PointCheckout {
public:
    using Clock = Client::Clock;
    using Changed = std::function<void(std::size_t)>;
    using DeviceChanged = std::function<void(const DeviceEvent&)>;
    static constexpr std::chrono::milliseconds kPollInterval{1000};
    static constexpr std::chrono::milliseconds kRefreshInterval{2000};

    PointCheckout(Client& client, const Endpoint& device, std::uint32_t instance, std::function<bool()> stopped);
    PointCheckout(const PointCheckout&) = delete;
    PointCheckout& operator=(const PointCheckout&) = delete;
    ~PointCheckout();

    // Finds the points, or says why they were not found ("no reply", ...).
    core::Result<void> findPoints();
    // Every point's name, value, flags, units, and the outputs' priority-arrays.
    void readAll();
    // Subscribes to every point for `lifetime` seconds; those refused are polled.
    void subscribeAll(std::uint32_t lifetime);
    // Until `until` or stopped: notifications, polling, refreshing and
    // renewals; `changed` with the index of each point whose value or flags
    // changed, or that is fresh again; `device` when the device goes silent
    // (every point is then stale) or answers again.
    void follow(Clock::time_point until, const Changed& changed, const DeviceChanged& device = nullptr);
    void cancelSubscriptions();

    // Drives output `channel` active or inactive at `priority` (1-16), or
    // with nothing releases it there, then reads back its present-value and
    // priority-array.
    CommandOutcome drive(int channel, std::optional<bool> active, std::uint8_t priority);
    // drive(), failing with its text when the output is not where asked.
    core::Result<void> command(int channel, std::optional<bool> active, std::uint8_t priority);
    // Releases every output this checkout holds, all at once, and reads them
    // back; returns those still held (the device did not take the release or
    // still shows the command).
    std::vector<int> releaseAll();
    std::vector<int> held() const;
    // After readAll(): outputs held at kOperatorPriority by no command of this checkout.
    std::vector<Leftover> leftovers() const;

    const std::vector<Point>& points() const { return m_points; }
    bool readsMultiple() const { return m_readMultiple; }
    // When the device last answered, while it does not answer; nothing while it does.
    std::optional<WallClock::time_point> silentSince() const;

private:
    std::vector<RequestResult> ask(std::vector<Message> requests, std::size_t inFlight, bool interruptible);
    core::Result<std::vector<ObjectId>> readObjectListByIndex(std::optional<std::uint32_t> count);
    void readByProperty(const std::vector<std::size_t>& which, bool all);
    void readMultiple(const std::vector<std::size_t>& which, bool all);
    void readOutputs(const std::vector<std::size_t>& outputs);
    bool apply(const PropertyReading& reading);
    void answered();
    void poll();
    void renew();
    struct RoundRequest;
    void startRefresh();
    bool refreshing() const;
    bool refreshAnswered() const;
    void applyRefresh(const RoundRequest& sent, const RequestResult& result);
    void serviceRefresh(const DeviceChanged& device);
    void recover(const DeviceChanged& device);
    void resubscribeMissed();
    Point* find(ObjectId object);
    Point* output(int channel);

    Client& m_client;
    Endpoint m_device;
    std::uint32_t m_instance;
    std::function<bool()> m_stopped;
    std::uint32_t m_processId = 1;
    bool m_readMultiple = true;
    std::uint32_t m_lifetime = 0;
    Clock::time_point m_renewAt = Clock::time_point::max();
    Clock::time_point m_nextPoll = Clock::time_point::min();  // min: not yet following
    Clock::time_point m_nextRefresh = Clock::time_point::min();
    WallClock::time_point m_lastAnswer{};
    bool m_silent = false;
    bool m_answeredWhileSilent = false;
    std::vector<Point> m_points;
    std::vector<std::pair<int, std::uint8_t>> m_held;  // output channel and priority, in the order driven
    std::deque<std::size_t> m_changed;
    std::vector<std::size_t> m_missed;  // subscribed points whose read showed a change no notification told
    // The refresh round under way: requests not yet sent (sent from the back), and those awaiting replies.
    struct RoundRequest {
        Message message;
        std::vector<std::size_t> points;
        std::size_t request = 0;
    };
    std::vector<RoundRequest> m_roundQueue;
    std::vector<RoundRequest> m_roundPending;
    bool m_roundAnswered = false;
    bool m_roundUnanswered = false;
};

}  // namespace vaskiro::bacnet
