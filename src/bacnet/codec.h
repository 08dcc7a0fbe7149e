#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "bacnet/address_text.h"
#include "bacnet/messages.h"
#include "core/result.h"

namespace vaskiro::bacnet {

// One BACnet/IP datagram: BVLC Original-Broadcast-NPDU when `broadcast`,
// Original-Unicast-NPDU otherwise; a local NPDU (no routing information)
// that expects a reply for a confirmed request; then the APDU.
// Character strings go out as ANSI X3.4/UTF-8 (character set 0).
std::vector<std::uint8_t> encode(const Message& message, bool broadcast);
// The NPDU alone (version, control, APDU), as a BVLL message carries it.
std::vector<std::uint8_t> encodeNpdu(const Message& message);

struct Datagram {
    Message message;
    bool broadcast = false;  // sent as a broadcast (by the device or a BBMD)
    // The original sender of a Forwarded-NPDU: the device's own address,
    // where the UDP source is the BBMD that forwarded it.
    std::optional<Endpoint> forwardedFrom;
    // The network and MAC address of a device behind a router.
    std::optional<std::uint16_t> sourceNetwork;
};

// Decodes a datagram or says why it is not one of the messages above. Every
// length is checked against the bytes that are there; nothing outside
// `bytes` is read. Accepts Original-Unicast-NPDU, Original-Broadcast-NPDU
// and Forwarded-NPDU; skips the routing fields of the NPDU (destination,
// source, hop count). Character strings in sets 0 (ANSI X3.4/UTF-8),
// 3 (UCS-4), 4 (UCS-2) and 5 (ISO 8859-1) become UTF-8; set 0 bytes that
// are not valid UTF-8 are read as Windows-1252, as older devices send them;
// the DBCS and JIS sets are refused as an error, since their code pages
// cannot be decoded without tables.
core::Result<Datagram> decode(std::span<const std::uint8_t> bytes);

}  // namespace vaskiro::bacnet
