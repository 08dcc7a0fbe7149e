#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vaskiro::core {

// Scaling factors and COV increments are single-precision in the image. They
// are shown with the fewest digits that read back as the same single (1024,
// 0.1, 1e-05), so showing a value and taking it back never changes its bytes.
std::string formatFloat(float value);

// A decimal number (optional sign, digits, point, exponent) that makes up the
// whole text and is finite as a single; nothing otherwise.
std::optional<float> parseFloat(std::string_view text);

}  // namespace vaskiro::core
