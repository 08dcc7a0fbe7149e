// The CSV reader: any input parses or is refused with a line inside it, and
// what parses comes back the same when written out and read again.
#include <string>
#include <string_view>

#include "csv/csv.h"
#include "fuzz_check.h"

using namespace vaskiro::csv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parsed = parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!parsed) {
        FUZZ_CHECK(parsed.error().line >= 1);
        return 0;
    }
    const Table& table = *parsed;
    FUZZ_CHECK(table.records.size() == table.lines.size());
    // Nothing to tell the delimiter by in a one-column header written with
    // ';'; a header that begins with a byte order mark (behind blank rows)
    // would lose it as the file's own.
    if (table.records.empty() || (table.delimiter == ';' && table.records.front().size() == 1) ||
        table.records.front().front().starts_with("\xEF\xBB\xBF"))
        return 0;
    std::string written;
    for (const Record& record : table.records) written += formatRecord(record, table.delimiter);
    const auto again = parse(written);
    FUZZ_CHECK(again && again->delimiter == table.delimiter);
    FUZZ_CHECK(again->records == table.records);
    return 0;
}
