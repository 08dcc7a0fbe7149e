#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/configuration_image.h"
#include "core/result.h"

namespace vaskiro::commission {

// One device to commission: the base configuration with the row's settings.
struct WorklistRow {
    int row = 0;  // 1 for the first row under the header
    std::string tag;
    core::ConfigurationImage image;
};

struct Worklist {
    std::vector<std::string> keys;  // the setting columns, in the file's order
    std::vector<WorklistRow> rows;
};

// Reads a worklist: CSV whose header names setting keys as `set` takes them,
// and optionally `tag`. Each row's non-empty cells are applied over `base`;
// an empty cell keeps the base's value. Every row is checked before any is
// used: unknown or repeated columns, rows of another length than the header,
// bad values, a text the device would not keep whole, and two rows with the same object-id, or the same ip while
// both have dhcp off. Where ';' separates the cells, scaling and COV
// increments may have a decimal comma. Refuses with one line per fault
// ("row 2, column ip: ..."; "row 2, ip from the base: ..." for a value the
// file has no column for).
core::Result<Worklist, std::vector<std::string>> readWorklist(std::string_view text,
                                                              const core::ConfigurationImage& base);

}  // namespace vaskiro::commission
