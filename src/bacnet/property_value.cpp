#include "bacnet/property_value.h"

#include <bit>

#include "bacnet/character_sets.h"

namespace vaskiro::bacnet {

namespace {

constexpr std::uint8_t kTagNull = 0;
constexpr std::uint8_t kTagReal = 4;
constexpr std::uint8_t kTagBitString = 8;

struct PrimitiveWriter {
    Writer& out;

    void operator()(const Null&) { out.tag(kTagNull, false, 0); }
    void operator()(bool value) { out.tag(kTagBoolean, false, value ? 1 : 0); }
    void operator()(std::uint32_t value) { out.unsignedValue(kTagUnsigned, false, value); }
    void operator()(const Enumerated& value) { out.unsignedValue(kTagEnumerated, false, value.value); }
    void operator()(float value) {
        out.tag(kTagReal, false, 4);
        out.bigEndian(std::bit_cast<std::uint32_t>(value), 4);
    }
    void operator()(const std::string& text) { writeCharacterString(out, text); }
    void operator()(const BitString& value) {
        // An octet that says how many bits of the last octet are unused, then the bits, the first as 0x80.
        const std::size_t octets = (value.bits.size() + 7) / 8;
        out.tag(kTagBitString, false, static_cast<std::uint32_t>(octets + 1));
        out.byte(static_cast<std::uint8_t>(octets * 8 - value.bits.size()));
        for (std::size_t octet = 0; octet < octets; ++octet) {
            std::uint8_t bits = 0;
            for (std::size_t bit = 0; bit < 8 && octet * 8 + bit < value.bits.size(); ++bit)
                if (value.bits[octet * 8 + bit]) bits |= static_cast<std::uint8_t>(0x80 >> bit);
            out.byte(bits);
        }
    }
    void operator()(const ObjectId& id) { out.objectId(kTagObjectId, false, id); }
};

}  // namespace

void writePrimitive(Writer& out, const Primitive& value) { std::visit(PrimitiveWriter{out}, value); }

}  // namespace vaskiro::bacnet
