#include "bacnet/object_inventory.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "bacnet/point_reading.h"

namespace vaskiro::bacnet {

namespace {

constexpr std::uint32_t kActiveText = 4;
constexpr std::uint32_t kInactiveText = 46;

// ASHRAE 135's names of the object types 0-30, by number.
constexpr std::array<std::string_view, 31> kTypeNames{"analog-input",
                                                      "analog-output",
                                                      "analog-value",
                                                      "binary-input",
                                                      "binary-output",
                                                      "binary-value",
                                                      "calendar",
                                                      "command",
                                                      "device",
                                                      "event-enrollment",
                                                      "file",
                                                      "group",
                                                      "loop",
                                                      "multi-state-input",
                                                      "multi-state-output",
                                                      "notification-class",
                                                      "program",
                                                      "schedule",
                                                      "averaging",
                                                      "multi-state-value",
                                                      "trend-log",
                                                      "life-safety-point",
                                                      "life-safety-zone",
                                                      "accumulator",
                                                      "pulse-converter",
                                                      "event-log",
                                                      "global-group",
                                                      "trend-log-multiple",
                                                      "load-control",
                                                      "structured-view",
                                                      "access-door"};

bool analogue(std::uint16_t type) { return type <= 2; }
bool binary(std::uint16_t type) { return type >= 3 && type <= 5; }

// The requests at `device`, at most kRequestsInFlight outstanding; their results in order. Once one goes
// unanswered no more are started: a silent device is not asked the rest, one retry time after another.
std::vector<RequestResult> askAll(Client& client, const Endpoint& device, std::vector<Message> requests,
                                  const std::function<bool()>& stopped) {
    std::vector<RequestResult> results(requests.size(), kNoReply);
    std::vector<std::pair<std::size_t, std::size_t>> pending;  // index in `requests`, the client's number
    bool silent = false;
    for (std::size_t next = 0; next < requests.size() || !pending.empty();) {
        while (!silent && !stopped() && next < requests.size() && pending.size() < kRequestsInFlight) {
            pending.emplace_back(next, client.startRequest(device, std::move(requests[next])));
            ++next;
        }
        if (pending.empty()) break;
        client.wait(Client::Clock::time_point::max(), [&] {
            return stopped() || std::any_of(pending.begin(), pending.end(),
                                            [&](const auto& p) { return client.requestFinished(p.second); });
        });
        const bool stopping = stopped();
        std::erase_if(pending, [&](const auto& p) {
            if (!stopping && !client.requestFinished(p.second)) return false;
            RequestResult& result = results[p.first] = client.takeResult(p.second);
            if (!result && !result.error().refused()) silent = true;
            return true;
        });
        if (stopping) break;
    }
    return results;
}

// The one value a ReadProperty read; nothing when it read none. `reading` keeps it, and the reason when there is none.
const Primitive* valueOf(const RequestResult& result, ObjectId object, std::uint32_t property,
                         PropertyReading& reading) {
    reading = readingOf(object, property, result);
    return reading.values.size() == 1 ? &reading.values.front() : nullptr;
}

std::string textOf(const Primitive* value) {
    const auto* text = value ? std::get_if<std::string>(value) : nullptr;
    return text ? *text : std::string();
}

}  // namespace

std::string objectTypeName(std::uint16_t type) {
    return type < kTypeNames.size() ? std::string(kTypeNames[type]) : std::to_string(type);
}

bool reportsChangeOfValue(std::uint16_t type) {
    return type <= 2 || binary(type) || type == 12 || type == 13 || type == 14 || type == 19;
}

core::Result<DeviceInventory> readInventory(Client& client, const Endpoint& device, std::uint32_t instance,
                                            const std::function<bool()>& stopped) {
    using Refusal = core::Unexpected<std::string>;
    const ObjectId self{kDeviceObjectType, instance};
    const auto failed = [&](const std::vector<RequestResult>& results) -> std::optional<std::string> {
        if (stopped()) return "stopped";
        for (const RequestResult& result : results)
            if (!result && !result.error().refused()) return result.error().text;
        return std::nullopt;
    };
    const std::vector<RequestResult> length =
        askAll(client, device,
               {ReadProperty{0, self, kObjectList, 0}, ReadProperty{0, self, kProtocolServicesSupported}}, stopped);
    if (auto why = failed(length)) return Refusal(*why);
    const auto count = listLength(length[0]);
    if (!count)
        return Refusal("the device did not give the length of its object-list: " +
                       (length[0] ? std::string("not a number") : length[0].error().text));
    PropertyReading services;
    const auto* bits = std::get_if<BitString>(valueOf(length[1], self, kProtocolServicesSupported, services));
    const bool takesCov = bits && bits->bits.size() > kServiceSubscribeCov && bits->bits[kServiceSubscribeCov];

    std::vector<Message> elements;
    for (std::uint32_t index = 1; index <= std::min<std::uint32_t>(*count, 4096); ++index)
        elements.push_back(ReadProperty{0, self, kObjectList, index});
    const std::vector<RequestResult> listed = askAll(client, device, std::move(elements), stopped);
    if (auto why = failed(listed)) return Refusal(*why);
    DeviceInventory inventory{instance, {}};
    for (const RequestResult& result : listed) {
        PropertyReading reading;
        const auto* id = std::get_if<ObjectId>(valueOf(result, self, kObjectList, reading));
        if (!id) return Refusal("object-list not read: " + (reading.error.empty() ? "not an object" : reading.error));
        inventory.objects.push_back({*id});
    }

    // Per object: object-name, description, then units or the two state texts.
    std::vector<Message> requests;
    std::vector<std::pair<std::size_t, std::uint32_t>> asked;  // object, property
    for (std::size_t i = 0; i < inventory.objects.size(); ++i) {
        const ObjectId id = inventory.objects[i].id;
        std::vector<std::uint32_t> properties{kObjectName, kDescription};
        if (analogue(id.type)) properties.push_back(kUnits);
        if (binary(id.type)) properties.insert(properties.end(), {kInactiveText, kActiveText});
        for (std::uint32_t property : properties) {
            requests.push_back(ReadProperty{0, id, property});
            asked.emplace_back(i, property);
        }
    }
    const std::vector<RequestResult> read = askAll(client, device, std::move(requests), stopped);
    if (auto why = failed(read)) return Refusal(*why);
    std::vector<std::array<std::string, 2>> texts(inventory.objects.size());
    for (std::size_t r = 0; r < read.size(); ++r) {
        ServedObject& object = inventory.objects[asked[r].first];
        const std::uint32_t property = asked[r].second;
        PropertyReading reading;
        const Primitive* value = valueOf(read[r], object.id, property, reading);
        if (property == kObjectName) object.name = textOf(value);
        if (property == kDescription) object.description = textOf(value);
        if (property == kInactiveText) texts[asked[r].first][0] = textOf(value);
        if (property == kActiveText) texts[asked[r].first][1] = textOf(value);
        if (property != kUnits || !value) continue;
        if (const auto* units = std::get_if<Enumerated>(value)) object.units = units->value;
        if (const auto* number = std::get_if<std::uint32_t>(value)) object.units = *number;
    }
    for (std::size_t i = 0; i < inventory.objects.size(); ++i) {
        ServedObject& object = inventory.objects[i];
        object.cov = takesCov && reportsChangeOfValue(object.id.type);
        if (!texts[i][0].empty() && !texts[i][1].empty()) object.stateTexts = {texts[i][0], texts[i][1]};
    }
    return inventory;
}

}  // namespace vaskiro::bacnet
