#pragma once

#include <cstddef>
#include <cstdint>

#include "core/configuration_image.h"
#include "device/report.h"

namespace vaskiro::device {

// The image travels in 23 blocks of two parts each. A part's payload byte k
// sits at report byte 3 + k in a write request and at report byte 2 + k in
// the device's reply to a read request, so what is written at 3 + k comes
// back at 2 + k.
inline constexpr int kBlockCount = 23;
inline constexpr int kBlockPartCount = 2 * kBlockCount;
inline constexpr std::size_t kWritePayloadAt = 3;
inline constexpr std::size_t kReplyPayloadAt = 2;
inline constexpr std::size_t kPayloadSize = kReportSize - kWritePayloadAt;  // 62

// Request codes, byte 1 of every outgoing report.
namespace request {
inline constexpr std::uint8_t Identify = 0x53;         // 'S'
inline constexpr std::uint8_t BeginWrite = 0x45;       // 'E'
inline constexpr std::uint8_t WriteBlockPart1 = 0x64;  // 'd'
inline constexpr std::uint8_t WriteBlockPart2 = 0x44;  // 'D'
inline constexpr std::uint8_t EndWrite = 0x5A;         // 'Z'
inline constexpr std::uint8_t ReadBlockPart1 = 0x72;   // 'r'
inline constexpr std::uint8_t ReadBlockPart2 = 0x52;   // 'R'
}  // namespace request

// The device's reply to Identify.
namespace identity {
inline constexpr std::size_t MarkAt = 2;  // bytes 2-4 must read 00 01 10
inline constexpr std::uint8_t Mark[3] = {0x00, 0x01, 0x10};
inline constexpr std::size_t SerialAt = 6;                           // 32 bits, least significant first
inline constexpr std::size_t VersionAt = 10;                         // text up to a zero byte
inline constexpr std::size_t VersionRoom = kReportSize - VersionAt;  // 55
}  // namespace identity

// Sets the payload bytes that `block` (0..22), `part` (1 or 2) carries into
// a write request, from the image. Every other byte of `report` (the
// request code, the block number, payload bytes this part does not name)
// keeps its value: the device sees whatever the buffer held before.
// A block or part out of range throws std::out_of_range.
void encodeBlockPart(const core::ConfigurationImage& image, int block, int part, Report& report);

// Stores the payload of a read reply for `block`, `part` into the image.
// Only the image bytes this part carries are written; texts are cut so that
// a NUL stays inside the carried range. Out of range throws std::out_of_range.
void decodeBlockPart(const Report& reply, int block, int part, core::ConfigurationImage& image);

}  // namespace vaskiro::device
