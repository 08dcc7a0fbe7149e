#include "commission/site_devices.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>

#include "commission/as_left_record.h"
#include "commission/json_form.h"
#include "commission/worklist.h"
#include "core/data_file.h"
#include "core/settings_table.h"
#include "csv/csv.h"

namespace vaskiro::commission {

namespace {

namespace fs = std::filesystem;
using Refusal = core::Unexpected<std::string>;

core::Result<std::string> readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return Refusal(path.string() + " cannot be read");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The latest entry of each worklist row, in the order of the rows.
core::Result<std::vector<SiteDevice>> devicesOfRecord(const fs::path& path, const std::vector<csv::Record>& records) {
    const csv::Record& header = records.front();
    std::map<int, const csv::Record*> latest;
    for (std::size_t r = 1; r < records.size(); ++r)
        if (records[r].size() == header.size()) latest[std::atoi(records[r][1].c_str())] = &records[r];
    std::vector<SiteDevice> devices;
    for (const auto& [row, fields] : latest) {
        SiteDevice device{(*fields)[2].empty() ? "row " + std::to_string(row) : (*fields)[2], {}};
        device.image.SetDefaults();
        for (std::size_t c = kRecordLeadingColumns; c < kRecordLeadingColumns + core::allSettings().size(); ++c) {
            const core::Setting* setting = core::findSetting(header[c]);
            if (!setting) continue;
            std::string value = (*fields)[c];
            // A unit as the record shows it, "62 (degrees-Celsius)": its code.
            if (setting->kind == core::SettingKind::Unit) value = value.substr(0, value.find(" ("));
            if (auto assigned = setting->assign(device.image, value); !assigned)
                return Refusal(path.string() + ", row " + std::to_string(row) + ", column " + header[c] + ": " +
                               assigned.error());
        }
        devices.push_back(std::move(device));
    }
    if (devices.empty()) return Refusal(path.string() + " holds no devices");
    return devices;
}

core::Result<std::vector<SiteDevice>> devicesOfFolder(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error))
        if (entry.is_regular_file() && (entry.path().extension() == ".dat" || entry.path().extension() == ".json"))
            files.push_back(entry.path());
    if (error) return Refusal(folder.string() + " cannot be listed: " + error.message());
    std::sort(files.begin(), files.end());
    std::vector<SiteDevice> devices;
    for (const fs::path& file : files) {
        auto image = readConfigurationFile(file);
        if (!image) return Refusal(image.error());
        devices.push_back({file.filename().string(), *image});
    }
    if (devices.empty()) return Refusal(folder.string() + " holds no data files (.dat or .json)");
    return devices;
}

}  // namespace

core::Result<core::ConfigurationImage> readConfigurationFile(const fs::path& path) {
    core::ConfigurationImage image;
    image.SetDefaults();
    if (path.extension() == ".json") {
        auto text = readText(path);
        if (!text) return Refusal(text.error());
        auto imported = importJson(*text);
        if (!imported) return Refusal(path.string() + " " + imported.error());
        return *imported;
    }
    const core::FileResult read = core::readDataFile(path, image);
    if (read.outcome == core::LoadOutcome::Loaded) return image;
    if (read.outcome == core::LoadOutcome::LaterFormat) return Refusal(path.string() + " uses a later data format");
    return Refusal(path.string() + " is not a usable data file (" + read.error + ")");
}

core::Result<std::vector<SiteDevice>> readSiteDevices(const fs::path& path, const fs::path* base) {
    std::error_code error;
    if (fs::is_directory(path, error)) return devicesOfFolder(path);
    auto text = readText(path);
    if (!text) return Refusal(text.error());
    auto parsed = csv::parse(*text);
    if (!parsed) return Refusal(path.string() + " " + csv::describe(parsed.error()));
    if (!parsed->records.empty() &&
        (parsed->records.front() == recordHeader(true) || parsed->records.front() == recordHeader(false)))
        return devicesOfRecord(path, parsed->records);
    if (!base) return Refusal(path.string() + " is no as-left record; as a worklist it needs a base (--base FILE)");
    auto baseImage = readConfigurationFile(*base);
    if (!baseImage) return Refusal(baseImage.error());
    auto worklist = readWorklist(*text, *baseImage);
    if (!worklist) {
        std::string faults;
        for (const std::string& fault : worklist.error()) faults += "\n" + fault;
        return Refusal(path.string() + " is not a usable worklist:" + faults);
    }
    std::vector<SiteDevice> devices;
    for (const WorklistRow& row : worklist->rows)
        devices.push_back({row.tag.empty() ? "row " + std::to_string(row.row) : row.tag, row.image});
    return devices;
}

}  // namespace vaskiro::commission
