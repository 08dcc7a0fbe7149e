// BACnet/IP framing (ASHRAE 135 Annex J and clause 6): the BVLC header and
// the NPDU around each APDU.
#include "bacnet/apdu.h"
#include "bacnet/codec.h"

namespace vaskiro::bacnet {

namespace {

constexpr std::uint8_t kBvlcType = 0x81;
constexpr std::uint8_t kForwardedNpdu = 0x04;
constexpr std::uint8_t kOriginalUnicast = 0x0A;
constexpr std::uint8_t kOriginalBroadcast = 0x0B;
constexpr std::uint8_t kNpduVersion = 0x01;
constexpr std::uint8_t kExpectingReply = 0x04;

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
    if (function == kForwardedNpdu)
        datagram.forwardedFrom = readEndpoint(in);
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

}  // namespace

std::vector<std::uint8_t> encode(const Message& message, bool broadcast) {
    Writer out;
    out.byte(kBvlcType);
    out.byte(broadcast ? kOriginalBroadcast : kOriginalUnicast);
    out.bigEndian(0, 2);  // length, set below
    out.byte(kNpduVersion);
    out.byte(isConfirmedRequest(message) ? kExpectingReply : 0);
    encodeApdu(message, out);
    const std::size_t length = out.m_bytes.size();
    out.m_bytes[2] = static_cast<std::uint8_t>(length >> 8);
    out.m_bytes[3] = static_cast<std::uint8_t>(length);
    return std::move(out.m_bytes);
}

core::Result<Datagram> decode(std::span<const std::uint8_t> bytes) {
    try {
        return decodeDatagram(bytes);
    } catch (const Malformed& fault) {
        return core::Unexpected(fault.why);
    }
}

}  // namespace vaskiro::bacnet
