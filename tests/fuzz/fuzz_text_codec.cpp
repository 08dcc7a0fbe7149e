// The text codec: every single-byte text survives a trip through UTF-8, and
// whatever UTF-8 (or not) comes in, what goes out is well-formed.
#include <string>

#include "core/text_codec.h"
#include "fuzz_check.h"

using namespace vaskiro::core;

namespace {

// Well-formed UTF-8 as RFC 3629 has it: shortest form, no surrogates, at
// most U+10FFFF. Written apart from the codec so that neither checks itself.
bool wellFormedUtf8(std::string_view text, std::size_t& codePoints) {
    codePoints = 0;
    for (std::size_t i = 0; i < text.size(); ++codePoints) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        std::size_t length = b0 < 0x80             ? 1
                             : (b0 & 0xE0) == 0xC0 ? 2
                             : (b0 & 0xF0) == 0xE0 ? 3
                             : (b0 & 0xF8) == 0xF0 ? 4
                                                   : 0;
        if (length == 0 || i + length > text.size()) return false;
        std::uint32_t cp = length == 1 ? b0 : b0 & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto b = static_cast<unsigned char>(text[i + k]);
            if ((b & 0xC0) != 0x80) return false;
            cp = cp << 6 | (b & 0x3F);
        }
        static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t codePoints = 0;

    // As single-byte text: one code point per byte, and back unchanged.
    const std::string utf8 = fromWindows1252(input);
    FUZZ_CHECK(wellFormedUtf8(utf8, codePoints));
    FUZZ_CHECK(codePoints == size);
    FUZZ_CHECK(toWindows1252(utf8) == input);

    // As UTF-8: at most one byte per input byte; well-formed input gives
    // one byte per code point; what comes out makes the round trip.
    const std::string single = toWindows1252(input);
    FUZZ_CHECK(single.size() <= size);
    if (wellFormedUtf8(input, codePoints)) FUZZ_CHECK(single.size() == codePoints);
    FUZZ_CHECK(toWindows1252(fromWindows1252(single)) == single);
    return 0;
}
