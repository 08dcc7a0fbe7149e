#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

#include "bacnet/messages.h"
#include "bacnet/property_value.h"

namespace vaskiro::bacnet {

// One BACnet object: its identifier and its properties. A property reads its
// value when asked, from whatever state the object keeps, so that a value
// changed later (a commanded output, a subscriber's view of a change) needs
// no copy kept in step; a property that can be written gains a writer beside
// its reader. Object-identifier, object-type and property-list are there
// from the start.
class BacnetObject {
public:
    using ReadValue = std::function<PropertyValue()>;
    struct Property {
        std::uint32_t id;
        bool required;  // by ASHRAE 135 for this object type (ReadPropertyMultiple's REQUIRED)
        ReadValue read;
    };

    explicit BacnetObject(ObjectId id);
    BacnetObject(const BacnetObject&) = delete;
    BacnetObject& operator=(const BacnetObject&) = delete;

    ObjectId id() const { return m_id; }
    void addProperty(std::uint32_t id, bool required, ReadValue read);
    const std::vector<Property>& properties() const { return m_properties; }
    const Property* find(std::uint32_t id) const;

private:
    ObjectId m_id;
    std::vector<Property> m_properties;
};

// Why a property cannot be read: an error class and code for the Error PDU.
struct PropertyError {
    std::uint32_t errorClass = kErrorClassProperty;
    std::uint32_t errorCode = kErrorUnknownProperty;
    friend bool operator==(const PropertyError&, const PropertyError&) = default;
};

// The objects of one device, in the order its object-list names them.
class ObjectDatabase {
public:
    BacnetObject& add(ObjectId id);
    // The object, where the device instance 4194303 stands for this device's own.
    const BacnetObject* find(ObjectId id) const;
    std::vector<ObjectId> ids() const;

    // One property, or with `index` one element of an array property (0: how
    // many there are), as application-tagged octets.
    std::variant<std::vector<std::uint8_t>, PropertyError> read(ObjectId object, std::uint32_t property,
                                                                std::optional<std::uint32_t> index) const;
    // The list of read access results that answers ReadPropertyMultiple;
    // kAll, kRequired and kOptional stand for those properties of an object.
    std::vector<std::uint8_t> readMultiple(const std::vector<ReadAccess>& accesses) const;

private:
    std::vector<std::unique_ptr<BacnetObject>> m_objects;
};

}  // namespace vaskiro::bacnet
