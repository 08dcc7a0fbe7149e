#include <gtest/gtest.h>

#include "csv/csv.h"

using vaskiro::csv::Record;

namespace {

struct Parsed {
    const char* name;
    std::string text;
    char delimiter;
    std::vector<Record> records;
    std::vector<int> lines;
};

class CsvParse : public ::testing::TestWithParam<Parsed> {};

TEST_P(CsvParse, GivesTheRecordsAndTheirLines) {
    auto result = vaskiro::csv::parse(GetParam().text);
    ASSERT_EQ(result.error, "");
    EXPECT_EQ(result.table.delimiter, GetParam().delimiter);
    EXPECT_EQ(result.table.records, GetParam().records);
    EXPECT_EQ(result.table.lines, GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Csv, CsvParse,
    ::testing::Values(
        Parsed{"Plain", "a,b\n1,2\n", ',', {{"a", "b"}, {"1", "2"}}, {1, 2}},
        Parsed{"CrLfAndNoFinalBreak", "a,b\r\n1,2", ',', {{"a", "b"}, {"1", "2"}}, {1, 2}},
        Parsed{"QuotedDelimiterQuoteAndBreak", "a,b\n\"x,\"\"y\"\"\",\"l1\r\nl2\"\n3,4\n", ',',
               {{"a", "b"}, {"x,\"y\"", "l1\r\nl2"}, {"3", "4"}}, {1, 2, 4}},
        Parsed{"SemicolonFromTheHeader", "a;b;c\n1,5;2;\"x;y\"\n", ';', {{"a", "b", "c"}, {"1,5", "2", "x;y"}}, {1, 2}},
        Parsed{"CommaWhenQuotedSemicolons", "\"a;b;c\",d\n", ',', {{"a;b;c", "d"}}, {1}},
        Parsed{"BomSkipped", "\xEF\xBB\xBFname\n\xC3\xA9t\xC3\xA9\n", ',', {{"name"}, {"\xC3\xA9t\xC3\xA9"}}, {1, 2}},
        Parsed{"EmptyFieldsAndBlankRowsLeftOut", "a,b\n\n,,\n,x\n\"\",\"\"\n", ',', {{"a", "b"}, {"", "x"}}, {1, 4}},
        Parsed{"SpacesKept", "a, b \n", ',', {{"a", " b "}}, {1}},
        Parsed{"Empty", "", ',', {}, {}}),
    [](const auto& info) { return info.param.name; });

struct Refused {
    const char* name;
    std::string text;
    int line;
    std::string error;
};

class CsvRefuse : public ::testing::TestWithParam<Refused> {};

TEST_P(CsvRefuse, NamesTheLine) {
    auto result = vaskiro::csv::parse(GetParam().text);
    EXPECT_EQ(result.error, GetParam().error);
    EXPECT_EQ(result.errorLine, GetParam().line);
    EXPECT_TRUE(result.table.records.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Csv, CsvRefuse,
    ::testing::Values(Refused{"Latin1", "a\n\"x\ny\"\ncaf\xE9\n", 4, "is not UTF-8 text (save it as CSV UTF-8)"},
                      Refused{"Overlong", "\xC0\xAF", 1, "is not UTF-8 text (save it as CSV UTF-8)"},
                      Refused{"Truncated", "a\xE2\x82", 1, "is not UTF-8 text (save it as CSV UTF-8)"},
                      Refused{"QuoteInside", "a\nb\"c\n", 2, "has a quote inside a field that does not begin with one"},
                      Refused{"TextAfterQuote", "a\n\"b\"c\n", 2, "has text after a closing quote"},
                      Refused{"Unclosed", "a\n\"b\n\n", 2, "has a quote that is never closed"}),
    [](const auto& info) { return info.param.name; });

TEST(CsvFormat, QuotesOnlyWhatNeedsItAndReadsBack) {
    using vaskiro::csv::formatRecord;
    EXPECT_EQ(formatRecord({"a", "", "b c"}), "a,,b c\r\n");
    EXPECT_EQ(formatRecord({"x,y", "a;b", "say \"hi\""}, ';'), "\"x,y\";\"a;b\";\"say \"\"hi\"\"\"\r\n");
    Record awkward{"a\"b", "c;d,e", "f\r\ng", " pad", ""};
    EXPECT_EQ(vaskiro::csv::parse(formatRecord(awkward)).table.records, std::vector<Record>{awkward});
}

}  // namespace
