#include "bacnet/point_checkout.h"

#include <algorithm>

namespace vaskiro::bacnet {

namespace {

constexpr int kPointCounts[] = {16, 16, 8};  // inputs, outputs, analogues
constexpr std::size_t kObjectsPerRead = 8;   // keeps a ReadPropertyMultiple's reply well within 1476 octets
constexpr std::size_t kInFlight = 8;         // requests outstanding at once, for small devices' buffers

std::optional<PointKind> kindOf(std::uint16_t type) {
    switch (type) {
    case kBinaryInput: return PointKind::Input;
    case kBinaryOutput: return PointKind::Output;
    case kAnalogInput: return PointKind::Analogue;
    default: return std::nullopt;
    }
}

// A value of a ReadProperty acknowledgement as the primitive it is.
std::optional<Primitive> primitiveOf(const Value& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    if (const auto* number = std::get_if<std::uint32_t>(&value)) return *number;
    if (const auto* real = std::get_if<float>(&value)) return *real;
    if (const auto* bits = std::get_if<BitString>(&value)) return *bits;
    if (const auto* id = std::get_if<ObjectId>(&value)) return *id;
    return std::nullopt;
}

std::vector<std::uint32_t> propertiesOf(const Point& point, bool all) {
    if (!all) return {kPresentValue, kStatusFlags};
    if (point.kind == PointKind::Analogue) return {kObjectName, kPresentValue, kStatusFlags, kUnits};
    return {kObjectName, kPresentValue, kStatusFlags};
}

}  // namespace

const char* kindName(PointKind kind) {
    switch (kind) {
    case PointKind::Input: return "input";
    case PointKind::Output: return "output";
    case PointKind::Analogue: break;
    }
    return "analogue";
}

std::optional<SeenDevice> findDevice(Client& client, const Endpoint& to, std::uint32_t instance,
                                     std::chrono::milliseconds timeout) {
    std::string unused;  // a Who-Is that cannot be sent is answered by no one
    client.sendWhoIs(to, WhoIs{instance, instance}, unused);
    client.wait(Client::Clock::now() + timeout, [&] { return !client.seen().empty(); });
    if (client.seen().empty()) return std::nullopt;
    return client.seen().front();
}

PointCheckout::PointCheckout(Client& client, const Endpoint& device, std::uint32_t instance,
                             std::function<bool()> stopped)
    : m_client(client), m_device(device), m_instance(instance), m_stopped(std::move(stopped)) {
    m_client.onNotification([this](const CovNotification& notification, const Endpoint& from) {
        if (from != m_device || notification.processId != m_processId) return;
        const Point* point = find(notification.object);
        if (!point || !point->subscribed) return;
        if (auto readings = propertyValues(notification.values, notification.object))
            for (const PropertyReading& reading : *readings)
                if (apply(reading)) m_changed.push_back(static_cast<std::size_t>(point - m_points.data()));
    });
}

PointCheckout::~PointCheckout() { m_client.onNotification(nullptr); }

std::vector<RequestResult> PointCheckout::ask(std::vector<Message> requests, std::size_t inFlight, bool interruptible) {
    std::vector<RequestResult> results(requests.size());
    for (std::size_t first = 0; first < requests.size(); first += inFlight) {
        if (interruptible && m_stopped()) break;
        std::vector<std::size_t> started;
        for (std::size_t i = first; i < std::min(requests.size(), first + inFlight); ++i)
            started.push_back(m_client.startRequest(m_device, std::move(requests[i])));
        m_client.wait(Clock::time_point::max(), [&] {
            return (interruptible && m_stopped()) || std::all_of(started.begin(), started.end(), [&](std::size_t r) {
                       return m_client.requestFinished(r);
                   });
        });
        for (std::size_t i = 0; i < started.size(); ++i) results[first + i] = m_client.takeResult(started[i]);
    }
    return results;
}

std::string PointCheckout::findPoints() {
    const ObjectId device{kDeviceObjectType, m_instance};
    std::vector<ObjectId> ids;
    // The whole object-list in one ReadPropertyMultiple when it fits; by index when it does not or the
    // device does not take ReadPropertyMultiple.
    RequestResult whole = ask({ReadPropertyMultiple{0, {{device, {{kObjectList, {}}}}}}}, 1, true).front();
    if (!whole.reply && !whole.refused) return whole.error;
    if (!whole.reply && whole.error.rfind("aborted", 0) != 0) m_readMultiple = false;
    std::optional<std::vector<PropertyReading>> readings;
    if (whole.reply) readings = readAccessResults(std::get<ReadPropertyMultipleAck>(*whole.reply).results);
    if (readings && readings->size() == 1 && readings->front().error.empty()) {
        for (const Primitive& item : readings->front().values)
            if (const auto* id = std::get_if<ObjectId>(&item)) ids.push_back(*id);
    } else if (std::string why = readObjectListByIndex(ids); !why.empty()) {
        return why;
    }
    std::sort(ids.begin(), ids.end(), [](const ObjectId& a, const ObjectId& b) {
        return std::pair(a.type, a.instance) < std::pair(b.type, b.instance);
    });
    int counts[3] = {};
    m_points.clear();
    for (PointKind kind : {PointKind::Input, PointKind::Output, PointKind::Analogue})
        for (const ObjectId& id : ids) {
            const auto k = static_cast<std::size_t>(kind);
            if (kindOf(id.type) == kind && counts[k] < kPointCounts[k]) m_points.push_back({kind, ++counts[k], id});
        }
    if (m_points.empty()) return "the device's object-list holds no binary-input, binary-output or analog-input";
    return {};
}

std::string PointCheckout::readObjectListByIndex(std::vector<ObjectId>& ids) {
    const ObjectId device{kDeviceObjectType, m_instance};
    RequestResult length = ask({ReadProperty{0, device, kObjectList, 0}}, 1, true).front();
    const auto* ack = length.reply ? std::get_if<ReadPropertyAck>(&*length.reply) : nullptr;
    const auto* count = ack ? std::get_if<std::uint32_t>(&ack->value) : nullptr;
    if (!count) return "object-list[0] not read: " + (length.reply ? "not a number" : length.error);
    std::vector<Message> requests;
    for (std::uint32_t index = 1; index <= std::min<std::uint32_t>(*count, 4096); ++index)
        requests.push_back(ReadProperty{0, device, kObjectList, index});
    for (const RequestResult& result : ask(std::move(requests), kInFlight, true)) {
        const auto* element = result.reply ? std::get_if<ReadPropertyAck>(&*result.reply) : nullptr;
        if (const auto* id = element ? std::get_if<ObjectId>(&element->value) : nullptr)
            ids.push_back(*id);
        else if (!result.refused)
            return "object-list not read: " + result.error;
    }
    return {};
}

Point* PointCheckout::find(ObjectId object) {
    auto found = std::find_if(m_points.begin(), m_points.end(), [&](const Point& p) { return p.object == object; });
    return found == m_points.end() ? nullptr : &*found;
}

bool PointCheckout::apply(const PropertyReading& reading) {
    Point* point = find(reading.object);
    if (!point) return false;
    const bool valued = reading.error.empty() && reading.values.size() == 1;
    switch (reading.property) {
    case kObjectName:
        if (const auto* name = valued ? std::get_if<std::string>(&reading.values.front()) : nullptr)
            point->name = *name;
        return false;
    case kUnits:
        if (const auto* units = valued ? std::get_if<Enumerated>(&reading.values.front()) : nullptr)
            point->units = units->value;
        else if (const auto* number = valued ? std::get_if<std::uint32_t>(&reading.values.front()) : nullptr)
            point->units = *number;
        return false;
    case kStatusFlags: {
        const auto* bits = valued ? std::get_if<BitString>(&reading.values.front()) : nullptr;
        if (!bits || bits->bits == point->flags.bits) return false;
        point->flags = *bits;
        return true;
    }
    case kPresentValue: {
        if (!valued) {
            // A value that stops coming (a device gone quiet, an error) is a change to say.
            const std::string why = reading.error.empty() ? "not one value" : reading.error;
            const bool changed = point->error != why;
            point->error = why;
            point->value.reset();
            return changed;
        }
        Primitive value = reading.values.front();
        if (const auto* number = std::get_if<std::uint32_t>(&value)) value = Enumerated{*number};
        const bool changed = !point->value || !(*point->value == value) || !point->error.empty();
        point->value = value;
        point->error.clear();
        return changed;
    }
    default: return false;
    }
}

void PointCheckout::readAll() {
    std::vector<std::size_t> all(m_points.size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
    if (m_readMultiple) readMultiple(all, true);
    if (!m_readMultiple) readByProperty(all, true);
    m_changed.clear();  // the first values are no change
}

void PointCheckout::readMultiple(const std::vector<std::size_t>& which, bool all) {
    std::vector<Message> requests;
    for (std::size_t first = 0; first < which.size(); first += kObjectsPerRead) {
        ReadPropertyMultiple request;
        for (std::size_t i = first; i < std::min(which.size(), first + kObjectsPerRead); ++i) {
            ReadAccess access{m_points[which[i]].object, {}};
            for (std::uint32_t property : propertiesOf(m_points[which[i]], all))
                access.properties.push_back({property});
            request.objects.push_back(std::move(access));
        }
        requests.push_back(std::move(request));
    }
    std::size_t chunk = 0;
    for (const RequestResult& result : ask(std::move(requests), kInFlight, true)) {
        const std::size_t first = chunk;
        chunk += kObjectsPerRead;
        if (!result.reply) {
            if (result.refused && result.error.rfind("aborted", 0) != 0) m_readMultiple = false;
            if (result.refused) continue;
            for (std::size_t i = first; i < std::min(which.size(), first + kObjectsPerRead); ++i)
                if (apply({m_points[which[i]].object, kPresentValue, {}, {}, result.error}))
                    m_changed.push_back(which[i]);
            continue;
        }
        if (auto readings = readAccessResults(std::get<ReadPropertyMultipleAck>(*result.reply).results))
            for (const PropertyReading& reading : *readings)
                if (apply(reading))
                    m_changed.push_back(static_cast<std::size_t>(find(reading.object) - m_points.data()));
    }
}

void PointCheckout::readByProperty(const std::vector<std::size_t>& which, bool all) {
    for (auto at = which.begin(); at != which.end(); ++at) {
        Point& point = m_points[*at];
        const std::size_t index = *at;
        for (std::uint32_t property : propertiesOf(point, all)) {
            RequestResult result = ask({ReadProperty{0, point.object, property}}, 1, true).front();
            if (!result.reply && !result.refused) {
                // A device that does not answer one request is not asked the rest, one retry time after another.
                for (; at != which.end(); ++at)
                    if (apply({m_points[*at].object, kPresentValue, {}, {}, result.error})) m_changed.push_back(*at);
                return;
            }
            PropertyReading reading{point.object, property};
            const auto* ack = result.reply ? std::get_if<ReadPropertyAck>(&*result.reply) : nullptr;
            const auto value = ack ? primitiveOf(ack->value) : std::nullopt;
            if (value)
                reading.values.push_back(*value);
            else
                reading.error = ack ? "a value this tool does not read" : result.error;
            if (apply(reading)) m_changed.push_back(index);
        }
    }
}

void PointCheckout::subscribeAll(std::uint32_t lifetime) {
    m_lifetime = lifetime;
    std::vector<Message> requests;
    for (const Point& point : m_points) requests.push_back(SubscribeCov{0, m_processId, point.object, false, lifetime});
    const auto sent = Clock::now();
    const std::vector<RequestResult> results = ask(std::move(requests), kInFlight, true);
    for (std::size_t i = 0; i < results.size(); ++i) m_points[i].subscribed = results[i].reply.has_value();
    // Renewed when three quarters of the lifetime have passed, so that a lost renewal is retried in time.
    m_renewAt = sent + std::chrono::seconds(lifetime) * 3 / 4;
}

void PointCheckout::renew() {
    std::vector<Message> requests;
    std::vector<std::size_t> which;
    for (std::size_t i = 0; i < m_points.size(); ++i) {
        if (!m_points[i].subscribed) continue;
        requests.push_back(SubscribeCov{0, m_processId, m_points[i].object, false, m_lifetime});
        which.push_back(i);
    }
    const auto sent = Clock::now();
    const std::vector<RequestResult> results = ask(std::move(requests), kInFlight, true);
    for (std::size_t i = 0; i < results.size(); ++i) m_points[which[i]].subscribed = results[i].reply.has_value();
    m_renewAt = sent + std::chrono::seconds(m_lifetime) * 3 / 4;
}

void PointCheckout::poll() {
    std::vector<std::size_t> polled;
    for (std::size_t i = 0; i < m_points.size(); ++i)
        if (!m_points[i].subscribed) polled.push_back(i);
    if (polled.empty()) return;
    if (m_readMultiple) readMultiple(polled, false);
    if (!m_readMultiple) readByProperty(polled, false);
}

void PointCheckout::follow(Clock::time_point until, const std::function<void(std::size_t)>& changed) {
    if (m_nextPoll == Clock::time_point::min()) m_nextPoll = Clock::now() + kPollInterval;
    const auto drain = [&] {
        while (!m_changed.empty()) {
            const std::size_t index = m_changed.front();
            m_changed.pop_front();
            changed(index);
        }
    };
    drain();
    while (!m_stopped() && Clock::now() < until) {
        const auto subscribed = [](const Point& p) { return p.subscribed; };
        const bool anyPolled = !std::all_of(m_points.begin(), m_points.end(), subscribed);
        const bool anySubscribed = std::any_of(m_points.begin(), m_points.end(), subscribed);
        auto wake = until;
        if (anyPolled) wake = std::min(wake, m_nextPoll);
        if (anySubscribed) wake = std::min(wake, m_renewAt);
        m_client.wait(wake, [&] { return !m_changed.empty() || m_stopped(); });
        drain();
        const auto now = Clock::now();
        if (anyPolled && now >= m_nextPoll) {
            poll();
            m_nextPoll = now + kPollInterval;
            drain();
        }
        if (anySubscribed && now >= m_renewAt) {
            renew();
            drain();
        }
    }
}

void PointCheckout::cancelSubscriptions() {
    std::vector<Message> requests;
    for (Point& point : m_points) {
        if (point.subscribed) requests.push_back(SubscribeCov{0, m_processId, point.object});
        point.subscribed = false;
    }
    ask(std::move(requests), requests.size() + 1, false);
}

std::string PointCheckout::command(int channel, std::optional<bool> active, std::uint8_t priority) {
    auto output = std::find_if(m_points.begin(), m_points.end(),
                               [&](const Point& p) { return p.kind == PointKind::Output && p.channel == channel; });
    if (output == m_points.end()) return "the device has no output " + std::to_string(channel);
    Writer value;
    if (active)
        writePrimitive(value, Enumerated{*active ? 1u : 0u});
    else
        writePrimitive(value, Null{});
    Message write = WriteProperty{0, output->object, kPresentValue, {}, std::move(value.m_bytes), priority};
    const RequestResult result = ask({std::move(write)}, 1, false).front();
    if (!result.reply) return result.error;
    std::erase_if(m_held, [&](const auto& held) { return held.first == channel && held.second == priority; });
    if (active) m_held.emplace_back(channel, priority);
    return {};
}

std::vector<int> PointCheckout::held() const {
    std::vector<int> channels;
    for (const auto& [channel, priority] : m_held) channels.push_back(channel);
    return channels;
}

std::vector<int> PointCheckout::releaseAll() {
    std::vector<Message> requests;
    for (const auto& [channel, priority] : m_held) {
        ObjectId object;
        for (const Point& point : m_points)
            if (point.kind == PointKind::Output && point.channel == channel) object = point.object;
        Writer null;
        writePrimitive(null, Null{});
        requests.push_back(WriteProperty{0, object, kPresentValue, {}, std::move(null.m_bytes), priority});
    }
    const std::vector<RequestResult> results = ask(std::move(requests), m_held.size() + 1, false);
    std::vector<std::pair<int, std::uint8_t>> still;
    for (std::size_t i = 0; i < results.size(); ++i)
        if (!results[i].reply) still.push_back(m_held[i]);
    m_held = std::move(still);
    return held();
}

}  // namespace vaskiro::bacnet
