#include "core/str_to_int.h"

#include <gtest/gtest.h>

using namespace vaskiro::config;

TEST(StrToInt, AcceptsASignAndDigitsWithinRange) {
    EXPECT_EQ(StrToInt("0"), 0);
    EXPECT_EQ(StrToInt("300"), 300);
    EXPECT_EQ(StrToInt("-1"), -1);
    EXPECT_EQ(StrToInt("+17"), 17);
    EXPECT_EQ(StrToInt("007"), 7);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(StrToInt("00000000000000000000012"), 12);
}

TEST(StrToInt, RefusesAnythingElse) {
    for (const char* bad : {"", " ", " 1", "1 ", "12a", "abc", "+", "-", "1.0", "2147483648",
                            "-2147483649", "99999999999999999999", "0x10", "$10", "--1"})
        EXPECT_FALSE(tryStrToInt(bad).has_value()) << '"' << bad << '"';
}

TEST(StrToInt, TheErrorNamesTheText) {
    try {
        StrToInt("");
        FAIL();
    } catch (const ConversionError& e) {
        EXPECT_STREQ(e.what(), "'' is not a valid integer value");
    }
    EXPECT_THROW(StrToInt("12a"), ConversionError);
}
