#pragma once

#include <filesystem>

#include "cli/commands.h"

namespace vaskiro::cli {

struct SheetOptions {
    std::filesystem::path file;      // a configuration (data file or JSON), or
    std::filesystem::path record;    // an as-left record
    int row = 0;                     // with `record`: only this worklist row (0: every row)
    std::filesystem::path checkout;  // with `file`: a point checkout's marks (CSV)
    bool withPassword = false;
    std::filesystem::path output;
};

// Writes the handover sheet (HTML) of a configuration, or of the devices of
// an as-left record.
int runSheet(const SheetOptions& options, Streams io);

// Puts a point checkout's marks (the CSV the window's checkout saves) into
// the latest entry of worklist row `row` of an as-left record.
int runRecordCheckout(const std::filesystem::path& record, int row, const std::filesystem::path& marks, Streams io);

}  // namespace vaskiro::cli
