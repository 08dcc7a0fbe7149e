#include <gtest/gtest.h>

#include "csv/csv.h"

using vaskiro::csv::Record;

namespace {

struct Case {
    const char* name;
    std::string text;
    char delimiter;
    std::vector<Record> records;
    std::vector<int> lines;
    std::string error = "";
    int errorLine = 0;
};

class CsvParse : public ::testing::TestWithParam<Case> {};

TEST_P(CsvParse, GivesTheRecordsAndTheirLinesOrTheFaultsLine) {
    auto result = vaskiro::csv::parse(GetParam().text);
    EXPECT_EQ(result ? "" : result.error().what, GetParam().error);
    EXPECT_EQ(result ? 0 : result.error().line, GetParam().errorLine);
    const vaskiro::csv::Table table = result ? *result : vaskiro::csv::Table{};
    EXPECT_EQ(table.delimiter, GetParam().delimiter);
    EXPECT_EQ(table.records, GetParam().records);
    EXPECT_EQ(table.lines, GetParam().lines);
}

const std::string kNotUtf8 = "is not UTF-8 text (save it as CSV UTF-8)";

INSTANTIATE_TEST_SUITE_P(
    Csv, CsvParse,
    ::testing::Values(
        Case{"Plain", "a,b\n1,2\n", ',', {{"a", "b"}, {"1", "2"}}, {1, 2}},
        Case{"CrLfAndNoFinalBreak", "a,b\r\n1,2", ',', {{"a", "b"}, {"1", "2"}}, {1, 2}},
        Case{"QuotedDelimiterQuoteAndBreak",
             "a,b\n\"x,\"\"y\"\"\",\"l1\r\nl2\"\n3,4\n",
             ',',
             {{"a", "b"}, {"x,\"y\"", "l1\r\nl2"}, {"3", "4"}},
             {1, 2, 4}},
        Case{"SemicolonFromTheHeader", "a;b;c\n1,5;2;\"x;y\"\n", ';', {{"a", "b", "c"}, {"1,5", "2", "x;y"}}, {1, 2}},
        Case{"CommaWhenQuotedSemicolons", "\"a;b;c\",d\n", ',', {{"a;b;c", "d"}}, {1}},
        Case{"BomSkipped", "\xEF\xBB\xBFname\n\xC3\xA9t\xC3\xA9\n", ',', {{"name"}, {"\xC3\xA9t\xC3\xA9"}}, {1, 2}},
        Case{"EmptyFieldsAndBlankRowsLeftOut", "a,b\n\n,,\n,x\n\"\",\"\"\n", ',', {{"a", "b"}, {"", "x"}}, {1, 4}},
        Case{"SpacesKept", "a, b \n", ',', {{"a", " b "}}, {1}}, Case{"Empty", "", ',', {}, {}},
        Case{"Latin1", "a\n\"x\ny\"\ncaf\xE9\n", ',', {}, {}, kNotUtf8, 4},
        Case{"Overlong", "\xC0\xAF", ',', {}, {}, kNotUtf8, 1},
        Case{"Truncated", "a\xE2\x82", ',', {}, {}, kNotUtf8, 1},
        Case{"QuoteInside", "a;b\nb\"c\n", ',', {}, {}, "has a quote inside a field that does not begin with one", 2},
        Case{"TextAfterQuote", "a\n\"b\"c\n", ',', {}, {}, "has text after a closing quote", 2},
        Case{"Unclosed", "a\n\"b\n\n", ',', {}, {}, "has a quote that is never closed", 2}),
    [](const auto& info) { return info.param.name; });

TEST(CsvFormat, QuotesOnlyWhatNeedsIt) {
    EXPECT_EQ(vaskiro::csv::formatRecord({"a", "", "b c"}), "a,,b c\r\n");
    EXPECT_EQ(vaskiro::csv::formatRecord({"x,y", "a;b", "say \"hi\"", " pad", "l1\nl2"}, ';'),
              "\"x,y\";\"a;b\";\"say \"\"hi\"\"\";\" pad\";\"l1\nl2\"\r\n");
}

}  // namespace
