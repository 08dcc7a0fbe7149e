#include "commission/worklist.h"

#include <algorithm>
#include <map>

#include "cli/settings.h"
#include "csv/csv.h"
#include "device/write_checks.h"

namespace vaskiro::commission {

// The setting table is the tool's until it moves into core.
using cli::findSetting;
using cli::formatAddress;
using cli::Setting;

namespace {

constexpr std::string_view kTagColumn = "tag";

std::string at(int row, std::string_view column) {
    return "row " + std::to_string(row) + ", column " + std::string(column) + ": ";
}

// Rows that would give two devices one identity on the network.
void findRepeatedIdentities(const Worklist& list, std::vector<std::string>& errors) {
    std::map<std::uint32_t, int> objectIds;
    std::map<std::string, int> addresses;
    for (const WorklistRow& r : list.rows) {
        auto id = r.image.objectIdentifier();
        if (auto [first, fresh] = objectIds.try_emplace(id, r.row); !fresh)
            errors.push_back(at(r.row, "object-id") + std::to_string(id) + " is also row " +
                             std::to_string(first->second) + "'s");
        if (r.image.dhcpEnable()) continue;
        std::string ip = formatAddress(r.image.address(config::AddressField::IPAddress));
        if (auto [first, fresh] = addresses.try_emplace(ip, r.row); !fresh)
            errors.push_back(at(r.row, "ip") + ip + " is also row " + std::to_string(first->second) + "'s");
    }
}

}  // namespace

std::vector<std::string> readWorklist(std::string_view text, const config::ConfigurationImage& base, Worklist& list) {
    list = {};
    auto parsed = csv::parse(text);
    if (!parsed.error.empty()) return {"line " + std::to_string(parsed.errorLine) + " " + parsed.error};
    auto& records = parsed.table.records;
    if (records.empty()) return {"has no header row"};

    std::vector<std::string> errors;
    const csv::Record& header = records.front();
    std::vector<const Setting*> columns;
    int tagColumn = -1;
    for (std::size_t c = 0; c < header.size(); ++c) {
        const std::string& name = header[c];
        const Setting* setting = findSetting(name);
        bool repeated = std::find(header.begin(), header.begin() + static_cast<std::ptrdiff_t>(c), name) !=
                        header.begin() + static_cast<std::ptrdiff_t>(c);
        if (repeated)
            errors.push_back("header, column " + name + ": appears more than once");
        else if (name == kTagColumn)
            tagColumn = static_cast<int>(c);
        else if (!setting)
            errors.push_back("header, column " + std::to_string(c + 1) + " '" + name +
                             "': not a setting key (see 'vaskiro set --help') nor tag");
        else
            list.keys.push_back(name);
        columns.push_back(repeated ? nullptr : setting);
    }
    if (records.size() == 1) errors.push_back("has no rows under the header");
    if (!errors.empty()) return errors;

    for (std::size_t r = 1; r < records.size(); ++r) {
        WorklistRow row{static_cast<int>(r), {}, base};
        const csv::Record& cells = records[r];
        if (cells.size() > header.size())
            errors.push_back("row " + std::to_string(r) + " (line " + std::to_string(parsed.table.lines[r]) + "): has " +
                             std::to_string(cells.size()) + " fields, the header " + std::to_string(header.size()));
        for (std::size_t c = 0; c < cells.size() && c < header.size(); ++c) {
            if (static_cast<int>(c) == tagColumn) row.tag = cells[c];
            if (!columns[c] || cells[c].empty()) continue;
            std::string error = columns[c]->assign(row.image, cells[c]);
            if (!error.empty()) errors.push_back(at(row.row, header[c]) + error + " (got '" + cells[c] + "')");
        }
        if (!device::passwordFitsDevice(row.image.text(config::TextField::DevicePassword)))
            errors.push_back(at(row.row, "password") + std::string(device::kPasswordTooLong));
        list.rows.push_back(std::move(row));
    }
    findRepeatedIdentities(list, errors);
    if (!errors.empty()) list = {};
    return errors;
}

}  // namespace vaskiro::commission
