#include "bacnet/simulated/simulated_objects.h"

#include "core/text_codec.h"
#include "core/text_limits.h"

namespace vaskiro::bacnet {

namespace {

using core::FlagGroup;
using core::NameGroup;
using Form = PropertyValue::Form;

// Protocol revision 14 (ASHRAE 135-2012): 41 services and 55 object types.
constexpr std::uint32_t kProtocolRevisionValue = 14;
constexpr std::size_t kServiceCount = 41;
constexpr std::size_t kObjectTypeCount = 55;
constexpr std::uint32_t kServiceWhoIsBit = 34;

BitString bitsSet(std::size_t size, std::initializer_list<std::uint32_t> set) {
    BitString bits{std::vector<bool>(size, false)};
    for (std::uint32_t bit : set) bits.bits[bit] = true;
    return bits;
}

std::string text(std::string windows1252) { return core::fromWindows1252(windows1252); }

void addDevice(ObjectDatabase& database, const core::ConfigurationImage& image, const DeviceIdentity& identity) {
    using core::TextField;
    BacnetObject& device = database.add({kDeviceObjectType, image.objectIdentifier() & kInstanceMask});
    auto fixed = [&device](std::uint32_t id, Primitive value, bool required = true) {
        device.addProperty(id, required, [value] { return PropertyValue(value); });
    };
    // What a device written with the image holds: the first characters of a longer text.
    auto kept = [&image](TextField field) { return text(std::string(core::keptByDevice(field, image.text(field)))); };
    fixed(kObjectName, kept(TextField::DeviceName));
    fixed(kSystemStatus, Enumerated{0});  // operational
    fixed(kVendorName, identity.vendorName);
    fixed(kVendorIdentifier, identity.vendorId);
    fixed(kModelName, identity.modelName);
    fixed(kFirmwareRevision, identity.firmwareRevision);
    fixed(kApplicationSoftwareVersion, identity.applicationVersion);
    fixed(kLocation, kept(TextField::Location), false);
    fixed(kDescription, kept(TextField::Description), false);
    fixed(kProtocolVersion, 1u);
    fixed(kProtocolRevision, kProtocolRevisionValue);
    fixed(kProtocolServicesSupported,
          bitsSet(kServiceCount, {kServiceSubscribeCov, kServiceReadProperty, kServiceReadPropertyMultiple,
                                  kServiceWriteProperty, kServiceWhoIsBit}));
    fixed(kProtocolObjectTypesSupported,
          bitsSet(kObjectTypeCount, {kAnalogInput, kBinaryInput, kBinaryOutput, kDeviceObjectType}));
    device.addProperty(kObjectList, true, [&database] {
        std::vector<Primitive> ids;
        for (const ObjectId& id : database.ids()) ids.emplace_back(id);
        return PropertyValue(std::move(ids), Form::Array);
    });
    fixed(kMaxApduLengthAccepted, 1476u);
    fixed(kSegmentationSupported, Enumerated{3});  // no-segmentation
    fixed(kApduTimeout, 3000u);
    fixed(kNumberOfApduRetries, 3u);
    device.addProperty(kDeviceAddressBinding, true, [] { return PropertyValue({}, Form::List); });
    fixed(kDatabaseRevision, 1u);
}

// The properties every point has: name, description, status and event state.
BacnetObject& addPoint(ObjectDatabase& database, ObjectId id, const std::string& name, const std::string& description,
                       BacnetObject::ReadValue presentValue) {
    BacnetObject& point = database.add(id);
    point.addProperty(kObjectName, true, [name] { return PropertyValue(name); });
    point.addProperty(kPresentValue, true, std::move(presentValue));
    point.addProperty(kDescription, false, [description] { return PropertyValue(description); });
    point.addProperty(kStatusFlags, true, [] { return PropertyValue(BitString{std::vector<bool>(4, false)}); });
    point.addProperty(kEventState, true, [] { return PropertyValue(Enumerated{0}); });  // normal
    point.addProperty(kOutOfService, true, [] { return PropertyValue(false); });
    return point;
}

std::string pointName(const core::ConfigurationImage& image, NameGroup group, int channel, const char* fallback) {
    std::string name = text(image.name(group, channel));
    return name.empty() ? fallback + std::to_string(channel) : name;
}

Enumerated binary(bool active) { return Enumerated{active ? 1u : 0u}; }

void addBinaryPoints(ObjectDatabase& database, const core::ConfigurationImage& image, bool outputs,
                     const SimulatedPoints& points) {
    const NameGroup names = outputs ? NameGroup::Output : NameGroup::Input;
    for (int n = 1; n <= core::channelCount(names); ++n) {
        const Enumerated polarity{image.flag(outputs ? FlagGroup::InvertOutput : FlagGroup::InvertInput, n) ? 1u : 0u};
        BacnetObject& point = addPoint(
            database, {outputs ? kBinaryOutput : kBinaryInput, static_cast<std::uint32_t>(n)},
            pointName(image, names, n, outputs ? "Output " : "Input "),
            (outputs ? "Binary output " : "Binary input ") + std::to_string(n),
            [&points, outputs, n] { return PropertyValue(binary(outputs ? points.output(n) : points.input(n))); });
        point.addProperty(kPolarity, true, [polarity] { return PropertyValue(polarity); });
        if (!outputs) continue;
        point.addProperty(kPriorityArray, true, [&points, n] {
            std::vector<Primitive> slots;
            for (const std::optional<bool>& slot : points.priorities(n)) {
                if (slot)
                    slots.emplace_back(binary(*slot));
                else
                    slots.emplace_back(Null{});
            }
            return PropertyValue(std::move(slots), Form::Array);
        });
        point.addProperty(kRelinquishDefault, true,
                          [&points, n] { return PropertyValue(binary(points.relinquishDefault(n))); });
    }
}

void addAnalogueInputs(ObjectDatabase& database, const core::ConfigurationImage& image,
                       const SimulatedPoints& points) {
    for (int n = 1; n <= core::kAnalogueCount; ++n) {
        BacnetObject& point =
            addPoint(database, {kAnalogInput, static_cast<std::uint32_t>(n)},
                     pointName(image, NameGroup::Analogue, n, "Analogue "), "Analogue input " + std::to_string(n),
                     [&points, n] { return PropertyValue(points.analogue(n)); });
        const Enumerated units{image.analogueUnitCode(n)};
        const float increment = image.analogueValue(core::FloatGroup::COVIncrement, n);
        point.addProperty(kUnits, true, [units] { return PropertyValue(units); });
        point.addProperty(kCovIncrement, false, [increment] { return PropertyValue(increment); });
    }
}

}  // namespace

void addDeviceObjects(ObjectDatabase& database, const core::ConfigurationImage& image, const DeviceIdentity& identity,
                      const SimulatedPoints& points) {
    addDevice(database, image, identity);
    addBinaryPoints(database, image, false, points);
    addBinaryPoints(database, image, true, points);
    addAnalogueInputs(database, image, points);
}

}  // namespace vaskiro::bacnet
