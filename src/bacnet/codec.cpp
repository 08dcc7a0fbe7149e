#include "bacnet/codec.h"

#include <charconv>

#include "core/text_codec.h"

namespace vaskiro::bacnet {

namespace {

constexpr std::uint8_t kBvlcType = 0x81;
constexpr std::uint8_t kForwardedNpdu = 0x04;
constexpr std::uint8_t kOriginalUnicast = 0x0A;
constexpr std::uint8_t kOriginalBroadcast = 0x0B;
constexpr std::uint8_t kNpduVersion = 0x01;
constexpr std::uint8_t kExpectingReply = 0x04;

enum PduType : std::uint8_t {
    kConfirmedRequest = 0,
    kUnconfirmedRequest = 1,
    kComplexAck = 3,
    kErrorPdu = 5,
    kRejectPdu = 6,
    kAbortPdu = 7,
};
constexpr std::uint8_t kServiceIAm = 0;
constexpr std::uint8_t kServiceWhoIs = 8;
constexpr std::uint8_t kServiceReadProperty = 12;
constexpr std::uint8_t kSegmentedMessage = 0x08;
constexpr std::uint8_t kMaxApdu1476 = 0x05;

enum AppTag : std::uint8_t {
    kTagBoolean = 1,
    kTagUnsigned = 2,
    kTagCharacterString = 7,
    kTagEnumerated = 9,
    kTagObjectId = 12,
};
enum Charset : std::uint8_t { kUtf8 = 0, kUcs4 = 3, kUcs2 = 4, kIso8859_1 = 5 };

// Decoding stops at the first fault; decode() turns it into an error value.
struct Malformed {
    std::string why;
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
        if (count > left()) throw Malformed{"cut short"};
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
        if (tag.length == 254) tag.length = in.bigEndian(2);
        else if (tag.length == 255) tag.length = in.bigEndian(4);
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
    return {static_cast<std::uint16_t>(raw >> 22), raw & kMaxInstance};
}

bool optionalTagFollows(const Reader& in, std::uint8_t contextNumber) {
    return !in.atEnd() && (in.peek() & 0xF8) == ((contextNumber << 4) | 0x08) && (in.peek() & 0x07) < 6;
}

void appendUtf8(std::string& out, std::uint32_t code) {
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool validUtf8(std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::uint8_t lead = bytes[i];
        std::size_t extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2
                          : (lead & 0xF8) == 0xF0 ? 3 : 4;
        if (extra == 4 || i + extra >= bytes.size()) return false;
        std::uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) return false;
            code = (code << 6) | (bytes[i + k] & 0x3F);
        }
        constexpr std::uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (code < least[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

std::string readCharacterString(Reader& in, std::uint32_t length) {
    if (length < 1) throw Malformed{"character string without its character set"};
    const std::uint8_t charset = in.byte();
    auto text = in.take(length - 1);
    std::string out;
    switch (charset) {
    case kUtf8:
        if (validUtf8(text)) return {text.begin(), text.end()};
        return config::fromWindows1252({reinterpret_cast<const char*>(text.data()), text.size()});
    case kIso8859_1:
        for (std::uint8_t c : text) appendUtf8(out, c);
        return out;
    case kUcs2:
    case kUcs4: {
        const std::size_t width = charset == kUcs2 ? 2 : 4;
        if (text.size() % width != 0) throw Malformed{"character string cut inside a character"};
        Reader chars(text);
        while (!chars.atEnd()) appendUtf8(out, chars.bigEndian(width));
        return out;
    }
    default:
        throw Malformed{"character set " + std::to_string(charset) + " is not supported"};
    }
}

// Skips one value and everything nested in it up to its closing tag; without
// recursion, so that no depth of nesting a datagram can hold exhausts the stack.
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

Value readPropertyValue(Reader& in) {
    Tag tag = readTag(in);
    std::optional<Value> value;
    if (!tag.context && !tag.opening) {
        switch (tag.number) {
        case kTagCharacterString: value = readCharacterString(in, tag.length); break;
        case kTagUnsigned:
        case kTagEnumerated: value = readUnsigned(in, tag.length); break;
        default: break;
        }
    }
    if (!value) {
        skipValue(in, tag);
        value = OtherValue{static_cast<std::uint8_t>(tag.number)};
    }
    // A list of values is more than the check reads: skip the rest of it.
    while (in.peek() != 0x3F) {
        skipValue(in, readTag(in));
        value = OtherValue{static_cast<std::uint8_t>(tag.number)};
    }
    return *value;
}

Message decodeApdu(Reader& in) {
    const std::uint8_t first = in.byte();
    switch (first >> 4) {
    case kConfirmedRequest: {
        if (first & kSegmentedMessage) throw Malformed{"segmented request"};
        in.byte();  // maximum segments and APDU size the client accepts
        const std::uint8_t invokeId = in.byte();
        const std::uint8_t service = in.byte();
        if (service != kServiceReadProperty) {
            in.take(in.left());
            return OtherRequest{invokeId, service};
        }
        ReadProperty request{invokeId, expectObjectId(in, 0, true), expectUnsigned(in, 1, true, "a property")};
        if (!in.atEnd()) throw Malformed{"ReadProperty of an array element"};
        return request;
    }
    case kUnconfirmedRequest: {
        const std::uint8_t service = in.byte();
        if (service == kServiceWhoIs) {
            WhoIs whoIs;
            if (in.atEnd()) return whoIs;
            whoIs.low = expectUnsigned(in, 0, true, "a low limit");
            whoIs.high = expectUnsigned(in, 1, true, "a high limit");
            if (*whoIs.low > kMaxInstance || *whoIs.high > kMaxInstance) throw Malformed{"limit out of range"};
            return whoIs;
        }
        if (service == kServiceIAm) {
            IAm iAm;
            ObjectId device = expectObjectId(in, kTagObjectId, false);
            if (device.type != kDeviceObjectType) throw Malformed{"I-Am for an object that is not a device"};
            iAm.instance = device.instance;
            iAm.maxApdu = expectUnsigned(in, kTagUnsigned, false, "the maximum APDU length");
            iAm.segmentation = expectUnsigned(in, kTagEnumerated, false, "the segmentation");
            iAm.vendorId = expectUnsigned(in, kTagUnsigned, false, "a vendor identifier");
            return iAm;
        }
        throw Malformed{"unconfirmed service " + std::to_string(service) + " is not used"};
    }
    case kComplexAck: {
        if (first & kSegmentedMessage) throw Malformed{"segmented reply"};
        ReadPropertyAck ack;
        ack.invokeId = in.byte();
        if (in.byte() != kServiceReadProperty) throw Malformed{"acknowledgement of another service"};
        ack.object = expectObjectId(in, 0, true);
        ack.property = expectUnsigned(in, 1, true, "a property");
        if (optionalTagFollows(in, 2)) expectUnsigned(in, 2, true, "an array index");
        if (in.byte() != 0x3E) throw Malformed{"expected the value's opening tag"};
        ack.value = readPropertyValue(in);
        in.byte();  // the closing tag, seen by readPropertyValue
        return ack;
    }
    case kErrorPdu: {
        Error error;
        error.invokeId = in.byte();
        error.service = in.byte();
        error.errorClass = expectUnsigned(in, kTagEnumerated, false, "an error class");
        error.errorCode = expectUnsigned(in, kTagEnumerated, false, "an error code");
        return error;
    }
    case kRejectPdu: {
        Reject reject;
        reject.invokeId = in.byte();
        reject.reason = in.byte();
        return reject;
    }
    case kAbortPdu: {
        Abort abort;
        abort.fromServer = (first & 0x01) != 0;
        abort.invokeId = in.byte();
        abort.reason = in.byte();
        return abort;
    }
    default:
        throw Malformed{"APDU type " + std::to_string(first >> 4) + " is not used"};
    }
}

Endpoint readEndpoint(Reader& in) {
    Endpoint endpoint;
    for (auto& octet : endpoint.address) octet = in.byte();
    endpoint.port = static_cast<std::uint16_t>(in.bigEndian(2));
    return endpoint;
}

Datagram decodeDatagram(std::span<const std::uint8_t> bytes) {
    Reader in(bytes);
    if (in.byte() != kBvlcType) throw Malformed{"not BACnet/IP"};
    const std::uint8_t function = in.byte();
    if (in.bigEndian(2) != bytes.size()) throw Malformed{"BVLC length differs from the datagram's"};
    Datagram datagram{WhoIs{}, function != kOriginalUnicast, std::nullopt, std::nullopt};
    if (function == kForwardedNpdu) datagram.forwardedFrom = readEndpoint(in);
    else if (function != kOriginalUnicast && function != kOriginalBroadcast)
        throw Malformed{"BVLC function " + std::to_string(function) + " carries no message for this tool"};

    if (in.byte() != kNpduVersion) throw Malformed{"NPDU version is not 1"};
    const std::uint8_t control = in.byte();
    if (control & 0x80) throw Malformed{"network layer message"};
    const bool hasDestination = (control & 0x20) != 0;
    if (hasDestination) {
        in.bigEndian(2);
        in.take(in.byte());  // DADR; DLEN 0 is a broadcast on that network
    }
    if (control & 0x08) {
        datagram.sourceNetwork = static_cast<std::uint16_t>(in.bigEndian(2));
        const std::uint8_t sourceLength = in.byte();
        if (sourceLength == 0) throw Malformed{"source address of length 0"};
        in.take(sourceLength);
    }
    if (hasDestination) in.byte();  // hop count
    datagram.message = decodeApdu(in);
    if (!in.atEnd()) throw Malformed{"bytes after the message"};
    return datagram;
}

class Writer {
public:
    void byte(std::uint8_t value) { m_bytes.push_back(value); }
    void bigEndian(std::uint32_t value, int count) {
        for (int shift = 8 * (count - 1); shift >= 0; shift -= 8) byte(static_cast<std::uint8_t>(value >> shift));
    }
    void tag(std::uint8_t number, bool context, std::uint32_t length) {
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
    void unsignedValue(std::uint8_t number, bool context, std::uint32_t value) {
        const int count = value > 0xFFFFFF ? 4 : value > 0xFFFF ? 3 : value > 0xFF ? 2 : 1;
        tag(number, context, static_cast<std::uint32_t>(count));
        bigEndian(value, count);
    }
    void objectId(std::uint8_t number, bool context, const ObjectId& id) {
        tag(number, context, 4);
        bigEndian(static_cast<std::uint32_t>(id.type) << 22 | (id.instance & kMaxInstance), 4);
    }
    void value(const Value& value) {
        if (const auto* text = std::get_if<std::string>(&value)) {
            tag(kTagCharacterString, false, static_cast<std::uint32_t>(text->size() + 1));
            byte(kUtf8);
            m_bytes.insert(m_bytes.end(), text->begin(), text->end());
        } else if (const auto* number = std::get_if<std::uint32_t>(&value)) {
            unsignedValue(kTagUnsigned, false, *number);
        } else {
            tag(std::get<OtherValue>(value).tag, false, 0);
        }
    }

    void operator()(const WhoIs& whoIs) {
        byte(kUnconfirmedRequest << 4);
        byte(kServiceWhoIs);
        if (!whoIs.low || !whoIs.high) return;
        unsignedValue(0, true, *whoIs.low);
        unsignedValue(1, true, *whoIs.high);
    }
    void operator()(const IAm& iAm) {
        byte(kUnconfirmedRequest << 4);
        byte(kServiceIAm);
        objectId(kTagObjectId, false, {kDeviceObjectType, iAm.instance});
        unsignedValue(kTagUnsigned, false, iAm.maxApdu);
        unsignedValue(kTagEnumerated, false, iAm.segmentation);
        unsignedValue(kTagUnsigned, false, iAm.vendorId);
    }
    void operator()(const ReadProperty& request) {
        confirmedHeader(request.invokeId, kServiceReadProperty);
        objectId(0, true, request.object);
        unsignedValue(1, true, request.property);
    }
    void operator()(const OtherRequest& request) { confirmedHeader(request.invokeId, request.service); }
    void operator()(const ReadPropertyAck& ack) {
        byte(kComplexAck << 4);
        byte(ack.invokeId);
        byte(kServiceReadProperty);
        objectId(0, true, ack.object);
        unsignedValue(1, true, ack.property);
        byte(0x3E);
        value(ack.value);
        byte(0x3F);
    }
    void operator()(const Error& error) {
        byte(kErrorPdu << 4);
        byte(error.invokeId);
        byte(error.service);
        unsignedValue(kTagEnumerated, false, error.errorClass);
        unsignedValue(kTagEnumerated, false, error.errorCode);
    }
    void operator()(const Reject& reject) {
        byte(kRejectPdu << 4);
        byte(reject.invokeId);
        byte(reject.reason);
    }
    void operator()(const Abort& abort) {
        byte(static_cast<std::uint8_t>(kAbortPdu << 4 | (abort.fromServer ? 1 : 0)));
        byte(abort.invokeId);
        byte(abort.reason);
    }

    std::vector<std::uint8_t> m_bytes;

private:
    void confirmedHeader(std::uint8_t invokeId, std::uint8_t service) {
        byte(kConfirmedRequest << 4);
        byte(kMaxApdu1476);
        byte(invokeId);
        byte(service);
    }
};

}  // namespace

std::vector<std::uint8_t> encode(const Message& message, bool broadcast) {
    const bool confirmed = std::holds_alternative<ReadProperty>(message) || std::holds_alternative<OtherRequest>(message);
    Writer out;
    out.byte(kBvlcType);
    out.byte(broadcast ? kOriginalBroadcast : kOriginalUnicast);
    out.bigEndian(0, 2);  // length, set below
    out.byte(kNpduVersion);
    out.byte(confirmed ? kExpectingReply : 0);
    std::visit(out, message);
    const std::size_t length = out.m_bytes.size();
    out.m_bytes[2] = static_cast<std::uint8_t>(length >> 8);
    out.m_bytes[3] = static_cast<std::uint8_t>(length);
    return std::move(out.m_bytes);
}

Decoded decode(std::span<const std::uint8_t> bytes) {
    try {
        return {decodeDatagram(bytes), {}};
    } catch (const Malformed& fault) {
        return {std::nullopt, fault.why};
    }
}

std::string formatAddress(const std::array<std::uint8_t, 4>& address) {
    std::string text;
    for (std::uint8_t octet : address) text += (text.empty() ? "" : ".") + std::to_string(octet);
    return text;
}

std::string formatEndpoint(const Endpoint& endpoint) {
    return formatAddress(endpoint.address) + ':' + std::to_string(endpoint.port);
}

std::optional<Endpoint> parseEndpoint(const std::string& text, std::uint16_t defaultPort) {
    Endpoint endpoint;
    endpoint.port = defaultPort;
    const char* at = text.data();
    const char* end = at + text.size();
    for (std::size_t i = 0; i < 4; ++i) {
        unsigned octet = 256;
        auto [next, error] = std::from_chars(at, end, octet);
        if (error != std::errc{} || next == at || next - at > 3 || octet > 255) return std::nullopt;
        endpoint.address[i] = static_cast<std::uint8_t>(octet);
        at = next;
        if (i < 3 && (at == end || *at++ != '.')) return std::nullopt;
    }
    if (at != end) {
        unsigned port = 0;
        if (*at++ != ':') return std::nullopt;
        auto [next, error] = std::from_chars(at, end, port);
        if (error != std::errc{} || next != end || port == 0 || port > 0xFFFF) return std::nullopt;
        endpoint.port = static_cast<std::uint16_t>(port);
    }
    return endpoint;
}

}  // namespace vaskiro::bacnet
