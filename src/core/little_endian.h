#pragma once

#include <cstddef>
#include <cstdint>

namespace vaskiro::core {

// The device, its reports and the data file keep 32-bit numbers lowest byte
// first, whatever the machine's own order.
inline std::uint32_t readLittleEndian32(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
}

inline void writeLittleEndian32(std::uint8_t* bytes, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace vaskiro::core
