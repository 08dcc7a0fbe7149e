#include "commission/worklist.h"

#include <algorithm>
#include <map>

#include "core/display_text.h"
#include "core/dotted_address.h"
#include "core/settings_table.h"
#include "csv/csv.h"

namespace vaskiro::commission {

namespace {

constexpr std::string_view kTagColumn = "tag";

std::string at(int row, std::string_view column) {
    return "row " + std::to_string(row) + ", column " + std::string(column) + ": ";
}

// Where a row's value of `key` came from: its column, or the base when the
// file has no such column.
std::string origin(const Worklist& list, int row, const std::string& key) {
    if (std::find(list.keys.begin(), list.keys.end(), key) != list.keys.end()) return at(row, key);
    return "row " + std::to_string(row) + ", " + key + " from the base: ";
}

// Rows that would give two devices one identity on the network.
void findRepeatedIdentities(const Worklist& list, std::vector<std::string>& errors) {
    std::map<std::uint32_t, int> objectIds;
    std::map<std::string, int> addresses;
    for (const WorklistRow& r : list.rows) {
        auto id = r.image.objectIdentifier();
        if (auto [first, fresh] = objectIds.try_emplace(id, r.row); !fresh)
            errors.push_back(origin(list, r.row, "object-id") + std::to_string(id) + " is also row " +
                             std::to_string(first->second) + "'s");
        if (r.image.dhcpEnable()) continue;
        std::string ip = core::formatDottedAddress(r.image.address(core::AddressField::IPAddress));
        if (auto [first, fresh] = addresses.try_emplace(ip, r.row); !fresh)
            errors.push_back(origin(list, r.row, "ip") + ip + " is also row " + std::to_string(first->second) + "'s");
    }
}

}  // namespace

core::Result<Worklist, std::vector<std::string>> readWorklist(std::string_view text,
                                                              const core::ConfigurationImage& base) {
    using Refusal = core::Unexpected<std::vector<std::string>>;
    auto parsed = csv::parse(text);
    if (!parsed) return Refusal({csv::describe(parsed.error())});
    auto& records = parsed->records;
    if (records.empty()) return Refusal({"has no header row"});

    Worklist list;
    std::vector<std::string> errors;
    const csv::Record& header = records.front();
    std::vector<const core::Setting*> columns;
    int tagColumn = -1;
    for (std::size_t c = 0; c < header.size(); ++c) {
        const std::string& name = header[c];
        const core::Setting* setting = core::findSetting(name);
        bool repeated = std::find(header.begin(), header.begin() + static_cast<std::ptrdiff_t>(c), name) !=
                        header.begin() + static_cast<std::ptrdiff_t>(c);
        if (repeated)
            errors.push_back("header, column " + core::escapeControlCharacters(name) + ": appears more than once");
        else if (name == kTagColumn)
            tagColumn = static_cast<int>(c);
        else if (!setting)
            errors.push_back("header, column " + std::to_string(c + 1) + " '" + core::escapeControlCharacters(name) +
                             "': not a setting key (see 'vaskiro set --help') nor tag");
        else
            list.keys.push_back(name);
        columns.push_back(repeated ? nullptr : setting);
    }
    if (records.size() == 1) errors.push_back("has no rows under the header");
    if (!errors.empty()) return Refusal(errors);

    for (std::size_t r = 1; r < records.size(); ++r) {
        WorklistRow row{static_cast<int>(r), {}, base};
        const csv::Record& cells = records[r];
        // A short row as much as a long one: a cell lost or moved by hand.
        if (cells.size() != header.size())
            errors.push_back("row " + std::to_string(r) + " (line " + std::to_string(parsed->lines[r]) + "): has " +
                             std::to_string(cells.size()) + " fields, the header " + std::to_string(header.size()));
        for (std::size_t c = 0; c < cells.size() && c < header.size(); ++c) {
            if (static_cast<int>(c) == tagColumn) row.tag = cells[c];
            if (!columns[c] || cells[c].empty()) continue;
            // Where ';' separates the cells, the spreadsheet wrote numbers with a decimal comma.
            const bool comma = parsed->delimiter == ';' && columns[c]->kind == core::SettingKind::Float;
            auto assigned = columns[c]->assign(row.image, comma ? core::withDecimalPoint(cells[c]) : cells[c]);
            if (!assigned)
                errors.push_back(at(row.row, header[c]) + assigned.error() + " (got '" +
                                 core::escapeControlCharacters(cells[c]) + "')");
        }
        list.rows.push_back(std::move(row));
    }
    // What the base gives a row is checked as the row's cells are: the device must keep it whole.
    for (const WorklistRow& r : list.rows)
        for (const core::CutText& cut : core::textsTheDeviceCuts(r.image))
            errors.push_back(origin(list, r.row, cut.setting->key) + "the device keeps " + std::to_string(cut.kept) +
                             " characters; " + std::to_string(cut.given) + " given");
    findRepeatedIdentities(list, errors);
    if (!errors.empty()) return Refusal(errors);
    return list;
}

}  // namespace vaskiro::commission
