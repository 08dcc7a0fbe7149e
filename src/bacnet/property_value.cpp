#include "bacnet/property_value.h"

#include <bit>

#include "bacnet/character_sets.h"

namespace vaskiro::bacnet {

namespace {

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

Primitive readPrimitive(Reader& in) { return readPrimitive(in, readTag(in)); }

Primitive readPrimitive(Reader& in, const Tag& tag) {
    if (tag.context || tag.opening || tag.closing) throw Malformed{"a context tag where a value was expected"};
    switch (tag.number) {
    case kTagNull:
        if (tag.length != 0) throw Malformed{"a Null with content"};
        return Null{};
    case kTagBoolean:
        if (tag.length > 1) throw Malformed{"a Boolean of value " + std::to_string(tag.length)};
        return tag.length == 1;
    case kTagUnsigned: return readUnsigned(in, tag.length);
    case kTagEnumerated: return Enumerated{readUnsigned(in, tag.length)};
    case kTagReal:
        if (tag.length != 4) throw Malformed{"a Real of " + std::to_string(tag.length) + " octets"};
        return std::bit_cast<float>(in.bigEndian(4));
    case kTagCharacterString: {
        Value text = readCharacterString(in, tag.length);
        if (const auto* unreadable = std::get_if<UnreadableText>(&text)) throw Malformed{"a text " + unreadable->why};
        return std::get<std::string>(std::move(text));
    }
    case kTagBitString: {
        if (tag.length < 1) throw Malformed{"a bit string without its unused-bits octet"};
        const std::uint8_t unused = in.byte();
        if (unused > 7 || (tag.length == 1 && unused != 0))
            throw Malformed{"a bit string with unused bits " + std::to_string(unused)};
        const auto octets = in.take(tag.length - 1);
        BitString bits;
        for (std::size_t bit = 0; bit < octets.size() * 8 - unused; ++bit)
            bits.bits.push_back((octets[bit / 8] & (0x80 >> (bit % 8))) != 0);
        return bits;
    }
    case kTagObjectId: {
        if (tag.length != 4) throw Malformed{"object identifier of " + std::to_string(tag.length) + " octets"};
        const std::uint32_t raw = in.bigEndian(4);
        return ObjectId{static_cast<std::uint16_t>(raw >> 22), raw & kInstanceMask};
    }
    default: throw Malformed{"a value of type " + std::to_string(tag.number)};
    }
}

}  // namespace vaskiro::bacnet
