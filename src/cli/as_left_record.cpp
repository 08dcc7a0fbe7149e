#include "cli/as_left_record.h"

#include <ctime>
#include <fstream>
#include <iterator>

#include "core/settings_table.h"
#include "csv/csv.h"

namespace vaskiro::cli {

namespace {

csv::Record header() {
    csv::Record names{"time", "row", "tag", "serial", "version"};
    for (const core::Setting& s : core::allSettings()) names.push_back(s.key);
    names.insert(names.end(), {"verify", "network"});
    return names;
}

// A setting as it reads in the record: readable, without the quotes that
// `show` puts around texts.
std::string recorded(const core::Setting& setting, const config::ConfigurationImage& image) {
    std::string value = setting.show(image);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    return value;
}

}  // namespace

bool AsLeftRecord::open(const std::filesystem::path& path, std::string& error) {
    m_path = path;
    std::error_code missing;
    if (!std::filesystem::exists(path, missing)) return true;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path.string() + " cannot be read";
        return false;
    }
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    auto parsed = csv::parse(bytes);
    if (!parsed.error.empty()) {
        error = path.string() + " line " + std::to_string(parsed.errorLine) + " " + parsed.error;
        return false;
    }
    m_delimiter = parsed.table.delimiter;
    m_needsBreak = !bytes.empty() && bytes.back() != '\n';
    auto& records = parsed.table.records;
    if (records.empty()) return true;
    if (records.front() != header()) {
        error = path.string() + " is not an as-left record of this tool (its header differs)";
        return false;
    }
    m_hasHeader = true;
    for (std::size_t r = 1; r < records.size(); ++r)
        if (records[r].size() > 3) m_rows[records[r][3]] = records[r][1];
    return true;
}

const std::string* AsLeftRecord::rowOf(const std::string& serial) const {
    auto found = m_rows.find(serial);
    return found == m_rows.end() ? nullptr : &found->second;
}

bool AsLeftRecord::append(const AsLeftEntry& entry, std::string& error) {
    std::string lines = m_needsBreak ? "\r\n" : "";
    if (!m_hasHeader) lines += csv::formatRecord(header(), m_delimiter);
    csv::Record fields{entry.time, std::to_string(entry.row), entry.tag, entry.serial, entry.version};
    for (const core::Setting& s : core::allSettings()) fields.push_back(recorded(s, entry.image));
    fields.insert(fields.end(), {entry.verify, entry.network});
    lines += csv::formatRecord(fields, m_delimiter);

    std::ofstream out(m_path, std::ios::binary | std::ios::app);
    out << lines;
    out.flush();
    if (!out) {
        error = "Cannot append to " + m_path.string();
        return false;
    }
    m_hasHeader = true;
    m_needsBreak = false;
    m_rows[entry.serial] = std::to_string(entry.row);
    return true;
}

std::string localTimeIso8601() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char text[40];
    std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    std::string iso(text, length);
    if (iso.size() > 5 && (iso[iso.size() - 5] == '+' || iso[iso.size() - 5] == '-'))
        iso.insert(iso.size() - 2, ":");  // +0100 -> +01:00
    return iso;
}

}  // namespace vaskiro::cli
