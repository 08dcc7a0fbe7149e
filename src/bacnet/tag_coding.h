#pragma once

// The octets and tags that every BACnet message is built of (ASHRAE 135
// clause 20.2): a reader that never reads past its bytes, a writer, and the
// tag headers of application and context values. Shared by the message
// coders; not for use outside bacnet/.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "bacnet/messages.h"

namespace vaskiro::bacnet {

// Decoding stops at the first fault; decode() turns it into an error value,
// or, in a confirmed request's parameters, into a Reject with `rejectReason`.
struct Malformed {
    std::string why;
    std::uint8_t rejectReason = kRejectInvalidTag;
};

enum AppTag : std::uint8_t {
    kTagNull = 0,
    kTagBoolean = 1,
    kTagUnsigned = 2,
    kTagReal = 4,
    kTagCharacterString = 7,
    kTagBitString = 8,
    kTagEnumerated = 9,
    kTagObjectId = 12,
};

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::size_t left() const { return m_bytes.size() - m_at; }
    bool atEnd() const { return left() == 0; }
    std::uint8_t peek() const {
        need(1);
        return m_bytes[m_at];
    }
    std::uint8_t byte() {
        need(1);
        return m_bytes[m_at++];
    }
    std::uint32_t bigEndian(std::size_t count) {
        need(count);
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < count; ++i) value = (value << 8) | m_bytes[m_at++];
        return value;
    }
    std::span<const std::uint8_t> take(std::size_t count) {
        need(count);
        auto part = m_bytes.subspan(m_at, count);
        m_at += count;
        return part;
    }

private:
    void need(std::size_t count) const {
        if (count > left()) throw Malformed{"cut short", kRejectMissingRequiredParameter};
    }

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_at = 0;
};

struct Tag {
    std::uint32_t number = 0;
    bool context = false;
    bool opening = false;
    bool closing = false;
    std::uint32_t length = 0;  // the value itself for an application Boolean
};

Tag readTag(Reader& in);
Tag expectTag(Reader& in, std::uint32_t number, bool context, const char* what);
std::uint32_t readUnsigned(Reader& in, std::uint32_t length);
std::uint32_t expectUnsigned(Reader& in, std::uint32_t number, bool context, const char* what);
ObjectId expectObjectId(Reader& in, std::uint32_t number, bool context);
// Whether a context tag `contextNumber` holding a primitive value comes next.
bool optionalTagFollows(const Reader& in, std::uint8_t contextNumber);
// The Unsigned in context tag `contextNumber` when one comes next.
std::optional<std::uint32_t> optionalUnsigned(Reader& in, std::uint8_t contextNumber, const char* what);
void expectOpening(Reader& in, std::uint8_t contextNumber);
bool closingFollows(const Reader& in, std::uint8_t contextNumber);
// Skips one value and everything nested in it up to its closing tag.
void skipValue(Reader& in, const Tag& tag);

class Writer {
public:
    void byte(std::uint8_t value) { m_bytes.push_back(value); }
    void bigEndian(std::uint32_t value, int count) {
        for (int shift = 8 * (count - 1); shift >= 0; shift -= 8) byte(static_cast<std::uint8_t>(value >> shift));
    }
    void tag(std::uint8_t number, bool context, std::uint32_t length);
    void unsignedValue(std::uint8_t number, bool context, std::uint32_t value);
    void objectId(std::uint8_t number, bool context, const ObjectId& id);

    std::vector<std::uint8_t> m_bytes;
};

}  // namespace vaskiro::bacnet
