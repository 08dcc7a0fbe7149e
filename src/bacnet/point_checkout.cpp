#include "bacnet/point_checkout.h"

#include <algorithm>

#include "bacnet/object_inventory.h"
#include "bacnet/point_reading.h"

namespace vaskiro::bacnet {

namespace {

constexpr int kPointCounts[] = {16, 16, 8};  // inputs, outputs, analogues

std::optional<PointKind> kindOf(std::uint16_t type) {
    switch (type) {
    case kBinaryInput: return PointKind::Input;
    case kBinaryOutput: return PointKind::Output;
    case kAnalogInput: return PointKind::Analogue;
    default: return std::nullopt;
    }
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

core::NameGroup nameGroup(PointKind kind) {
    return kind == PointKind::Input    ? core::NameGroup::Input
           : kind == PointKind::Output ? core::NameGroup::Output
                                       : core::NameGroup::Analogue;
}

std::string objectText(const ObjectId& id) { return objectTypeName(id.type) + "," + std::to_string(id.instance); }

std::optional<int> commandingPriority(const PriorityArray& priorities) {
    for (std::size_t slot = 0; slot < priorities.size(); ++slot)
        if (priorities[slot]) return static_cast<int>(slot) + 1;
    return std::nullopt;
}

std::optional<SeenDevice> findDevice(Client& client, const Endpoint& to, std::uint32_t instance,
                                     std::chrono::milliseconds timeout) {
    (void)client.sendWhoIs(to, WhoIs{instance, instance});  // one that cannot be sent is answered by no one
    client.wait(Client::Clock::now() + timeout, [&] { return !client.seen().empty(); });
    if (client.seen().empty()) return std::nullopt;
    return client.seen().front();
}

PointCheckout::PointCheckout(Client& client, const Endpoint& device, std::uint32_t instance,
                             std::function<bool()> stopped)
    : m_client(client), m_device(device), m_instance(instance), m_stopped(std::move(stopped)) {
    m_client.onNotification([this](const CovNotification& notification, const Endpoint& from) {
        // Another device's, another subscriber's, or one made up at the device's address: not ours.
        if (from != m_device || notification.processId != m_processId ||
            notification.device != ObjectId{kDeviceObjectType, m_instance})
            return;
        const Point* point = find(notification.object);
        if (!point || !point->subscribed) return;
        answered();
        if (auto readings = propertyValues(notification.values, notification.object))
            for (const PropertyReading& reading : *readings)
                if (apply(reading)) m_changed.push_back(static_cast<std::size_t>(point - m_points.data()));
    });
}

PointCheckout::~PointCheckout() { m_client.onNotification(nullptr); }

std::vector<RequestResult> PointCheckout::ask(std::vector<Message> requests, std::size_t inFlight, bool interruptible) {
    std::vector<RequestResult> results(requests.size(), kNoReply);
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
        for (std::size_t i = 0; i < started.size(); ++i) {
            results[first + i] = m_client.takeResult(started[i]);
            if (results[first + i] || results[first + i].error().refused()) answered();
        }
    }
    return results;
}

void PointCheckout::answered() {
    m_lastAnswer = WallClock::now();
    if (m_silent) m_answeredWhileSilent = true;
}

core::Result<void> PointCheckout::findPoints() {
    using Refusal = core::Unexpected<std::string>;
    const ObjectId device{kDeviceObjectType, m_instance};
    // The whole object-list in one ReadPropertyMultiple when it fits; by index when it does not, or the
    // device rejects ReadPropertyMultiple, or leaves it unanswered for a retry interval while it answers
    // ReadProperty of the list's length.
    const std::size_t multiple =
        m_client.startRequest(m_device, ReadPropertyMultiple{0, {{device, {{kObjectList, {}}}}}});
    const auto finished = [&](std::optional<std::size_t> request) {
        return request && m_client.requestFinished(*request);
    };
    m_client.wait(Clock::now() + m_client.retryInterval(), [&] { return m_stopped() || finished(multiple); });
    std::optional<std::size_t> single;
    if (!finished(multiple)) single = m_client.startRequest(m_device, ReadProperty{0, device, kObjectList, 0});
    m_client.wait(Clock::time_point::max(), [&] { return m_stopped() || finished(multiple) || finished(single); });
    std::optional<std::uint32_t> count;
    if (finished(single) && !finished(multiple)) {
        RequestResult length = m_client.takeResult(*single);
        single.reset();
        count = listLength(length);
        if (count) {
            m_readMultiple = false;
            (void)m_client.takeResult(multiple);  // abandoned: a late reply is ignored
        } else {
            m_client.wait(Clock::time_point::max(), [&] { return m_stopped() || finished(multiple); });
        }
    }
    std::optional<std::vector<PropertyReading>> readings;
    if (!count) {
        RequestResult whole = m_client.takeResult(multiple);
        if (single) (void)m_client.takeResult(*single);
        if (!whole && !whole.error().refused()) return Refusal(whole.error().text);
        answered();
        if (!whole && whole.error().kind != RequestFailure::Kind::Aborted) m_readMultiple = false;
        if (whole) readings = readAccessResults(std::get<ReadPropertyMultipleAck>(*whole).results);
    }
    std::vector<ObjectId> ids;
    if (readings && readings->size() == 1 && readings->front().error.empty()) {
        for (const Primitive& item : readings->front().values)
            if (const auto* id = std::get_if<ObjectId>(&item)) ids.push_back(*id);
    } else if (auto listed = readObjectListByIndex(count)) {
        ids = std::move(*listed);
    } else {
        return Refusal(listed.error());
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
    if (m_points.empty())
        return Refusal("the device's object-list holds no binary-input, binary-output or analog-input");
    return {};
}

core::Result<std::vector<ObjectId>> PointCheckout::readObjectListByIndex(std::optional<std::uint32_t> count) {
    using Refusal = core::Unexpected<std::string>;
    const ObjectId device{kDeviceObjectType, m_instance};
    if (!count) {
        RequestResult length = ask({ReadProperty{0, device, kObjectList, 0}}, 1, true).front();
        count = listLength(length);
        if (!count) return Refusal("object-list[0] not read: " + (length ? "not a number" : length.error().text));
    }
    std::vector<ObjectId> ids;
    std::vector<Message> requests;
    for (std::uint32_t index = 1; index <= std::min<std::uint32_t>(*count, 4096); ++index)
        requests.push_back(ReadProperty{0, device, kObjectList, index});
    for (const RequestResult& result : ask(std::move(requests), kRequestsInFlight, true)) {
        const auto* element = result ? std::get_if<ReadPropertyAck>(&*result) : nullptr;
        if (const auto* id = element ? std::get_if<ObjectId>(&element->value) : nullptr)
            ids.push_back(*id);
        else if (!result && !result.error().refused())
            return Refusal("object-list not read: " + result.error().text);
    }
    return ids;
}

Point* PointCheckout::find(ObjectId object) {
    auto found = std::find_if(m_points.begin(), m_points.end(), [&](const Point& p) { return p.object == object; });
    return found == m_points.end() ? nullptr : &*found;
}

Point* PointCheckout::output(int channel) {
    auto found = std::find_if(m_points.begin(), m_points.end(),
                              [&](const Point& p) { return p.kind == PointKind::Output && p.channel == channel; });
    return found == m_points.end() ? nullptr : &*found;
}

bool PointCheckout::apply(const PropertyReading& reading) {
    Point* point = find(reading.object);
    return point && applyReading(*point, reading);
}

void PointCheckout::readAll() {
    std::vector<std::size_t> all(m_points.size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
    if (m_readMultiple) readMultiple(all, true);
    if (!m_readMultiple) readByProperty(all, true);
    std::vector<std::size_t> outputs;
    for (std::size_t i = 0; i < m_points.size(); ++i)
        if (m_points[i].kind == PointKind::Output) outputs.push_back(i);
    readOutputs(outputs);
    m_changed.clear();  // the first values are no change
}

void PointCheckout::readMultiple(const std::vector<std::size_t>& which, bool all) {
    std::vector<Message> requests;
    for (std::size_t first = 0; first < which.size(); first += kObjectsPerRead) {
        ReadPropertyMultiple request;
        for (std::size_t i = first; i < std::min(which.size(), first + kObjectsPerRead); ++i) {
            ReadAccess access{m_points[which[i]].object, {}};
            for (std::uint32_t property : propertiesToRead(m_points[which[i]], all))
                access.properties.push_back({property});
            request.objects.push_back(std::move(access));
        }
        requests.push_back(std::move(request));
    }
    std::size_t chunk = 0;
    for (const RequestResult& result : ask(std::move(requests), kRequestsInFlight, true)) {
        const std::size_t first = chunk;
        chunk += kObjectsPerRead;
        if (!result) {
            const RequestFailure& failure = result.error();
            if (failure.refused() && failure.kind != RequestFailure::Kind::Aborted) m_readMultiple = false;
            if (failure.refused()) continue;
            for (std::size_t i = first; i < std::min(which.size(), first + kObjectsPerRead); ++i)
                if (apply({m_points[which[i]].object, kPresentValue, {}, {}, failure.text}))
                    m_changed.push_back(which[i]);
            continue;
        }
        if (auto readings = readAccessResults(std::get<ReadPropertyMultipleAck>(*result).results))
            for (const PropertyReading& reading : *readings)
                if (apply(reading))
                    m_changed.push_back(static_cast<std::size_t>(find(reading.object) - m_points.data()));
    }
}

void PointCheckout::readByProperty(const std::vector<std::size_t>& which, bool all) {
    for (auto at = which.begin(); at != which.end(); ++at) {
        Point& point = m_points[*at];
        const std::size_t index = *at;
        for (std::uint32_t property : propertiesToRead(point, all)) {
            RequestResult result = ask({ReadProperty{0, point.object, property}}, 1, true).front();
            if (!result && !result.error().refused()) {
                // A device that does not answer one request is not asked the rest, one retry time after another.
                for (; at != which.end(); ++at)
                    if (apply({m_points[*at].object, kPresentValue, {}, {}, result.error().text}))
                        m_changed.push_back(*at);
                return;
            }
            if (apply(readingOf(point.object, property, result))) m_changed.push_back(index);
        }
    }
}

void PointCheckout::subscribeAll(std::uint32_t lifetime) {
    m_lifetime = lifetime;
    std::vector<Message> requests;
    for (const Point& point : m_points) requests.push_back(SubscribeCov{0, m_processId, point.object, false, lifetime});
    const auto sent = Clock::now();
    const std::vector<RequestResult> results = ask(std::move(requests), kRequestsInFlight, true);
    for (std::size_t i = 0; i < results.size(); ++i) m_points[i].subscribed = results[i].has_value();
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
    const std::vector<RequestResult> results = ask(std::move(requests), kRequestsInFlight, true);
    for (std::size_t i = 0; i < results.size(); ++i) m_points[which[i]].subscribed = results[i].has_value();
    m_renewAt = sent + std::chrono::seconds(m_lifetime) * 3 / 4;
}

void PointCheckout::cancelSubscriptions() {
    std::vector<Message> requests;
    for (Point& point : m_points) {
        if (point.subscribed) requests.push_back(SubscribeCov{0, m_processId, point.object});
        point.subscribed = false;
    }
    const std::size_t all = requests.size() + 1;
    ask(std::move(requests), all, false);
}

}  // namespace vaskiro::bacnet
