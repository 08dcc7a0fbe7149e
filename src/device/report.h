#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vaskiro::device {

// One HID report in either direction: byte 0 is the report ID (always 0 for
// this device), bytes 1 to 64 are the device's 64-byte report.
inline constexpr std::size_t kReportSize = 65;
using Report = std::array<std::uint8_t, kReportSize>;

}  // namespace vaskiro::device
