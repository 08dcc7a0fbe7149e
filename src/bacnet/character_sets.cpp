#include "bacnet/character_sets.h"

#include "core/text_codec.h"

namespace vaskiro::bacnet {

namespace {

void appendUtf8(std::string& out, std::uint32_t code) {
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool validUtf8(std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::uint8_t lead = bytes[i];
        std::size_t extra = lead < 0x80             ? 0
                            : (lead & 0xE0) == 0xC0 ? 1
                            : (lead & 0xF0) == 0xE0 ? 2
                            : (lead & 0xF8) == 0xF0 ? 3
                                                    : 4;
        if (extra == 4 || i + extra >= bytes.size()) return false;
        std::uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) return false;
            code = (code << 6) | (bytes[i + k] & 0x3F);
        }
        constexpr std::uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (code < least[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

}  // namespace

Value readCharacterString(Reader& in, std::uint32_t length) {
    if (length < 1) throw Malformed{"character string without its character set"};
    const std::uint8_t charset = in.byte();
    auto text = in.take(length - 1);
    std::string out;
    switch (charset) {
    case kUtf8:
        if (validUtf8(text)) return std::string(text.begin(), text.end());
        return core::fromWindows1252({reinterpret_cast<const char*>(text.data()), text.size()});
    case kIso8859_1:
        for (std::uint8_t c : text) appendUtf8(out, c);
        return out;
    case kUcs2:
    case kUcs4: {
        const std::size_t width = charset == kUcs2 ? 2 : 4;
        if (text.size() % width != 0)
            return UnreadableText{std::string("in ") + (charset == kUcs2 ? "UCS-2" : "UCS-4") +
                                  " cut inside a character"};
        Reader chars(text);
        while (!chars.atEnd()) appendUtf8(out, chars.bigEndian(width));
        return out;
    }
    default: return UnreadableText{"in character set " + std::to_string(charset)};
    }
}

void writeCharacterString(Writer& out, std::string_view text) {
    out.tag(kTagCharacterString, false, static_cast<std::uint32_t>(text.size() + 1));
    out.byte(kUtf8);
    out.m_bytes.insert(out.m_bytes.end(), text.begin(), text.end());
}

}  // namespace vaskiro::bacnet
