#include "commission/ede_files.h"

#include <algorithm>
#include <map>
#include <set>

#include "core/engineering_units.h"
#include "csv/csv.h"

namespace vaskiro::commission {

namespace {

constexpr char kDelimiter = ';';
constexpr const char* kLayoutVersion = "2.2";
const csv::Record kColumns{"# keyname",
                           "device obj.-instance",
                           "object-name",
                           "object-type",
                           "object-instance",
                           "description",
                           "present-value-default",
                           "min-present-value",
                           "max-present-value",
                           "settable",
                           "supports COV",
                           "hi-limit",
                           "low-limit",
                           "state-text-reference",
                           "unit-code",
                           "vendor-specific-address",
                           "notification-class"};

// Text from outside on one line: control characters become spaces.
std::string fieldOnOneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, ' ');
    return text;
}

std::string line(const csv::Record& record) { return csv::formatRecord(record, kDelimiter); }

}  // namespace

std::vector<std::string> edeFileNames(const std::string& prefix) {
    return {prefix + "_EDE.csv", prefix + "_StateTexts.csv", prefix + "_Units.csv", prefix + "_ObjTypes.csv"};
}

EdeFiles edeFiles(const std::vector<bacnet::DeviceInventory>& devices, const EdeHeader& header) {
    EdeFiles files;
    files.ede = line({"PROJECT_NAME", fieldOnOneLine(header.project)}) +
                line({"VERSION_OF_REFERENCEFILE", std::to_string(header.version)}) +
                line({"TIMESTAMP_OF_LAST_CHANGE", fieldOnOneLine(header.timestamp)}) +
                line({"AUTHOR_OF_LAST_CHANGE", fieldOnOneLine(header.author)}) +
                line({"VERSION_OF_LAYOUT", kLayoutVersion}) + line(kColumns);
    std::vector<std::vector<std::string>> texts;  // by reference - 1
    std::set<std::uint32_t> units;
    std::set<std::uint16_t> types;
    for (const bacnet::DeviceInventory& device : devices)
        for (const bacnet::ServedObject& object : device.objects) {
            std::string reference;
            if (!object.stateTexts.empty()) {
                std::vector<std::string> shown;
                for (const std::string& text : object.stateTexts) shown.push_back(fieldOnOneLine(text));
                auto found = std::find(texts.begin(), texts.end(), shown);
                if (found == texts.end()) found = texts.insert(texts.end(), shown);
                reference = std::to_string(found - texts.begin() + 1);
            }
            if (object.units) units.insert(*object.units);
            types.insert(object.id.type);
            const std::string instance = std::to_string(device.instance);
            const std::string typeName = bacnet::objectTypeName(object.id.type);
            files.ede +=
                line({instance + "." + typeName + "." + std::to_string(object.id.instance), instance,
                      fieldOnOneLine(object.name), std::to_string(object.id.type), std::to_string(object.id.instance),
                      fieldOnOneLine(object.description), "", "", "", "", object.cov ? "Y" : "N", "", "", reference,
                      object.units ? std::to_string(*object.units) : "", "", ""});
        }
    std::size_t columns = 0;
    for (const auto& set : texts) columns = std::max(columns, set.size());
    csv::Record heading{"# state-text-reference"};
    for (std::size_t n = 1; n <= columns; ++n) heading.push_back("text " + std::to_string(n));
    files.stateTexts = line(heading);
    for (std::size_t r = 0; r < texts.size(); ++r) {
        csv::Record record{std::to_string(r + 1)};
        record.insert(record.end(), texts[r].begin(), texts[r].end());
        files.stateTexts += line(record);
    }
    files.units = line({"# unit-code", "unit-text"});
    for (std::uint32_t code : units)
        files.units += line({std::to_string(code), std::string(core::EngineeringUnitName(code))});
    files.objectTypes = line({"# object-type", "object-type-text"});
    for (std::uint16_t type : types) files.objectTypes += line({std::to_string(type), bacnet::objectTypeName(type)});
    return files;
}

}  // namespace vaskiro::commission
