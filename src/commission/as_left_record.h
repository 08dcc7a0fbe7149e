#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/configuration_image.h"
#include "core/result.h"

namespace vaskiro::commission {

// What was left in one device.
struct AsLeftEntry {
    std::string time;  // ISO 8601 with the local offset
    int row = 0;
    std::string tag;
    std::string serial;
    std::string version;
    // Every setting as the device gave it back when verified (texts cut to
    // what it keeps), else as written.
    core::ConfigurationImage image;
    std::string verify;
    std::string network;
    std::string checkout = {};  // checkoutSummary() of the point checkout, once done
};

// The as-left record: CSV with a header (time, row, tag, serial, version,
// one column per setting key, verify, network, checkout) and one line per
// attempt, each on one physical line (line breaks in a text become " / ").
// Each line is appended and flushed on its own, so that a run stopped at any
// point keeps every device done before it. A record written before the
// checkout column existed is read and appended to in its own layout.
class AsLeftRecord {
public:
    // Reads an existing record (its delimiter is kept for what is appended)
    // or notes that one is to be started; or says why the file cannot be
    // read or is not a record of this layout.
    core::Result<void> open(const std::filesystem::path& path);

    // The row under which a device of this serial number was recorded last.
    const std::string* rowOf(const std::string& serial) const;

    // The serial number of the device last recorded under `row` when it was
    // verified and not found failing on the network; null otherwise.
    const std::string* serialDoneAt(int row) const;

    const std::filesystem::path& path() const { return m_path; }

    // Appends the entry, writing the header first into an empty record.
    core::Result<void> append(const AsLeftEntry& entry);

    // Puts a checkout's summary into the latest entry of worklist row `row`,
    // rewriting the record (a record without the column gains it); or why
    // the record holds no such row or cannot be written.
    core::Result<void> setCheckout(int row, const std::string& summary);

private:
    void noteDone(int row, const std::string& serial, const std::string& verify, const std::string& network);

    std::filesystem::path m_path;
    char m_delimiter = ',';
    bool m_hasHeader = false;
    bool m_hasCheckout = true;  // the file's layout has the checkout column
    bool m_needsBreak = false;  // the file does not end with a line break
    std::map<std::string, std::string> m_rows;
    std::map<int, std::string> m_doneRows;
};

// Where a worklist's record goes unless told: beside it, "-as-left" added
// to its name (jobs/ahu.csv: jobs/ahu-as-left.csv).
std::filesystem::path defaultRecordPath(const std::filesystem::path& worklist);

// A text as one line of a record: each line break becomes " / ".
std::string oneLine(const std::string& text);

// The columns before the setting keys: time, row, tag, serial, version.
inline constexpr std::size_t kRecordLeadingColumns = 5;

// The record's header: time, row, tag, serial, version, the setting keys,
// verify, network and (unless `withCheckout` is false) checkout.
std::vector<std::string> recordHeader(bool withCheckout = true);

// Now, as 2026-12-06T21:40:05+01:00.
std::string localTimeIso8601();

}  // namespace vaskiro::commission
