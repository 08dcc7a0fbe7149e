#include <gtest/gtest.h>

#include "core/display_text.h"

using vaskiro::core::escapeControlCharacters;

TEST(DisplayText, ControlCharactersShowAsEscapesThatReadBackToOneText) {
    const std::pair<std::string, std::string> cases[] = {
        {"Boiler 2", "Boiler 2"},
        {"A\nB\tC\rD", "A\\nB\\tC\\rD"},
        {"\x1b[31mred", "\\x1b[31mred"},
        {std::string("\0\x01\x1f\x7f", 4), "\\x00\\x01\\x1f\\x7f"},
        {"a\\nb", "a\\\\nb"},                                              // a backslash and an n, not a line break
        {"\xC2\x85next\xC2\x9B", "\\u0085next\\u009b"},                    // C1 NEL and CSI as UTF-8
        {"\xC2\xA0\xC3\xA9\xE2\x82\xAC", "\xC2\xA0\xC3\xA9\xE2\x82\xAC"},  // no-break space, é, € pass
        {"\xC2", "\xC2"},
        {"abc\xE2\x80\xAEgpj.exe", "abc\\u202egpj.exe"},                                   // right-to-left override
        {"\xE2\x80\x8F\xE2\x81\xA6\xD8\x9C\xE2\x80\xA8", "\\u200f\\u2066\\u061c\\u2028"},  // marks, isolate, separator
        {"\xE2\x80\xB0\xE2\x80\x94", "\xE2\x80\xB0\xE2\x80\x94"},                          // per mille and em dash pass
    };
    for (const auto& [raw, shown] : cases) EXPECT_EQ(escapeControlCharacters(raw), shown) << raw;
}
