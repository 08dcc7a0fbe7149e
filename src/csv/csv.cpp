#include "csv/csv.h"

namespace vaskiro::csv {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Length of the well-formed UTF-8 sequence at `text[i]`, or 0.
std::size_t utf8Length(std::string_view text, std::size_t i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    if (lead < 0x80) return 1;
    std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                         : lead >= 0xE0 && lead <= 0xEF ? 3
                         : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                        : 0;
    if (length == 0 || i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    unsigned char second = byte(i + 1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second > 0x8F))
        return 0;  // overlong, surrogate or beyond U+10FFFF
    return length;
}

char detectDelimiter(std::string_view text) {
    int commas = 0, semicolons = 0;
    bool quoted = false;
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        else if (!quoted)
            commas += c == ',', semicolons += c == ';';
    }
    return semicolons > commas ? ';' : ',';
}

bool allEmpty(const Record& record) {
    for (const std::string& field : record)
        if (!field.empty()) return false;
    return true;
}

}  // namespace

core::Result<Table, ParseError> parse(std::string_view text) {
    using Failure = core::Unexpected<ParseError>;
    while (text.starts_with(kBom)) text.remove_prefix(kBom.size());  // some programs write it twice
    for (std::size_t i = 0, line = 1; i < text.size(); i += utf8Length(text, i)) {
        line += text[i] == '\n';
        if (utf8Length(text, i) == 0)
            return Failure({"is not UTF-8 text (save it as CSV UTF-8)", static_cast<int>(line)});
    }

    Table table;
    table.delimiter = detectDelimiter(text);
    auto fail = [](int line, const char* what) { return Failure({what, line}); };

    Record record;
    std::string field;
    int line = 1, recordLine = 1;
    bool quoted = false, afterQuote = false;
    auto endRecord = [&] {
        record.push_back(std::move(field));
        field.clear();
        if (!allEmpty(record)) {
            table.records.push_back(std::move(record));
            table.lines.push_back(recordLine);
        }
        record.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
                afterQuote = true;
            } else {
                line += c == '\n';
                field += c;
            }
        } else if (c == table.delimiter) {
            record.push_back(std::move(field));
            field.clear();
            afterQuote = false;
        } else if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            i += c == '\r';
            endRecord();
            afterQuote = false;
            recordLine = ++line;
        } else if (afterQuote) {
            return fail(line, "has text after a closing quote");
        } else if (c == '"') {
            if (!field.empty()) return fail(line, "has a quote inside a field that does not begin with one");
            quoted = true;
        } else {
            field += c;
        }
    }
    if (quoted) return fail(recordLine, "has a quote that is never closed");
    if (!field.empty() || !record.empty() || afterQuote) endRecord();
    return table;
}

std::string describe(const ParseError& error) { return "line " + std::to_string(error.line) + " " + error.what; }

std::string formatRecord(const Record& record, char delimiter) {
    std::string line;
    for (std::size_t i = 0; i < record.size(); ++i) {
        const std::string& field = record[i];
        if (i > 0) line += delimiter;
        bool quote =
            field.find_first_of(",;\"\r\n") != std::string::npos || field.starts_with(' ') || field.ends_with(' ');
        if (!quote) {
            line += field;
            continue;
        }
        line += '"';
        for (char c : field) {
            if (c == '"') line += '"';
            line += c;
        }
        line += '"';
    }
    return line + "\r\n";
}

}  // namespace vaskiro::csv
