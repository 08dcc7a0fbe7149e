#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/configuration_image.h"
#include "core/result.h"

namespace vaskiro::commission {

// One device of a site, as a list of them configures it.
struct SiteDevice {
    std::string label;  // the record's or worklist's tag (else "row N"), or the data file's name
    core::ConfigurationImage image;
};

// A record (the latest entry of each row), a folder of data files (.dat /
// .json, sorted by name), or a worklist read over `base` (a data file or
// JSON file; a worklist needs one). Or what is wrong, naming the file.
core::Result<std::vector<SiteDevice>> readSiteDevices(const std::filesystem::path& path,
                                                      const std::filesystem::path* base);

// A data file (.dat) or JSON configuration, or why it cannot be used.
core::Result<core::ConfigurationImage> readConfigurationFile(const std::filesystem::path& path);

}  // namespace vaskiro::commission
