#include "commission/as_left_record.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <optional>

#include "core/atomic_file.h"
#include "core/local_time.h"
#include "core/settings_table.h"
#include "csv/csv.h"

namespace vaskiro::commission {

namespace {

// Where the verify result stands in a line of either layout; network and checkout follow it.
std::size_t verifyColumn() { return 5 + core::allSettings().size(); }

using Refusal = core::Unexpected<std::string>;

// The file's bytes; nothing when it cannot be read.
std::optional<std::string> readWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A setting as it reads in the record: readable, without the quotes that
// `show` puts around texts.
std::string recorded(const core::Setting& setting, const core::ConfigurationImage& image) {
    std::string value = setting.show(image);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    return value;
}

}  // namespace

core::Result<void> AsLeftRecord::open(const std::filesystem::path& path) {
    m_path = path;
    std::error_code missing;
    if (!std::filesystem::exists(path, missing)) return {};
    const auto read = readWhole(path);
    if (!read) return Refusal(path.string() + " cannot be read");
    const std::string& bytes = *read;
    auto parsed = csv::parse(bytes);
    if (!parsed) return Refusal(path.string() + " " + csv::describe(parsed.error()));
    m_delimiter = parsed->delimiter;
    m_needsBreak = !bytes.empty() && bytes.back() != '\n';
    auto& records = parsed->records;
    if (records.empty()) return {};
    m_hasCheckout = records.front() == recordHeader(true);
    if (!m_hasCheckout && records.front() != recordHeader(false))
        return Refusal(path.string() + " is not an as-left record of this tool (its header differs)");
    m_hasHeader = true;
    for (std::size_t r = 1; r < records.size(); ++r)
        if (records[r].size() > 3) m_rows[records[r][3]] = records[r][1];
    const std::size_t verify = verifyColumn();
    for (std::size_t r = 1; r < records.size(); ++r)
        if (const csv::Record& f = records[r]; f.size() == records.front().size())
            noteDone(std::atoi(f[1].c_str()), f[3], f[verify], f[verify + 1]);
    return {};
}

void AsLeftRecord::noteDone(int row, const std::string& serial, const std::string& verify, const std::string& network) {
    if (verify == "verified" && (network == "passed" || network == "not checked"))
        m_doneRows[row] = serial;
    else
        m_doneRows.erase(row);
}

const std::string* AsLeftRecord::serialDoneAt(int row) const {
    auto found = m_doneRows.find(row);
    return found == m_doneRows.end() ? nullptr : &found->second;
}

const std::string* AsLeftRecord::rowOf(const std::string& serial) const {
    auto found = m_rows.find(serial);
    return found == m_rows.end() ? nullptr : &found->second;
}

core::Result<void> AsLeftRecord::append(const AsLeftEntry& entry) {
    std::string lines = m_needsBreak ? "\r\n" : "";
    if (!m_hasHeader) lines += csv::formatRecord(recordHeader(m_hasCheckout), m_delimiter);
    csv::Record fields{entry.time, std::to_string(entry.row), entry.tag, entry.serial, entry.version};
    for (const core::Setting& s : core::allSettings()) fields.push_back(recorded(s, entry.image));
    fields.insert(fields.end(), {entry.verify, entry.network});
    if (m_hasCheckout) fields.push_back(entry.checkout);
    for (std::string& field : fields) field = oneLine(field);
    lines += csv::formatRecord(fields, m_delimiter);

    std::ofstream out(m_path, std::ios::binary | std::ios::app);
    out << lines;
    out.flush();
    if (!out) return Refusal("Cannot append to " + m_path.string());
    m_hasHeader = true;
    m_needsBreak = false;
    m_rows[entry.serial] = std::to_string(entry.row);
    noteDone(entry.row, entry.serial, entry.verify, entry.network);
    return {};
}

core::Result<void> AsLeftRecord::setCheckout(int row, const std::string& summary) {
    const auto read = readWhole(m_path);
    auto parsed = csv::parse(read.value_or(""));
    std::vector<csv::Record> records = read && parsed ? std::move(parsed->records) : std::vector<csv::Record>{};
    const std::string rowText = std::to_string(row);
    auto latest = records.rend();
    if (!records.empty())
        latest = std::find_if(records.rbegin(), std::prev(records.rend()),
                              [&](const csv::Record& f) { return f.size() > 1 && f[1] == rowText; });
    if (latest == records.rend() || latest == std::prev(records.rend()))
        return Refusal(m_path.string() + " holds no device of row " + rowText);
    if (!m_hasCheckout)
        for (csv::Record& record : records) record.push_back(&record == &records.front() ? "checkout" : "");
    latest->back() = oneLine(summary);
    std::string text;
    for (const csv::Record& record : records) text += csv::formatRecord(record, m_delimiter);
    const auto saved =
        core::writeFileAtomically(m_path, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    if (!saved) return Refusal("Cannot save " + m_path.string() + ": " + saved.error());
    m_hasCheckout = true;
    m_needsBreak = false;
    return {};
}

std::vector<std::string> recordHeader(bool withCheckout) {
    std::vector<std::string> names{"time", "row", "tag", "serial", "version"};
    for (const core::Setting& s : core::allSettings()) names.push_back(s.key);
    names.insert(names.end(), {"verify", "network"});
    if (withCheckout) names.push_back("checkout");
    return names;
}

std::string oneLine(const std::string& text) {
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') {
            line += text[i];
            continue;
        }
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        if (i + 1 < text.size()) line += " / ";  // a break that ends the text is dropped
    }
    return line;
}

std::filesystem::path defaultRecordPath(const std::filesystem::path& worklist) {
    return worklist.parent_path() / (worklist.stem().string() + "-as-left.csv");
}

std::string localTimeIso8601() { return core::localIso8601(std::chrono::system_clock::now()); }

}  // namespace vaskiro::commission
