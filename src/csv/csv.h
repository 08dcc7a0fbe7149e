#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"

namespace vaskiro::csv {

using Record = std::vector<std::string>;

struct Table {
    char delimiter = ',';
    std::vector<Record> records;  // the header first
    std::vector<int> lines;       // the line of the file on which each record starts, from 1
};

// Why a text is not CSV, and the line of the file where that shows, from 1.
struct ParseError {
    std::string what;
    int line = 0;
};

// Reads CSV text as RFC 4180 describes it, and as spreadsheet programs
// write it: fields in double quotes may hold the delimiter, line breaks and
// doubled quotes; records end with CRLF or LF; a UTF-8 byte order mark is
// skipped (also when written twice). The delimiter is ';' when the header row holds more semicolons
// than commas outside quotes (as spreadsheets in locales with a decimal
// comma write it), otherwise ','. Records whose fields are all empty are
// left out. Text that is not UTF-8, a quote inside an unquoted field, text
// after a closing quote and an unclosed quote are errors with their line.
core::Result<Table, ParseError> parse(std::string_view text);
// "line 4 has a quote that is never closed".
std::string describe(const ParseError& error);

// One record as a line ending in CRLF; a field is quoted only when it holds
// a comma, a semicolon, a quote, a line break or leading or trailing spaces,
// so that the delimiter is told again from the header however it is set.
std::string formatRecord(const Record& record, char delimiter = ',');

}  // namespace vaskiro::csv
