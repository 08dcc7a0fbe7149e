#include "bacnet/point_reading.h"

namespace vaskiro::bacnet {

namespace {

// A value of a ReadProperty acknowledgement as the primitive it is; an element read alone that is Null
// comes as a value of application tag 0.
std::optional<Primitive> primitiveOf(const Value& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    if (const auto* number = std::get_if<std::uint32_t>(&value)) return *number;
    if (const auto* real = std::get_if<float>(&value)) return *real;
    if (const auto* bits = std::get_if<BitString>(&value)) return *bits;
    if (const auto* id = std::get_if<ObjectId>(&value)) return *id;
    if (const auto* other = std::get_if<OtherValue>(&value); other && other->tag == 0) return Null{};
    return std::nullopt;
}

}  // namespace

std::vector<std::uint32_t> propertiesToRead(const Point& point, bool all) {
    if (!all) return {kPresentValue, kStatusFlags};
    if (point.kind == PointKind::Analogue) return {kObjectName, kPresentValue, kStatusFlags, kUnits};
    return {kObjectName, kPresentValue, kStatusFlags};
}

std::optional<PriorityArray> priorityArrayOf(const std::vector<Primitive>& elements) {
    PriorityArray slots;
    if (elements.size() != slots.size()) return std::nullopt;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (std::holds_alternative<Null>(elements[i])) continue;
        const auto* state = std::get_if<Enumerated>(&elements[i]);
        const auto* number = std::get_if<std::uint32_t>(&elements[i]);
        const std::uint32_t value = state ? state->value : number ? *number : 2;
        if (value > 1) return std::nullopt;
        slots[i] = value == 1;
    }
    return slots;
}

bool applyReading(Point& point, const PropertyReading& reading) {
    const bool valued = reading.error.empty() && reading.values.size() == 1;
    switch (reading.property) {
    case kObjectName:
        if (const auto* name = valued ? std::get_if<std::string>(&reading.values.front()) : nullptr) point.name = *name;
        return false;
    case kUnits:
        if (const auto* units = valued ? std::get_if<Enumerated>(&reading.values.front()) : nullptr)
            point.units = units->value;
        else if (const auto* number = valued ? std::get_if<std::uint32_t>(&reading.values.front()) : nullptr)
            point.units = *number;
        return false;
    case kPriorityArray:
        if (reading.error.empty() && !reading.arrayIndex) point.priorities = priorityArrayOf(reading.values);
        return false;
    case kStatusFlags: {
        const auto* bits = valued ? std::get_if<BitString>(&reading.values.front()) : nullptr;
        if (!bits || bits->bits == point.flags.bits) return false;
        point.flags = *bits;
        return true;
    }
    case kPresentValue: {
        if (!valued) {
            // A value that stops coming (a device gone quiet, an error) is a change to say.
            const std::string why = reading.error.empty() ? "not one value" : reading.error;
            const bool changed = point.error != why;
            point.error = why;
            point.value.reset();
            return changed;
        }
        Primitive value = reading.values.front();
        if (const auto* number = std::get_if<std::uint32_t>(&value)) value = Enumerated{*number};
        const bool changed = !point.value || !(*point.value == value) || !point.error.empty() || point.stale;
        point.value = value;
        point.error.clear();
        point.receivedAt = WallClock::now();
        point.stale = false;
        return changed;
    }
    default: return false;
    }
}

PropertyReading readingOf(ObjectId object, std::uint32_t property, const RequestResult& result) {
    PropertyReading reading{object, property};
    const auto* ack = result ? std::get_if<ReadPropertyAck>(&*result) : nullptr;
    const auto value = ack ? primitiveOf(ack->value) : std::nullopt;
    if (value)
        reading.values.push_back(*value);
    else
        reading.error = ack ? "a value this tool does not read" : result ? "" : result.error().text;
    return reading;
}

std::optional<std::uint32_t> listLength(const RequestResult& result) {
    const auto* ack = result ? std::get_if<ReadPropertyAck>(&*result) : nullptr;
    const auto* count = ack ? std::get_if<std::uint32_t>(&ack->value) : nullptr;
    return count ? std::optional(*count) : std::nullopt;
}

}  // namespace vaskiro::bacnet
