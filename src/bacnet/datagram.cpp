// BACnet/IP framing (ASHRAE 135 Annex J and clause 6): the BVLC header and
// the NPDU around each APDU.
#include "bacnet/apdu.h"
#include "bacnet/bvll.h"
#include "bacnet/codec.h"

namespace vaskiro::bacnet {

namespace {

constexpr std::uint8_t kNpduVersion = 0x01;
constexpr std::uint8_t kExpectingReply = 0x04;

Datagram decodeNpdu(std::span<const std::uint8_t> bytes, bool broadcast, std::optional<Endpoint> forwardedFrom) {
    Reader in(bytes);
    Datagram datagram{WhoIs{}, broadcast, forwardedFrom, std::nullopt};
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

std::vector<std::uint8_t> encodeNpdu(const Message& message) {
    Writer out;
    out.byte(kNpduVersion);
    out.byte(isConfirmedRequest(message) ? kExpectingReply : 0);
    encodeApdu(message, out);
    return std::move(out.m_bytes);
}

std::vector<std::uint8_t> encode(const Message& message, bool broadcast) {
    return encodeLink(OriginalNpdu{broadcast, encodeNpdu(message)});
}

core::Result<Datagram> decode(std::span<const std::uint8_t> bytes) {
    auto link = decodeLink(bytes);
    if (!link) return core::Unexpected(link.error());
    try {
        if (const auto* original = std::get_if<OriginalNpdu>(&*link))
            return decodeNpdu(original->npdu, original->broadcast, std::nullopt);
        if (const auto* forwarded = std::get_if<ForwardedNpdu>(&*link))
            return decodeNpdu(forwarded->npdu, true, forwarded->originator);
    } catch (const Malformed& fault) {
        return core::Unexpected(fault.why);
    }
    return core::Unexpected(std::string("a BVLC message for a BBMD or a foreign device, not an NPDU"));
}

}  // namespace vaskiro::bacnet
