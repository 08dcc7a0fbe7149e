// The CSV reader: any input parses or is refused with a line inside it, and
// what parses comes back the same when written out and read again.
#include <string>
#include <string_view>

#include "csv/csv.h"
#include "fuzz_check.h"

using namespace vaskiro::csv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ParseResult parsed = parse(std::string_view(reinterpret_cast<const char*>(data), size));
    const Table& table = parsed.table;
    FUZZ_CHECK(parsed.error.empty() ? table.records.size() == table.lines.size()
                                    : table.records.empty() && parsed.errorLine >= 1);
    // Nothing to tell the delimiter by in a one-column header written with
    // ';'; a header that begins with a byte order mark (behind blank rows)
    // would lose it as the file's own.
    if (table.records.empty() || (table.delimiter == ';' && table.records.front().size() == 1) ||
        table.records.front().front().starts_with("\xEF\xBB\xBF"))
        return 0;
    std::string written;
    for (const Record& record : table.records) written += formatRecord(record, table.delimiter);
    const ParseResult again = parse(written);
    FUZZ_CHECK(again.error.empty() && again.table.delimiter == table.delimiter);
    FUZZ_CHECK(again.table.records == table.records);
    return 0;
}
