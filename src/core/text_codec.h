#pragma once

#include <string>
#include <string_view>

namespace vaskiro::core {

// Texts in the image, the data file and the device reports are single-byte
// Windows-1252 on every platform, so a file written on one system reads the
// same on another. The five bytes that Windows-1252 leaves undefined (81, 8D,
// 8F, 90, 9D) map to the C1 controls of the same value, as Windows does, so
// every byte survives a trip to Unicode and back.

// UTF-8 to Windows-1252. A character the code page cannot hold, and any
// malformed UTF-8 sequence, becomes '?'.
std::string toWindows1252(std::string_view utf8);

// Windows-1252 to UTF-8; never fails.
std::string fromWindows1252(std::string_view bytes);

}  // namespace vaskiro::core
