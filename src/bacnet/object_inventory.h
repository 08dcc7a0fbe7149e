#pragma once

// What a device serves, object by object, as an engineering data exchange
// lists it: read from the device, never assumed.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bacnet/client.h"
#include "core/result.h"

namespace vaskiro::bacnet {

struct ServedObject {
    ObjectId id{};
    std::string name{};                     // object-name
    std::string description{};              // empty when the device has none
    std::optional<std::uint32_t> units{};   // analogue objects
    std::vector<std::string> stateTexts{};  // binary objects: inactive-text, active-text, when it has both
    bool cov = false;  // the device takes SubscribeCOV, and the object's type reports changes of value
};

struct DeviceInventory {
    std::uint32_t instance = 0;
    std::vector<ServedObject> objects;  // in the order of the device's object-list
};

// "analog-input", "device", ...; the number for a type without a standard name here.
std::string objectTypeName(std::uint16_t type);

// Whether objects of `type` have a change-of-value criterion: the analogue,
// binary and multi-state inputs, outputs and values, and the loop.
bool reportsChangeOfValue(std::uint16_t type);

// Reads the device `instance` at `device`: its object-list element by element
// (ReadProperty with an array index, which every device serves), then every
// object's object-name and description, the units of analogue objects, the
// inactive-text and active-text of binary ones, and the device's
// protocol-services-supported for COV; ReadProperty alone, at most
// kRequestsInFlight outstanding. A property that the device says it lacks
// stays empty. Fails with "no reply" when a request goes unanswered (the rest
// are then not asked), with the device's refusal of its object-list, or with
// "stopped".
core::Result<DeviceInventory> readInventory(Client& client, const Endpoint& device, std::uint32_t instance,
                                            const std::function<bool()>& stopped);

}  // namespace vaskiro::bacnet
