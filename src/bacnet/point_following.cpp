// Following the points once read: notifications as they come, polling where
// a subscription was refused, renewals, and a read of every point every
// refresh interval that tells whether the device still answers.
#include <algorithm>
#include <ctime>

#include "bacnet/point_checkout.h"
#include "bacnet/point_reading.h"
#include "core/local_time.h"

namespace vaskiro::bacnet {

namespace {

// "23:50:01", local time.
std::string clockTime(WallClock::time_point at) { return core::localTimeText(at, "%H:%M:%S"); }

}  // namespace

std::optional<WallClock::time_point> PointCheckout::silentSince() const {
    return m_silent ? std::optional(m_lastAnswer) : std::nullopt;
}

void PointCheckout::poll() {
    std::vector<std::size_t> polled;
    for (std::size_t i = 0; i < m_points.size(); ++i)
        if (!m_points[i].subscribed) polled.push_back(i);
    if (polled.empty()) return;
    if (m_readMultiple) readMultiple(polled, false);
    if (!m_readMultiple) readByProperty(polled, false);
}

void PointCheckout::startRefresh() {
    m_roundAnswered = false;
    m_roundUnanswered = false;
    for (std::size_t first = 0; first < m_points.size(); first += m_readMultiple ? kObjectsPerRead : 1) {
        const std::size_t end = std::min(m_points.size(), first + (m_readMultiple ? kObjectsPerRead : 1));
        std::vector<std::size_t> which;
        for (std::size_t i = first; i < end; ++i) which.push_back(i);
        if (!m_readMultiple) {
            m_roundQueue.push_back({ReadProperty{0, m_points[first].object, kPresentValue}, std::move(which)});
            continue;
        }
        ReadPropertyMultiple request;
        for (std::size_t i : which) {
            ReadAccess access{m_points[i].object, {{kPresentValue}, {kStatusFlags}}};
            if (m_points[i].kind == PointKind::Output) access.properties.push_back({kPriorityArray});
            request.objects.push_back(std::move(access));
        }
        m_roundQueue.push_back({std::move(request), std::move(which)});
    }
    std::reverse(m_roundQueue.begin(), m_roundQueue.end());  // sent from the back
}

bool PointCheckout::refreshing() const { return !m_roundQueue.empty() || !m_roundPending.empty(); }

bool PointCheckout::refreshAnswered() const {
    return std::any_of(m_roundPending.begin(), m_roundPending.end(),
                       [&](const RoundRequest& r) { return m_client.requestFinished(r.request); });
}

void PointCheckout::applyRefresh(const RoundRequest& sent, const RequestResult& result) {
    std::vector<PropertyReading> readings;
    if (const auto* ack = result ? std::get_if<ReadPropertyMultipleAck>(&*result) : nullptr) {
        if (auto read = readAccessResults(ack->results)) readings = std::move(*read);
    } else if (result) {
        readings.push_back(readingOf(m_points[sent.points.front()].object, kPresentValue, result));
    }
    for (const PropertyReading& reading : readings) {
        Point* point = find(reading.object);
        if (!point) continue;
        const auto index = static_cast<std::size_t>(point - m_points.data());
        const bool wasValued = point->value.has_value() && !point->stale;
        if (!applyReading(*point, reading)) continue;
        m_changed.push_back(index);
        // A subscribed point whose value moved with no notification: the device lost the subscription
        // (a restart) or the notification was lost; subscribed again. An analogue's move smaller than its
        // COV increment is no sign of either.
        if (point->subscribed && wasValued && reading.property == kPresentValue && point->kind != PointKind::Analogue)
            m_missed.push_back(index);
    }
}

void PointCheckout::serviceRefresh(const DeviceChanged& device) {
    for (auto at = m_roundPending.begin(); at != m_roundPending.end();) {
        if (!m_client.requestFinished(at->request)) {
            ++at;
            continue;
        }
        const RequestResult result = m_client.takeResult(at->request);
        if (result || result.error().refused()) {
            m_roundAnswered = true;
            answered();
        } else {
            m_roundUnanswered = true;
        }
        if (!result && result.error().kind == RequestFailure::Kind::Rejected &&
            std::holds_alternative<ReadPropertyMultiple>(at->message))
            m_readMultiple = false;
        applyRefresh(*at, result);
        at = m_roundPending.erase(at);
    }
    // A device that has answered nothing of this round is not asked the rest, one retry time after another.
    if (m_roundUnanswered && !m_roundAnswered) m_roundQueue.clear();
    while (!m_roundQueue.empty() && m_roundPending.size() < kRequestsInFlight) {
        RoundRequest next = std::move(m_roundQueue.back());
        m_roundQueue.pop_back();
        next.request = m_client.startRequest(m_device, next.message);
        m_roundPending.push_back(std::move(next));
    }
    if (refreshing() || m_silent || m_roundAnswered || !m_roundUnanswered) return;
    // A whole round without a reply: every value shown is as it was when the device last answered.
    m_silent = true;
    m_answeredWhileSilent = false;
    for (Point& point : m_points) point.stale = true;
    if (device) device({DeviceEvent::Kind::Silent, m_lastAnswer, "no reply since " + clockTime(m_lastAnswer)});
}

void PointCheckout::recover(const DeviceChanged& device) {
    m_silent = false;
    m_answeredWhileSilent = false;
    // A device that restarted has forgotten the subscriptions and perhaps the commands.
    if (m_lifetime) subscribeAll(m_lifetime);
    std::vector<std::size_t> all(m_points.size()), outputs;
    for (std::size_t i = 0; i < all.size(); ++i) {
        all[i] = i;
        if (m_points[i].kind == PointKind::Output) outputs.push_back(i);
    }
    if (m_readMultiple) readMultiple(all, false);
    if (!m_readMultiple) readByProperty(all, false);
    readOutputs(outputs);
    std::string text = "answers again; subscribed again and read afresh";
    std::erase_if(m_held, [&](const std::pair<int, std::uint8_t>& held) {
        const Point* point = output(held.first);
        if (!point || !point->priorities || (*point->priorities)[held.second - 1U]) return false;
        text += "; output." + std::to_string(held.first) + " is no longer held at priority " +
                std::to_string(held.second) + ": command it again if it should be";
        return true;
    });
    if (device) device({DeviceEvent::Kind::Answering, m_lastAnswer, text});
}

void PointCheckout::resubscribeMissed() {
    std::sort(m_missed.begin(), m_missed.end());
    m_missed.erase(std::unique(m_missed.begin(), m_missed.end()), m_missed.end());
    std::vector<Message> requests;
    for (std::size_t i : m_missed)
        requests.push_back(SubscribeCov{0, m_processId, m_points[i].object, false, m_lifetime});
    const std::vector<RequestResult> results = ask(std::move(requests), kRequestsInFlight, true);
    for (std::size_t i = 0; i < results.size(); ++i) m_points[m_missed[i]].subscribed = results[i].has_value();
    m_missed.clear();
}

void PointCheckout::follow(Clock::time_point until, const Changed& changed, const DeviceChanged& device) {
    if (m_nextPoll == Clock::time_point::min()) {
        m_nextPoll = Clock::now() + kPollInterval;
        m_nextRefresh = Clock::now() + kRefreshInterval;
    }
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
        if (anyPolled && !m_silent) wake = std::min(wake, m_nextPoll);
        if (anySubscribed && !m_silent) wake = std::min(wake, m_renewAt);
        if (!refreshing()) wake = std::min(wake, m_nextRefresh);
        m_client.wait(wake, [&] {
            return !m_changed.empty() || m_stopped() || refreshAnswered() || (m_silent && m_answeredWhileSilent);
        });
        serviceRefresh(device);
        drain();
        if (m_silent && m_answeredWhileSilent) recover(device);
        if (!m_silent && !m_missed.empty() && m_lifetime) resubscribeMissed();
        drain();
        const auto now = Clock::now();
        if (!m_silent && anyPolled && now >= m_nextPoll) {
            poll();
            m_nextPoll = now + kPollInterval;
            drain();
        }
        if (!m_silent && anySubscribed && now >= m_renewAt) {
            renew();
            drain();
        }
        if (!refreshing() && now >= m_nextRefresh) {
            startRefresh();
            serviceRefresh(device);
            m_nextRefresh = now + kRefreshInterval;
        }
    }
}

}  // namespace vaskiro::bacnet
