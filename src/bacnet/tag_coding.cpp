#include "bacnet/tag_coding.h"

namespace vaskiro::bacnet {

Tag readTag(Reader& in) {
    const std::uint8_t first = in.byte();
    Tag tag;
    tag.number = first >> 4;
    tag.context = (first & 0x08) != 0;
    if (tag.number == 15) tag.number = in.byte();
    const std::uint8_t lvt = first & 0x07;
    if (tag.context && lvt == 6) {
        tag.opening = true;
    } else if (tag.context && lvt == 7) {
        tag.closing = true;
    } else if (lvt == 5) {
        tag.length = in.byte();
        if (tag.length == 254)
            tag.length = in.bigEndian(2);
        else if (tag.length == 255)
            tag.length = in.bigEndian(4);
    } else if (lvt > 5) {
        throw Malformed{"application tag with a context tag's length"};
    } else {
        tag.length = lvt;
    }
    return tag;
}

Tag expectTag(Reader& in, std::uint32_t number, bool context, const char* what) {
    Tag tag = readTag(in);
    if (tag.number != number || tag.context != context || tag.opening || tag.closing)
        throw Malformed{std::string("expected ") + what};
    return tag;
}

std::uint32_t readUnsigned(Reader& in, std::uint32_t length) {
    if (length < 1 || length > 4) throw Malformed{"number of " + std::to_string(length) + " octets"};
    return in.bigEndian(length);
}

std::uint32_t expectUnsigned(Reader& in, std::uint32_t number, bool context, const char* what) {
    return readUnsigned(in, expectTag(in, number, context, what).length);
}

ObjectId expectObjectId(Reader& in, std::uint32_t number, bool context) {
    Tag tag = expectTag(in, number, context, "an object identifier");
    if (tag.length != 4) throw Malformed{"object identifier of " + std::to_string(tag.length) + " octets"};
    const std::uint32_t raw = in.bigEndian(4);
    return {static_cast<std::uint16_t>(raw >> 22), raw & kInstanceMask};
}

bool optionalTagFollows(const Reader& in, std::uint8_t contextNumber) {
    return !in.atEnd() && (in.peek() & 0xF8) == ((contextNumber << 4) | 0x08) && (in.peek() & 0x07) < 6;
}

std::optional<std::uint32_t> optionalUnsigned(Reader& in, std::uint8_t contextNumber, const char* what) {
    if (!optionalTagFollows(in, contextNumber)) return std::nullopt;
    return expectUnsigned(in, contextNumber, true, what);
}

void expectOpening(Reader& in, std::uint8_t contextNumber) {
    const Tag tag = readTag(in);
    if (!tag.opening || tag.number != contextNumber)
        throw Malformed{"expected an opening tag " + std::to_string(contextNumber)};
}

bool closingFollows(const Reader& in, std::uint8_t contextNumber) { return in.peek() == ((contextNumber << 4) | 0x0F); }

// Without recursion, so that no depth of nesting a datagram can hold exhausts the stack.
void skipValue(Reader& in, const Tag& tag) {
    std::vector<std::uint32_t> open;
    for (Tag at = tag;; at = readTag(in)) {
        if (at.closing) {
            if (open.empty() || open.back() != at.number) throw Malformed{"closing tag without its opening tag"};
            open.pop_back();
        } else if (at.opening) {
            open.push_back(at.number);
        } else if (at.context || at.number != kTagBoolean) {
            in.take(at.length);
        }
        if (open.empty()) return;
    }
}

void Writer::tag(std::uint8_t number, bool context, std::uint32_t length) {
    const std::uint8_t classBit = context ? 0x08 : 0x00;
    if (length < 5) {
        byte(static_cast<std::uint8_t>(number << 4 | classBit | length));
        return;
    }
    byte(static_cast<std::uint8_t>(number << 4 | classBit | 5));
    if (length < 254) {
        byte(static_cast<std::uint8_t>(length));
    } else if (length <= 0xFFFF) {
        byte(254);
        bigEndian(length, 2);
    } else {
        byte(255);
        bigEndian(length, 4);
    }
}

void Writer::unsignedValue(std::uint8_t number, bool context, std::uint32_t value) {
    const int count = value > 0xFFFFFF ? 4 : value > 0xFFFF ? 3 : value > 0xFF ? 2 : 1;
    tag(number, context, static_cast<std::uint32_t>(count));
    bigEndian(value, count);
}

void Writer::objectId(std::uint8_t number, bool context, const ObjectId& id) {
    tag(number, context, 4);
    bigEndian(static_cast<std::uint32_t>(id.type) << 22 | (id.instance & kInstanceMask), 4);
}

}  // namespace vaskiro::bacnet
