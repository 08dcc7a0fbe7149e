// Commanding outputs: each command read back, every command of the checkout
// released, and commands at the operator priority left by someone else.
#include <algorithm>

#include "bacnet/command_verdict.h"
#include "bacnet/point_checkout.h"
#include "bacnet/point_reading.h"

namespace vaskiro::bacnet {

namespace {

std::vector<std::uint8_t> commandValue(std::optional<bool> active) {
    Writer value;
    if (active)
        writePrimitive(value, Enumerated{*active ? 1u : 0u});
    else
        writePrimitive(value, Null{});
    return std::move(value.m_bytes);
}

}  // namespace

void PointCheckout::readOutputs(const std::vector<std::size_t>& outputs) {
    if (m_readMultiple) {
        std::vector<Message> requests;
        for (std::size_t first = 0; first < outputs.size(); first += kObjectsPerRead) {
            ReadPropertyMultiple request;
            for (std::size_t i = first; i < std::min(outputs.size(), first + kObjectsPerRead); ++i)
                request.objects.push_back({m_points[outputs[i]].object, {{kPresentValue}, {kPriorityArray}}});
            requests.push_back(std::move(request));
        }
        for (const RequestResult& result : ask(std::move(requests), kRequestsInFlight, false)) {
            const auto* ack = result ? std::get_if<ReadPropertyMultipleAck>(&*result) : nullptr;
            if (auto readings = ack ? readAccessResults(ack->results) : std::nullopt)
                for (const PropertyReading& reading : *readings)
                    if (apply(reading))
                        m_changed.push_back(static_cast<std::size_t>(find(reading.object) - m_points.data()));
        }
        return;
    }
    // One ReadProperty for the present-value and one for each of the 16 slots.
    std::vector<Message> requests;
    for (std::size_t index : outputs) {
        requests.push_back(ReadProperty{0, m_points[index].object, kPresentValue});
        for (std::uint32_t slot = 1; slot <= PriorityArray{}.size(); ++slot)
            requests.push_back(ReadProperty{0, m_points[index].object, kPriorityArray, slot});
    }
    const std::vector<RequestResult> results = ask(std::move(requests), kRequestsInFlight, false);
    const std::size_t each = PriorityArray{}.size() + 1;
    for (std::size_t n = 0; n < outputs.size(); ++n) {
        Point& point = m_points[outputs[n]];
        if (applyReading(point, readingOf(point.object, kPresentValue, results[n * each])))
            m_changed.push_back(outputs[n]);
        PropertyReading slots{point.object, kPriorityArray};
        for (std::size_t slot = 1; slot < each; ++slot) {
            const PropertyReading element = readingOf(point.object, kPriorityArray, results[n * each + slot]);
            if (!element.error.empty()) slots.error = element.error;
            slots.values.insert(slots.values.end(), element.values.begin(), element.values.end());
        }
        applyReading(point, slots);
    }
}

CommandOutcome PointCheckout::drive(int channel, std::optional<bool> active, std::uint8_t priority) {
    const std::string asked = !active ? "release" : *active ? "on" : "off";
    const std::string command =
        "output." + std::to_string(channel) + " " + asked + " at priority " + std::to_string(priority);
    Point* point = output(channel);
    if (!point) return {CommandOutcome::Verdict::Failed, "the device has no output " + std::to_string(channel)};
    const RequestResult result =
        ask({WriteProperty{0, point->object, kPresentValue, {}, commandValue(active), priority}}, 1, false).front();
    if (!result)
        return {CommandOutcome::Verdict::Failed, "the device did not take " + command + ": " + result.error().text};
    std::erase_if(m_held, [&](const auto& held) { return held.first == channel && held.second == priority; });
    if (active) m_held.emplace_back(channel, priority);
    const auto index = static_cast<std::size_t>(point - m_points.data());
    const auto before = WallClock::now();
    point->priorities.reset();
    readOutputs({index});
    const Point& read = m_points[index];
    const auto* state = read.value ? std::get_if<Enumerated>(&*read.value) : nullptr;
    if (!state || read.receivedAt < before)
        return {CommandOutcome::Verdict::Failed, "the device took " + command + ", but it could not be read back: " +
                                                     (read.error.empty() ? "not a binary value" : read.error)};
    return judgeCommand(channel, active, priority, state->value == 1, read.priorities);
}

core::Result<void> PointCheckout::command(int channel, std::optional<bool> active, std::uint8_t priority) {
    CommandOutcome outcome = drive(channel, active, priority);
    if (outcome.verdict == CommandOutcome::Verdict::AsAsked) return {};
    return core::Unexpected(std::move(outcome.text));
}

std::vector<int> PointCheckout::held() const {
    std::vector<int> channels;
    for (const auto& [channel, priority] : m_held) channels.push_back(channel);
    return channels;
}

std::vector<Leftover> PointCheckout::leftovers() const {
    std::vector<Leftover> found;
    for (const Point& point : m_points) {
        if (point.kind != PointKind::Output || !point.priorities) continue;
        const std::optional<bool> slot = (*point.priorities)[kOperatorPriority - 1U];
        const bool ours = std::any_of(m_held.begin(), m_held.end(), [&](const auto& held) {
            return held.first == point.channel && held.second == kOperatorPriority;
        });
        if (slot && !ours)
            found.push_back({point.channel, *slot,
                             "output." + std::to_string(point.channel) + " held " + (*slot ? "on" : "off") +
                                 " at priority " + std::to_string(kOperatorPriority) +
                                 ", perhaps left by an earlier session"});
    }
    return found;
}

std::vector<int> PointCheckout::releaseAll() {
    std::vector<Message> requests;
    for (const auto& [channel, priority] : m_held)
        requests.push_back(WriteProperty{0, output(channel)->object, kPresentValue, {}, commandValue({}), priority});
    const std::size_t all = requests.size() + 1;
    const std::vector<RequestResult> results = ask(std::move(requests), all, false);
    std::vector<std::pair<int, std::uint8_t>> still, taken;
    std::vector<std::size_t> readBack;
    for (std::size_t i = 0; i < results.size(); ++i) {
        (results[i] ? taken : still).push_back(m_held[i]);
        if (results[i]) readBack.push_back(static_cast<std::size_t>(output(m_held[i].first) - m_points.data()));
    }
    // A release the device took but still shows is no release.
    const auto before = WallClock::now();
    readOutputs(readBack);
    for (const auto& [channel, priority] : taken) {
        const Point& point = *output(channel);
        if (point.receivedAt >= before && point.priorities && (*point.priorities)[priority - 1U])
            still.emplace_back(channel, priority);
    }
    m_held = std::move(still);
    return held();
}

}  // namespace vaskiro::bacnet
