#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "bacnet/address_text.h"
#include "core/result.h"

namespace vaskiro::bacnet {

// The BACnet Virtual Link Layer of BACnet/IP (ASHRAE 135 Annex J): the
// 4-octet header (type 0x81, function, length of the whole datagram) and
// the messages a foreign device and a BBMD exchange. An NPDU travels as its
// bytes; codec.h reads and writes what is inside.

// BVLC-Result codes.
inline constexpr std::uint16_t kBvlcSuccess = 0x0000;
inline constexpr std::uint16_t kRegisterForeignDeviceNak = 0x0030;
inline constexpr std::uint16_t kDeleteForeignDeviceEntryNak = 0x0050;
inline constexpr std::uint16_t kDistributeBroadcastNak = 0x0060;

struct BvlcResult {
    std::uint16_t code = kBvlcSuccess;
    friend bool operator==(const BvlcResult&, const BvlcResult&) = default;
};
struct RegisterForeignDevice {
    std::uint16_t ttlSeconds = 0;  // time-to-live; the BBMD adds a 30 s grace
    friend bool operator==(const RegisterForeignDevice&, const RegisterForeignDevice&) = default;
};
struct DeleteForeignDeviceEntry {
    Endpoint entry;  // the foreign device whose registration ends
    friend bool operator==(const DeleteForeignDeviceEntry&, const DeleteForeignDeviceEntry&) = default;
};
struct DistributeBroadcastToNetwork {
    std::vector<std::uint8_t> npdu;
    friend bool operator==(const DistributeBroadcastToNetwork&, const DistributeBroadcastToNetwork&) = default;
};
struct ForwardedNpdu {
    Endpoint originator;  // the B/IP address of the one that broadcast it
    std::vector<std::uint8_t> npdu;
    friend bool operator==(const ForwardedNpdu&, const ForwardedNpdu&) = default;
};
struct OriginalNpdu {
    bool broadcast = false;  // Original-Broadcast-NPDU, else Original-Unicast-NPDU
    std::vector<std::uint8_t> npdu;
    friend bool operator==(const OriginalNpdu&, const OriginalNpdu&) = default;
};

using LinkMessage = std::variant<BvlcResult, RegisterForeignDevice, DeleteForeignDeviceEntry,
                                 DistributeBroadcastToNetwork, ForwardedNpdu, OriginalNpdu>;

std::vector<std::uint8_t> encodeLink(const LinkMessage& message);

// The link message in `bytes`, or why it is not one: the header's type and
// length are checked against the datagram, each field against the bytes
// there; the functions of a BBMD's tables (Write/Read-BDT, Read-FDT and
// their acks) are refused, as this tool neither sends nor serves them.
core::Result<LinkMessage> decodeLink(std::span<const std::uint8_t> bytes);

// "Register-Foreign-Device NAK", "Successful completion", "result code 0x0070".
std::string bvlcResultText(std::uint16_t code);

}  // namespace vaskiro::bacnet
