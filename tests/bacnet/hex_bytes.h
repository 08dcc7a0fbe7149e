#pragma once

#include <cstdint>
#include <sstream>
#include <vector>

// Bytes written as the standard's tables show them: "81 0b 00 0c".
inline std::vector<std::uint8_t> hex(const char* text) {
    std::vector<std::uint8_t> bytes;
    std::istringstream in(text);
    unsigned value = 0;
    while (in >> std::hex >> value) bytes.push_back(static_cast<std::uint8_t>(value));
    return bytes;
}
