#include "core/text_codec.h"

#include <gtest/gtest.h>

using namespace vaskiro::core;

// Every byte's round trip and well-formed output are the fuzz target's; these are the code page's own letters.
TEST(TextCodec, TheControlRangeUsesWindows1252AndTheRestBecomesQuestionMarks) {
    EXPECT_EQ(toWindows1252("Input 12\u20AC\u2019\u0152\u0178"), "Input 12\x80\x92\x8C\x9F");
    EXPECT_EQ(fromWindows1252("\x80\x9F\xE9t\xE9"), "\u20AC\u0178\u00E9t\u00E9");
    EXPECT_EQ(toWindows1252("A\u0394B"), "A?B");  // Greek capital delta
    EXPECT_EQ(toWindows1252("\U0001F600"), "?");  // outside the BMP
    EXPECT_EQ(toWindows1252("x\xC3"), "x?");      // truncated sequence
    EXPECT_EQ(toWindows1252("\xC0\xAF"), "??");   // overlong form
}
