#include "core/display_text.h"

#include <algorithm>
#include <cctype>

namespace vaskiro::core {

namespace {

constexpr char kHex[] = "0123456789abcdef";

void appendHex(std::string& out, const char* prefix, unsigned code, int digits) {
    out += prefix;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) out += kHex[(code >> shift) & 0xF];
}

// The code point of a UTF-8 sequence at text[i] that reorders or breaks what
// follows it on screen (bidirectional controls, line and paragraph
// separators), and its length; 0 otherwise.
std::pair<unsigned, std::size_t> layoutControlAt(std::string_view text, std::size_t i) {
    const auto at = [&](std::size_t k) { return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0u; };
    if (at(0) == 0xD8 && at(1) == 0x9C) return {0x061C, 2};  // Arabic letter mark
    if (at(0) != 0xE2 || (at(1) != 0x80 && at(1) != 0x81) || at(2) < 0x80 || at(2) > 0xBF) return {0, 0};
    const unsigned code = 0x2000 | (at(1) & 0x3F) << 6 | (at(2) & 0x3F);
    const bool layout =
        code == 0x200E || code == 0x200F || (code >= 0x2028 && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
    return layout ? std::pair{code, std::size_t{3}} : std::pair{0u, std::size_t{0}};
}

}  // namespace

std::string escapeControlCharacters(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
        if (byte == '\\') {
            out += "\\\\";
        } else if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\t') {
            out += "\\t";
        } else if (byte == '\r') {
            out += "\\r";
        } else if (byte < 0x20 || byte == 0x7F) {
            appendHex(out, "\\x", byte, 2);
        } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
            appendHex(out, "\\u", next, 4);  // U+0080 to U+009F: C2 80 to C2 9F in UTF-8
            ++i;
        } else if (const auto [code, length] = layoutControlAt(text, i); length > 0) {
            appendHex(out, "\\u", code, 4);
            i += length - 1;
        } else {
            out += static_cast<char>(byte);
        }
    }
    return out;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace vaskiro::core
