#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/configuration_image.h"
#include "core/result.h"

namespace vaskiro::core {

// How each kind of setting value is written, one rule per kind for `set`,
// a worklist and JSON alike. A refusal completes a sentence that begins with
// the setting's key ("port: must be ...").

// Refused in every number: some programs read 010 as octal, others as decimal.
inline constexpr std::string_view kLeadingZeroRefusal =
    "must be written without leading zeros: some programs read 010 as octal 8, others as 10";

// A whole number from 0 to `high` in plain decimal digits: no sign, no
// leading zero, no hexadecimal. `what` names it ("a UDP port number").
Result<std::uint32_t> parsePlainNumber(std::string_view text, std::uint32_t high, std::string_view what);

// A decimal number, finite as a single: digits with an optional point and
// exponent, '-' only when `negativeAllowed`; no '+', no leading zero before
// the point, no hexadecimal, no infinity or NaN.
Result<float> parseSettingFloat(std::string_view text, bool negativeAllowed);

// A decimal comma as spreadsheets write it where ';' separates cells: "0,5" is 0.5.
std::string withDecimalPoint(std::string_view text);

// on, true, yes, 1 and off, false, no, 0, in any letter case.
std::optional<bool> parseOnOff(std::string_view text);

// A sub-net mask: ones from the left, then zeros only.
bool isContiguousMask(const core::Octets& mask);

// A text as a setting takes it: UTF-8 outside, Windows-1252 in the image, no
// control characters, at most `limit` characters. `kept` says when the limit
// is what the device keeps rather than what the setting takes.
Result<std::string> settingText(std::string_view utf8, int limit, bool kept);

}  // namespace vaskiro::core
