#include "commission/handover_sheet.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>

#include "commission/as_left_record.h"
#include "commission/checkout_marks.h"
#include "core/html_escape.h"
#include "core/settings_table.h"
#include "csv/csv.h"

namespace vaskiro::commission {

namespace {

using core::htmlEscape;

constexpr std::string_view kPasswordKey = "password";

// The window's page that shows a setting, as the settings table says
// (a record's column that is no setting: General).
std::string_view pageOf(const std::string& key) {
    const core::Setting* setting = core::findSetting(key);
    switch (setting ? setting->page : core::SettingPage::General) {
    case core::SettingPage::Inputs: return "Inputs";
    case core::SettingPage::Outputs: return "Outputs";
    case core::SettingPage::Analogues: return "Analogues";
    case core::SettingPage::General: break;
    }
    return "General";
}

std::string labelOf(const std::string& key) {
    const core::Setting* setting = core::findSetting(key);
    return setting ? setting->label : key;
}

// A channel's setting, "input-name.3": its kind ("input-name") and channel (3).
std::pair<std::string, int> channelOf(const std::string& key) {
    std::size_t dot = key.rfind('.');
    if (dot == std::string::npos) return {key, 0};
    return {key.substr(0, dot), std::atoi(key.c_str() + dot + 1)};
}

// "Input 1 Name" as a column's heading: "Input Name".
std::string columnHeading(const std::string& kind) {
    std::string label = labelOf(kind + ".1");
    if (std::size_t at = label.find(" 1"); at != std::string::npos) label.erase(at, 2);
    return label;
}

std::string row(std::string_view label, const std::string& value) {
    return "<tr><th>" + std::string(label) + "</th><td>" + htmlEscape(value) + "</td></tr>\n";
}

constexpr std::string_view kTable = "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"0\" border=\"1\">\n";
std::string markCell(const std::string& mark = {}) { return "<td class=\"mark\" width=\"12%\">" + mark + "</td>"; }

// The checkout's mark of a channel's point ("input.3"), as the sheet prints it.
std::string pointMark(const std::optional<CheckoutState>& checkout, std::string_view page, int channel) {
    if (!checkout) return {};
    static const std::map<std::string_view, std::string> kPoints{
        {"Inputs", "input."}, {"Outputs", "output."}, {"Analogues", "analogue."}};
    const std::string point = kPoints.at(page) + std::to_string(channel);
    std::string mark = checkout->unchecked.count(point) ? "no" : "yes";
    return checkout->stale.count(point) ? mark + " (stale)" : mark;
}

// The General page: one line per setting.
std::string generalTable(const std::vector<std::pair<std::string, std::string>>& settings) {
    std::string html = "<h2>General</h2>\n" + std::string(kTable) +
                       "<tr><th>Setting</th><th>Value</th><th class=\"mark\">Checked</th></tr>\n";
    for (const auto& [key, value] : settings)
        html +=
            "<tr><td>" + htmlEscape(labelOf(key)) + "</td><td>" + htmlEscape(value) + "</td>" + markCell() + "</tr>\n";
    return html + "</table>\n";
}

// A page of channels: one line per channel, one column per kind of setting,
// as the window's grid shows them.
std::string channelTable(std::string_view page, const std::vector<std::pair<std::string, std::string>>& settings,
                         const std::optional<CheckoutState>& checkout) {
    std::vector<std::string> kinds;
    std::map<int, std::map<std::string, std::string>> channels;
    for (const auto& [key, value] : settings) {
        auto [kind, channel] = channelOf(key);
        if (std::find(kinds.begin(), kinds.end(), kind) == kinds.end()) kinds.push_back(kind);
        channels[channel][kind] = value;
    }
    std::string html = "<h2>" + std::string(page) + "</h2>\n" + std::string(kTable) + "<tr><th>Channel</th>";
    for (const std::string& kind : kinds) html += "<th>" + htmlEscape(columnHeading(kind)) + "</th>";
    html += "<th class=\"mark\">Checked</th></tr>\n";
    for (const auto& [channel, values] : channels) {
        html += "<tr><td>" + std::to_string(channel) + "</td>";
        for (const std::string& kind : kinds) {
            auto found = values.find(kind);
            html += "<td>" + (found == values.end() ? std::string() : htmlEscape(found->second)) + "</td>";
        }
        html += markCell(pointMark(checkout, page, channel)) + "</tr>\n";
    }
    return html + "</table>\n";
}

std::string devicePage(const SheetDevice& device, bool first, bool withPassword) {
    std::string html = std::string("<h1") + (first ? "" : " style=\"page-break-before: always\"") +
                       ">VASKIRO BACnet interface" + (device.tag.empty() ? "" : ": " + htmlEscape(device.tag)) +
                       "</h1>\n" + std::string(kTable);
    html += row("Serial number", device.serial) + row("Application version", device.version) +
            row("Date and time", device.time) + row("Verify", device.verify) + row("Network check", device.network) +
            row("Point checkout", device.checkout) + "</table>\n";
    std::optional<CheckoutState> checkout;
    if (CheckoutState state; checkoutStateOf(device.checkout, state)) checkout = state;
    std::map<std::string_view, std::vector<std::pair<std::string, std::string>>> pages;
    for (const auto& setting : device.settings)
        if (setting.first != kPasswordKey || withPassword) pages[pageOf(setting.first)].push_back(setting);
    if (pages.count("General")) html += generalTable(pages["General"]);
    for (std::string_view page : {"Inputs", "Outputs", "Analogues"})
        if (pages.count(page)) html += channelTable(page, pages[page], checkout);
    return html;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> readableSettings(const core::ConfigurationImage& image) {
    std::vector<std::pair<std::string, std::string>> settings;
    for (const core::Setting& s : core::allSettings()) {
        // Readable without the quotes that `show` puts around texts.
        std::string value = s.show(image);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        settings.emplace_back(s.key, value);
    }
    return settings;
}

core::Result<std::vector<SheetDevice>> devicesOfRecord(std::string_view recordText, int row) {
    using Refusal = core::Unexpected<std::string>;
    auto parsed = csv::parse(recordText);
    if (!parsed) return Refusal(csv::describe(parsed.error()));
    const auto& records = parsed->records;
    if (records.empty() || records.front().size() < kRecordLeadingColumns + 2 || records.front()[3] != "serial")
        return Refusal("not an as-left record (its header differs)");
    std::vector<SheetDevice> devices;
    const csv::Record& header = records.front();
    // A record from before the checkout column ends with network.
    const std::size_t verify = header.size() - (header.back() == "checkout" ? 3 : 2);
    std::map<std::string, std::size_t> seen;  // serial number: its place in `devices`
    for (std::size_t r = 1; r < records.size(); ++r) {
        const csv::Record& f = records[r];
        if (f.size() != header.size() || (row != 0 && f[1] != std::to_string(row))) continue;
        SheetDevice device{f[2], f[3], f[4], f[0], f[verify], f[verify + 1], {}, {}};
        if (verify + 2 < f.size()) device.checkout = f[verify + 2];
        for (std::size_t c = kRecordLeadingColumns; c < verify; ++c) device.settings.emplace_back(header[c], f[c]);
        // A retried row's earlier attempts are superseded by its latest.
        auto [place, first] = seen.emplace(device.serial, devices.size());
        if (first || device.serial.empty())
            devices.push_back(std::move(device));
        else
            devices[place->second] = std::move(device);
    }
    if (devices.empty())
        return Refusal(row == 0 ? "holds no devices" : "holds no device of row " + std::to_string(row));
    return devices;
}

std::string sheetHead(std::string_view title) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n<title>" + htmlEscape(std::string(title)) +
           "</title>\n<style>\n"
           "body { font-family: sans-serif; font-size: 9pt; }\n"
           "table { border-collapse: collapse; width: 100%; margin-bottom: 2pt; }\n"
           "th, td { border: 1px solid #777; padding: 0 3pt; text-align: left; }\n"
           "h1 { font-size: 13pt; margin: 0 0 2pt 0; } h2 { font-size: 10.5pt; margin: 4pt 0 1pt 0; }\n"
           "</style></head><body>\n";
}

std::string handoverSheet(const std::vector<SheetDevice>& devices, bool withPassword) {
    std::string html = sheetHead("VASKIRO handover sheet");
    for (std::size_t i = 0; i < devices.size(); ++i) html += devicePage(devices[i], i == 0, withPassword);
    return html + "</body></html>\n";
}

}  // namespace vaskiro::commission
