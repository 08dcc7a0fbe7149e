// The CSV reader: any input parses or is refused with a line inside it, and
// what parses comes back the same when written out and read again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "csv/csv.h"
#include "fuzz_check.h"

using namespace vaskiro::csv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const ParseResult parsed = parse(input);
    const Table& table = parsed.table;
    if (!parsed.error.empty()) {
        FUZZ_CHECK(table.records.empty());
        FUZZ_CHECK(parsed.errorLine >= 1 && static_cast<std::size_t>(parsed.errorLine) <= size + 1);
        return 0;
    }
    FUZZ_CHECK(table.records.size() == table.lines.size());
    // A one-column table written with ';' has no delimiter in its header to
    // tell it by; a header that begins with a byte order mark (behind blank
    // rows) would lose it as the file's own.
    if (table.records.empty() || (table.delimiter == ';' && table.records.front().size() == 1) ||
        table.records.front().front().starts_with("\xEF\xBB\xBF"))
        return 0;
    std::string written;
    for (const Record& record : table.records) written += formatRecord(record, table.delimiter);
    const ParseResult again = parse(written);
    FUZZ_CHECK(again.error.empty());
    FUZZ_CHECK(again.table.delimiter == table.delimiter);
    FUZZ_CHECK(again.table.records == table.records);
    return 0;
}
