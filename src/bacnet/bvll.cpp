// BACnet/IP virtual link layer (ASHRAE 135 Annex J.2).
#include "bacnet/bvll.h"

#include <cstdio>

#include "bacnet/tag_coding.h"

namespace vaskiro::bacnet {

namespace {

constexpr std::uint8_t kBvlcType = 0x81;

enum Function : std::uint8_t {
    kResult = 0x00,
    kForwarded = 0x04,
    kRegister = 0x05,
    kDeleteEntry = 0x08,
    kDistribute = 0x09,
    kOriginalUnicast = 0x0A,
    kOriginalBroadcast = 0x0B,
};

void writeEndpoint(Writer& out, const Endpoint& endpoint) {
    for (std::uint8_t octet : endpoint.address) out.byte(octet);
    out.bigEndian(endpoint.port, 2);
}

Endpoint readEndpoint(Reader& in) {
    Endpoint endpoint;
    for (auto& octet : endpoint.address) octet = in.byte();
    endpoint.port = static_cast<std::uint16_t>(in.bigEndian(2));
    return endpoint;
}

std::vector<std::uint8_t> rest(Reader& in) {
    const auto bytes = in.take(in.left());
    return {bytes.begin(), bytes.end()};
}

LinkMessage decodeFrame(std::span<const std::uint8_t> bytes) {
    Reader in(bytes);
    if (in.byte() != kBvlcType) throw Malformed{"not BACnet/IP"};
    const std::uint8_t function = in.byte();
    if (in.bigEndian(2) != bytes.size()) throw Malformed{"BVLC length differs from the datagram's"};
    LinkMessage message;
    switch (function) {
    case kResult: message = BvlcResult{static_cast<std::uint16_t>(in.bigEndian(2))}; break;
    case kRegister: message = RegisterForeignDevice{static_cast<std::uint16_t>(in.bigEndian(2))}; break;
    case kDeleteEntry: message = DeleteForeignDeviceEntry{readEndpoint(in)}; break;
    case kDistribute: message = DistributeBroadcastToNetwork{rest(in)}; break;
    case kForwarded: {
        const Endpoint originator = readEndpoint(in);
        message = ForwardedNpdu{originator, rest(in)};
        break;
    }
    case kOriginalUnicast:
    case kOriginalBroadcast: message = OriginalNpdu{function == kOriginalBroadcast, rest(in)}; break;
    default: throw Malformed{"BVLC function " + std::to_string(function) + " carries no message for this tool"};
    }
    if (!in.atEnd()) throw Malformed{"bytes after the BVLC message"};
    return message;
}

}  // namespace

std::vector<std::uint8_t> encodeLink(const LinkMessage& message) {
    Writer out;
    out.byte(kBvlcType);
    out.byte(0);          // function, set below
    out.bigEndian(0, 2);  // length, set below
    std::uint8_t function = kResult;
    std::visit(
        [&](const auto& m) {
            using T = std::decay_t<decltype(m)>;
            const std::vector<std::uint8_t>* npdu = nullptr;
            if constexpr (std::is_same_v<T, BvlcResult>) {
                out.bigEndian(m.code, 2);
            } else if constexpr (std::is_same_v<T, RegisterForeignDevice>) {
                function = kRegister;
                out.bigEndian(m.ttlSeconds, 2);
            } else if constexpr (std::is_same_v<T, DeleteForeignDeviceEntry>) {
                function = kDeleteEntry;
                writeEndpoint(out, m.entry);
            } else if constexpr (std::is_same_v<T, DistributeBroadcastToNetwork>) {
                function = kDistribute;
                npdu = &m.npdu;
            } else if constexpr (std::is_same_v<T, ForwardedNpdu>) {
                function = kForwarded;
                writeEndpoint(out, m.originator);
                npdu = &m.npdu;
            } else {
                function = m.broadcast ? kOriginalBroadcast : kOriginalUnicast;
                npdu = &m.npdu;
            }
            // One byte at a time: GCC 12 at -O3 takes a range insert here for an overflow.
            if (npdu)
                for (const std::uint8_t byte : *npdu) out.m_bytes.push_back(byte);
        },
        message);
    out.m_bytes[1] = function;
    const std::size_t length = out.m_bytes.size();
    out.m_bytes[2] = static_cast<std::uint8_t>(length >> 8);
    out.m_bytes[3] = static_cast<std::uint8_t>(length);
    return std::move(out.m_bytes);
}

core::Result<LinkMessage> decodeLink(std::span<const std::uint8_t> bytes) {
    try {
        return decodeFrame(bytes);
    } catch (const Malformed& fault) {
        return core::Unexpected(fault.why);
    }
}

std::string bvlcResultText(std::uint16_t code) {
    switch (code) {
    case kBvlcSuccess: return "Successful completion";
    case 0x0010: return "Write-Broadcast-Distribution-Table NAK";
    case 0x0020: return "Read-Broadcast-Distribution-Table NAK";
    case kRegisterForeignDeviceNak: return "Register-Foreign-Device NAK";
    case 0x0040: return "Read-Foreign-Device-Table NAK";
    case kDeleteForeignDeviceEntryNak: return "Delete-Foreign-Device-Table-Entry NAK";
    case kDistributeBroadcastNak: return "Distribute-Broadcast-To-Network NAK";
    default: {
        char text[24];
        std::snprintf(text, sizeof text, "result code 0x%04X", code);
        return text;
    }
    }
}

}  // namespace vaskiro::bacnet
