#pragma once

// The Engineering Data Exchange (EDE) files of BIG-EU's template, layout 2.2:
// the point list a building management system's integrator imports.

#include <string>
#include <vector>

#include "bacnet/object_inventory.h"

namespace vaskiro::commission {

// The main file's header lines.
struct EdeHeader {
    std::string project;    // PROJECT_NAME
    std::string timestamp;  // TIMESTAMP_OF_LAST_CHANGE, as the caller writes it
    std::string author;     // AUTHOR_OF_LAST_CHANGE
    int version = 1;        // VERSION_OF_REFERENCEFILE
};

// The text of each file: UTF-8 without a byte order mark, fields separated by
// ';', lines ending in CRLF, comment lines beginning with '#'. Text from the
// network has its control characters (line breaks among them) turned into
// spaces, so that a record stays on one line, and is quoted as CSV is where
// it holds ';', ',' or '"'.
struct EdeFiles {
    std::string ede;          // PREFIX_EDE.csv: the header lines, then one row per object
    std::string stateTexts;   // PREFIX_StateTexts.csv: reference; text 1; text 2 ...
    std::string units;        // PREFIX_Units.csv: the unit codes used, with their names
    std::string objectTypes;  // PREFIX_ObjTypes.csv: the object types used, with their names
};

// The file names for PREFIX, in the order of EdeFiles' members.
std::vector<std::string> edeFileNames(const std::string& prefix);

// One row per object of each device, in the order given; identical state
// texts share one reference, numbered from 1 in order of first use.
EdeFiles edeFiles(const std::vector<bacnet::DeviceInventory>& devices, const EdeHeader& header);

}  // namespace vaskiro::commission
