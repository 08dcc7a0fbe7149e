#pragma once

#include <filesystem>

#include "cli/commands.h"

namespace vaskiro::cli {

struct SheetOptions {
    std::filesystem::path file;    // a configuration (data file or JSON), or
    std::filesystem::path record;  // an as-left record
    int row = 0;                   // with `record`: only this worklist row (0: every row)
    bool withPassword = false;
    std::filesystem::path output;
};

// Writes the handover sheet (HTML) of a configuration, or of the devices of
// an as-left record.
int runSheet(const SheetOptions& options, Streams io);

}  // namespace vaskiro::cli
