#include "core/text_codec.h"

#include <gtest/gtest.h>

using namespace vaskiro::config;

TEST(TextCodec, AsciiPassesUnchanged) {
    EXPECT_EQ(toWindows1252("Input 12"), "Input 12");
    EXPECT_EQ(fromWindows1252("Input 12"), "Input 12");
}

TEST(TextCodec, TheControlRangeUsesWindows1252) {
    EXPECT_EQ(toWindows1252("\u20AC"), "\x80");            // euro sign
    EXPECT_EQ(toWindows1252("\u2019\u0152\u0178"), "\x92\x8C\x9F");
    EXPECT_EQ(fromWindows1252("\x80"), "\u20AC");
    EXPECT_EQ(fromWindows1252("\x9F"), "\u0178");
    EXPECT_EQ(fromWindows1252("\xE9t\xE9"), "\u00E9t\u00E9");  // été
}

TEST(TextCodec, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(toWindows1252(fromWindows1252(all)), all);
}

TEST(TextCodec, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(toWindows1252("A\u0394B"), "A?B");           // Greek capital delta
    EXPECT_EQ(toWindows1252("\U0001F600"), "?");            // outside the BMP
    EXPECT_EQ(toWindows1252("x\xC3"), "x?");                // truncated sequence
    EXPECT_EQ(toWindows1252("\xC0\xAF"), "??");             // overlong form
}
