#pragma once

// The values a BACnet object's properties hold, and their application-tagged
// encoding (ASHRAE 135 clause 20.2).

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "bacnet/messages.h"
#include "bacnet/tag_coding.h"

namespace vaskiro::bacnet {

struct Enumerated {
    std::uint32_t value = 0;
    friend bool operator==(const Enumerated&, const Enumerated&) = default;
};
struct Null {
    friend bool operator==(const Null&, const Null&) = default;
};

// One primitive value: Null, Boolean, Unsigned, Enumerated, Real, a
// character string (UTF-8), a bit string or an object identifier.
using Primitive = std::variant<Null, bool, std::uint32_t, Enumerated, float, std::string, BitString, ObjectId>;

// What a property holds: one value, or the elements of an array (which an
// index reads one by one, index 0 being the count) or of a list.
struct PropertyValue {
    enum class Form { Single, Array, List };
    std::vector<Primitive> items;
    Form form = Form::Single;

    PropertyValue(Primitive value) : items{std::move(value)} {}
    PropertyValue(std::vector<Primitive> elements, Form form) : items(std::move(elements)), form(form) {}
};

void writePrimitive(Writer& out, const Primitive& value);
// One application-tagged value of the types above; a character string the
// tool cannot read and other types throw Malformed.
Primitive readPrimitive(Reader& in);
// The same, after its tag.
Primitive readPrimitive(Reader& in, const Tag& tag);

}  // namespace vaskiro::bacnet
