#include "bacnet/simulated/object_database.h"

#include <algorithm>

namespace vaskiro::bacnet {

namespace {

using Form = PropertyValue::Form;

// Properties that property-list leaves out, since every object has them.
bool listedInPropertyList(std::uint32_t id) {
    return id != kObjectIdentifier && id != kObjectName && id != kObjectTypeProperty && id != kPropertyList;
}

bool selects(std::uint32_t wanted, const BacnetObject::Property& property) {
    return wanted == kAll || (wanted == kRequired && property.required) || (wanted == kOptional && !property.required);
}

void writeError(Writer& out, const PropertyError& error) {
    out.byte(0x5E);
    out.unsignedValue(kTagEnumerated, false, error.errorClass);
    out.unsignedValue(kTagEnumerated, false, error.errorCode);
    out.byte(0x5F);
}

}  // namespace

BacnetObject::BacnetObject(ObjectId id) : m_id(id) {
    addProperty(kObjectIdentifier, true, [id] { return PropertyValue(id); });
    addProperty(kObjectTypeProperty, true, [id] { return PropertyValue(Enumerated{id.type}); });
    addProperty(kPropertyList, true, [this] {
        std::vector<Primitive> ids;
        for (const Property& property : m_properties)
            if (listedInPropertyList(property.id)) ids.emplace_back(Enumerated{property.id});
        return PropertyValue(std::move(ids), Form::Array);
    });
}

void BacnetObject::addProperty(std::uint32_t id, bool required, ReadValue read) {
    m_properties.push_back({id, required, std::move(read)});
}

const BacnetObject::Property* BacnetObject::find(std::uint32_t id) const {
    auto found = std::find_if(m_properties.begin(), m_properties.end(), [id](const Property& p) { return p.id == id; });
    return found == m_properties.end() ? nullptr : &*found;
}

BacnetObject& ObjectDatabase::add(ObjectId id) {
    m_objects.push_back(std::make_unique<BacnetObject>(id));
    return *m_objects.back();
}

const BacnetObject* ObjectDatabase::find(ObjectId id) const {
    const bool ownDevice = id.type == kDeviceObjectType && id.instance == core::kAnyDeviceInstance;
    for (const auto& object : m_objects)
        if (object->id() == id || (ownDevice && object->id().type == kDeviceObjectType)) return object.get();
    return nullptr;
}

std::vector<ObjectId> ObjectDatabase::ids() const {
    std::vector<ObjectId> ids;
    for (const auto& object : m_objects) ids.push_back(object->id());
    return ids;
}

std::variant<std::vector<std::uint8_t>, PropertyError> ObjectDatabase::read(ObjectId id, std::uint32_t property,
                                                                            std::optional<std::uint32_t> index) const {
    const BacnetObject* object = find(id);
    if (!object) return PropertyError{kErrorClassObject, kErrorUnknownObject};
    const BacnetObject::Property* found = object->find(property);
    if (!found) return PropertyError{};
    const PropertyValue value = found->read();
    Writer out;
    if (!index) {
        for (const Primitive& item : value.items) writePrimitive(out, item);
    } else if (value.form != Form::Array) {
        return PropertyError{kErrorClassProperty, kErrorPropertyIsNotAnArray};
    } else if (*index == 0) {
        writePrimitive(out, static_cast<std::uint32_t>(value.items.size()));
    } else if (*index <= value.items.size()) {
        writePrimitive(out, value.items[*index - 1]);
    } else {
        return PropertyError{kErrorClassProperty, kErrorInvalidArrayIndex};
    }
    return std::move(out.m_bytes);
}

std::vector<std::uint8_t> ObjectDatabase::readMultiple(const std::vector<ReadAccess>& accesses) const {
    Writer out;
    for (const ReadAccess& access : accesses) {
        const BacnetObject* object = find(access.object);
        out.objectId(0, true, object ? object->id() : access.object);
        out.byte(0x1E);
        auto result = [&](std::uint32_t property, std::optional<std::uint32_t> index) {
            out.unsignedValue(2, true, property);
            if (index) out.unsignedValue(3, true, *index);
            auto value = read(access.object, property, index);
            if (const auto* error = std::get_if<PropertyError>(&value)) {
                writeError(out, *error);
                return;
            }
            out.byte(0x4E);
            const auto& bytes = std::get<std::vector<std::uint8_t>>(value);
            out.m_bytes.insert(out.m_bytes.end(), bytes.begin(), bytes.end());
            out.byte(0x4F);
        };
        for (const PropertyReference& reference : access.properties) {
            const bool group =
                reference.property == kAll || reference.property == kRequired || reference.property == kOptional;
            if (!group) {
                result(reference.property, reference.arrayIndex);
            } else if (!object) {
                out.unsignedValue(2, true, reference.property);
                writeError(out, {kErrorClassObject, kErrorUnknownObject});
            } else {
                for (const BacnetObject::Property& property : object->properties())
                    if (selects(reference.property, property)) result(property.id, std::nullopt);
            }
        }
        out.byte(0x1F);
    }
    return std::move(out.m_bytes);
}

}  // namespace vaskiro::bacnet
