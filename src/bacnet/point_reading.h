#pragma once

// How the point checkout turns what a device answers into its points: which
// properties it reads, and each reading applied to a point.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "bacnet/point_checkout.h"

namespace vaskiro::bacnet {

inline constexpr std::size_t kObjectsPerRead = 8;    // keeps a ReadPropertyMultiple's reply well within 1476 octets
inline constexpr std::size_t kRequestsInFlight = 8;  // requests outstanding at once, for small devices' buffers

// All: object-name, present-value, status-flags (and units of an analogue);
// otherwise present-value and status-flags.
std::vector<std::uint32_t> propertiesToRead(const Point& point, bool all);

// Applies a reading of object-name, units, status-flags, present-value or
// priority-array to `point`; true when its value or flags changed (a value
// that stops coming is a change). A present-value read or notified makes the
// point fresh.
bool applyReading(Point& point, const PropertyReading& reading);

// A ReadProperty's result as a reading of `property` of `object` (the error when it has none).
PropertyReading readingOf(ObjectId object, std::uint32_t property, const RequestResult& result);

// The length a ReadProperty of an array's index 0 answered with.
std::optional<std::uint32_t> listLength(const RequestResult& result);

// A priority-array's 16 slots from its elements (Null or an Enumerated 0/1); nothing when they are not that.
std::optional<PriorityArray> priorityArrayOf(const std::vector<Primitive>& elements);

}  // namespace vaskiro::bacnet
