#include "commission/handover_sheet.h"

#include "cli/settings.h"
#include "core/html_escape.h"
#include "csv/csv.h"

namespace vaskiro::commission {

namespace {

using core::htmlEscape;

constexpr std::string_view kPasswordKey = "password";
constexpr int kLeadingColumns = 5;  // time, row, tag, serial, version

// The window's page that shows a setting, told by its key.
std::string_view pageOf(std::string_view key) {
    if (key.starts_with("input-")) return "Inputs";
    if (key.starts_with("output-")) return "Outputs";
    if (key.starts_with("analogue-")) return "Analogues";
    return "General";
}

std::string labelOf(const std::string& key) {
    const cli::Setting* setting = cli::findSetting(key);
    return setting ? setting->label : key;
}

std::string row(std::string_view label, const std::string& value, bool mark) {
    return "<tr><th>" + std::string(label) + "</th><td>" + htmlEscape(value) + "</td>" +
           (mark ? "<td class=\"mark\"></td>" : "") + "</tr>\n";
}

std::string devicePage(const SheetDevice& device, bool first, bool withPassword) {
    std::string html = std::string("<h1") + (first ? "" : " style=\"page-break-before: always\"") +
                       ">VASKIRO BACnet interface" + (device.tag.empty() ? "" : ": " + htmlEscape(device.tag)) +
                       "</h1>\n<table class=\"device\">\n";
    html += row("Serial number", device.serial, false) + row("Application version", device.version, false) +
            row("Date and time", device.time, false) + row("Verify", device.verify, false) +
            row("Network check", device.network, false) + "</table>\n";
    std::string_view page;
    for (const auto& [key, value] : device.settings) {
        if (key == kPasswordKey && !withPassword) continue;
        if (pageOf(key) != page) {
            html += std::string(page.empty() ? "" : "</table>\n") + "<h2>" + std::string(pageOf(key)) +
                    "</h2>\n<table class=\"settings\">\n<tr><th>Setting</th><th>Value</th>"
                    "<th class=\"mark\">Checked</th></tr>\n";
            page = pageOf(key);
        }
        html += "<tr><td>" + htmlEscape(labelOf(key)) + "</td><td>" + htmlEscape(value) +
                "</td><td class=\"mark\"></td></tr>\n";
    }
    return html + (page.empty() ? "" : "</table>\n");
}

}  // namespace

std::vector<std::pair<std::string, std::string>> readableSettings(const config::ConfigurationImage& image) {
    std::vector<std::pair<std::string, std::string>> settings;
    for (const cli::Setting& s : cli::allSettings()) {
        // Readable without the quotes that `show` puts around texts.
        std::string value = s.show(image);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        settings.emplace_back(s.key, value);
    }
    return settings;
}

bool devicesOfRecord(std::string_view recordText, int row, std::vector<SheetDevice>& devices, std::string& error) {
    auto parsed = csv::parse(recordText);
    if (!parsed.error.empty()) {
        error = "line " + std::to_string(parsed.errorLine) + " " + parsed.error;
        return false;
    }
    const auto& records = parsed.table.records;
    if (records.empty() || records.front().size() < kLeadingColumns + 2 || records.front()[3] != "serial") {
        error = "not an as-left record (its header differs)";
        return false;
    }
    const csv::Record& header = records.front();
    for (std::size_t r = 1; r < records.size(); ++r) {
        const csv::Record& f = records[r];
        if (f.size() != header.size() || (row != 0 && f[1] != std::to_string(row))) continue;
        SheetDevice device{f[2], f[3], f[4], f[0], f[f.size() - 2], f.back(), {}};
        for (std::size_t c = kLeadingColumns; c + 2 < f.size(); ++c) device.settings.emplace_back(header[c], f[c]);
        devices.push_back(std::move(device));
    }
    if (devices.empty()) error = row == 0 ? "holds no devices" : "holds no device of row " + std::to_string(row);
    return !devices.empty();
}

std::string handoverSheet(const std::vector<SheetDevice>& devices, bool withPassword) {
    std::string html =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n"
        "<title>VASKIRO handover sheet</title>\n<style>\n"
        "body { font-family: sans-serif; font-size: 10pt; }\n"
        "table { border-collapse: collapse; width: 100%; margin-bottom: 8pt; }\n"
        "th, td { border: 1px solid #777; padding: 2pt 4pt; text-align: left; }\n"
        "td.mark, th.mark { width: 6em; }\n"
        "h1 { font-size: 14pt; } h2 { font-size: 12pt; margin-bottom: 2pt; }\n"
        "</style></head><body>\n";
    for (std::size_t i = 0; i < devices.size(); ++i) html += devicePage(devices[i], i == 0, withPassword);
    return html + "</body></html>\n";
}

}  // namespace vaskiro::commission
