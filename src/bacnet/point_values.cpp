#include "bacnet/point_values.h"

#include "bacnet/character_sets.h"

namespace vaskiro::bacnet {

namespace {

// The values up to the closing tag `number`; a value of a type not read makes the reading an error instead.
void readValues(Reader& in, std::uint8_t number, PropertyReading& reading) {
    while (!closingFollows(in, number)) {
        const Tag tag = readTag(in);
        // Null, Boolean, Unsigned, Real, character string, bit string, Enumerated, object identifier.
        const bool primitive =
            !tag.context && !tag.opening &&
            (tag.number <= kTagUnsigned || tag.number == kTagReal ||
             (tag.number >= kTagCharacterString && tag.number <= kTagEnumerated) || tag.number == kTagObjectId);
        if (!primitive) {
            skipValue(in, tag);
            reading.error = "a value this tool does not read";
            continue;
        }
        if (tag.number != kTagCharacterString) {
            reading.values.push_back(readPrimitive(in, tag));
            continue;
        }
        // A text in a character set not read is the device's choice, not a fault of the octets.
        Value text = readCharacterString(in, tag.length);
        if (const auto* unreadable = std::get_if<UnreadableText>(&text))
            reading.error = "the device sent a text " + unreadable->why + ", which this tool cannot read";
        else
            reading.values.push_back(std::get<std::string>(std::move(text)));
    }
    in.byte();
    if (!reading.error.empty()) reading.values.clear();
}

}  // namespace

std::optional<std::vector<PropertyReading>> readAccessResults(std::span<const std::uint8_t> bytes) {
    std::vector<PropertyReading> readings;
    try {
        Reader in(bytes);
        while (!in.atEnd()) {
            const ObjectId object = expectObjectId(in, 0, true);
            expectOpening(in, 1);
            while (!closingFollows(in, 1)) {
                PropertyReading reading{object, expectUnsigned(in, 2, true, "a property")};
                reading.arrayIndex = optionalUnsigned(in, 3, "an array index");
                const Tag tag = readTag(in);
                if (tag.opening && tag.number == 4) {
                    readValues(in, 4, reading);
                } else if (tag.opening && tag.number == 5) {
                    const std::uint32_t errorClass = expectUnsigned(in, kTagEnumerated, false, "an error class");
                    const std::uint32_t errorCode = expectUnsigned(in, kTagEnumerated, false, "an error code");
                    if (!closingFollows(in, 5)) return std::nullopt;
                    in.byte();
                    reading.error = "error class " + std::to_string(errorClass) + ", code " + std::to_string(errorCode);
                } else {
                    return std::nullopt;
                }
                readings.push_back(std::move(reading));
            }
            in.byte();
        }
    } catch (const Malformed&) {
        return std::nullopt;
    }
    return readings;
}

std::optional<std::vector<PropertyReading>> propertyValues(std::span<const std::uint8_t> bytes, ObjectId object) {
    std::vector<PropertyReading> readings;
    try {
        Reader in(bytes);
        while (!in.atEnd()) {
            PropertyReading reading{object, expectUnsigned(in, 0, true, "a property")};
            reading.arrayIndex = optionalUnsigned(in, 1, "an array index");
            expectOpening(in, 2);
            readValues(in, 2, reading);
            optionalUnsigned(in, 3, "an array index");  // the priority it was written at
            readings.push_back(std::move(reading));
        }
    } catch (const Malformed&) {
        return std::nullopt;
    }
    return readings;
}

}  // namespace vaskiro::bacnet
