#include "core/display_text.h"

namespace vaskiro::core {

namespace {

constexpr char kHex[] = "0123456789abcdef";

void appendHex(std::string& out, const char* prefix, unsigned code, int digits) {
    out += prefix;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) out += kHex[(code >> shift) & 0xF];
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
        } else {
            out += static_cast<char>(byte);
        }
    }
    return out;
}

}  // namespace vaskiro::core
