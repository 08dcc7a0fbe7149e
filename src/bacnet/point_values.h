#pragma once

// The values that ReadPropertyMultiple's acknowledgement and a COV
// notification carry, read from the octets the device encoded them in.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "bacnet/property_value.h"

namespace vaskiro::bacnet {

struct PropertyReading {
    ObjectId object;
    std::uint32_t property = kPresentValue;
    std::optional<std::uint32_t> arrayIndex{};
    std::vector<Primitive> values{};  // one, or the elements of a list or array
    std::string error{};              // why there is no value ("error class 2, code 32"); empty when there is
};

// A list of read access results (ReadPropertyMultiple-ACK); nothing when the
// octets are not one.
std::optional<std::vector<PropertyReading>> readAccessResults(std::span<const std::uint8_t> bytes);
// A list of BACnetPropertyValue (a COV notification's values) of `object`;
// nothing when the octets are not one.
std::optional<std::vector<PropertyReading>> propertyValues(std::span<const std::uint8_t> bytes, ObjectId object);

}  // namespace vaskiro::bacnet
