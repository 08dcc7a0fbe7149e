#pragma once

// The application layer (ASHRAE 135 clause 20.1): the APDU of each message,
// without the BVLC and NPDU around it. Shared by datagram.cpp; not for use
// outside bacnet/.

#include <cstdint>

#include "bacnet/messages.h"
#include "bacnet/tag_coding.h"

namespace vaskiro::bacnet {

enum PduType : std::uint8_t {
    kConfirmedRequest = 0,
    kUnconfirmedRequest = 1,
    kSimpleAck = 2,
    kComplexAck = 3,
    kErrorPdu = 5,
    kRejectPdu = 6,
    kAbortPdu = 7,
};
inline constexpr std::uint8_t kServiceIAm = 0;
inline constexpr std::uint8_t kServiceWhoIs = 8;
inline constexpr std::uint8_t kSegmentedMessage = 0x08;
inline constexpr std::uint8_t kMaxApdu1476 = 0x05;

// Reads the APDU up to the end of `in`'s message; throws Malformed.
Message decodeApdu(Reader& in);
void encodeApdu(const Message& message, Writer& out);
bool isConfirmedRequest(const Message& message);

}  // namespace vaskiro::bacnet
