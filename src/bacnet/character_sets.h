#pragma once

// BACnet character strings (ASHRAE 135 clause 20.2.9): the character set
// octet, then the text in that set.

#include <cstdint>
#include <string>
#include <string_view>

#include "bacnet/tag_coding.h"

namespace vaskiro::bacnet {

enum Charset : std::uint8_t { kUtf8 = 0, kUcs4 = 3, kUcs2 = 4, kIso8859_1 = 5 };

// The `length` octets of a character string's value as UTF-8. Set 0 bytes
// that are not valid UTF-8 are read as Windows-1252, as older devices send
// them; sets 1 and 2 (DBCS, JIS) and UCS text cut inside a character are an
// UnreadableText, since the first cannot be decoded without code page tables.
Value readCharacterString(Reader& in, std::uint32_t length);
// An application-tagged character string in set 0.
void writeCharacterString(Writer& out, std::string_view text);

}  // namespace vaskiro::bacnet
