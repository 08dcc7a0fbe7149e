#include "commission/json_form.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>
#include <tuple>

#include <nlohmann/json.hpp>

#include "core/data_file.h"
#include "core/display_text.h"
#include "core/engineering_units.h"
#include "core/float_text.h"
#include "core/settings_table.h"

namespace vaskiro::commission {

namespace {

using json = nlohmann::ordered_json;
using Refusal = core::Unexpected<std::string>;

std::string toHex(const core::ImageBytes& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (auto b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

bool fromHex(const std::string& text, core::ImageBytes& bytes) {
    if (text.size() != bytes.size() * 2) return false;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        int high = nibble(text[2 * i]), low = nibble(text[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return true;
}

// Setting values in JSON: the same text `vaskiro set` takes, from a JSON
// string, boolean or number.
core::Result<std::string> settingText(const json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_boolean()) return std::string(value.get<bool>() ? "on" : "off");
    if (value.is_number_integer()) return std::to_string(value.get<long long>());
    if (value.is_number()) {
        // Shortest text of the single-precision value, so that 0.1 stays 0.1.
        return core::formatFloat(static_cast<float>(value.get<double>()));
    }
    if (value.is_object() && value.contains("code")) return settingText(value["code"]);
    if (value.is_object() && value.contains("name")) return settingText(value["name"]);
    return Refusal("has a value of the wrong kind");
}

json floatValue(float value) {
    // JSON has no infinity or NaN: those are named in strings. Import leaves
    // an unedited value to the image member, which keeps the exact bits.
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    // The shortest text that reads back as the same single, as a JSON number.
    return json::parse(core::formatFloat(value));
}

// The members of each part of the form, as export writes them.
const std::vector<std::pair<const char*, const char*>> kInputMembers = {{"name", "input-name"},
                                                                        {"invert", "input-invert"}};
const std::vector<std::pair<const char*, const char*>> kOutputMembers = {
    {"name", "output-name"}, {"invert", "output-invert"}, {"start", "output-start"}};
const std::vector<std::pair<const char*, const char*>> kAnalogueMembers = {
    {"name", "analogue-name"}, {"unit", "analogue-unit"}, {"scaling", "analogue-scaling"}, {"cov", "analogue-cov"}};
// The members of "general": the keys of the General page's settings.
std::vector<const char*> generalMembers() {
    std::vector<const char*> keys;
    for (const core::Setting& s : core::allSettings())
        if (s.page == core::SettingPage::General) keys.push_back(s.key.c_str());
    return keys;
}
const char* const kRootMembers[] = {"format", "version", "general", "inputs", "outputs", "analogues", "image"};

bool among(const std::string& key, std::span<const char* const> names) {
    return std::any_of(names.begin(), names.end(), [&key](const char* name) { return key == name; });
}

core::Result<void> refuseUnknown(const json& object, std::span<const char* const> known, const std::string& where) {
    for (const auto& [key, value] : object.items())
        if (!among(key, known)) return Refusal("has an unknown member \"" + where + key + "\" (see 'vaskiro export')");
    return {};
}

// Applies `key` from `value` unless the value is what the image's own
// export holds there (`unchanged`): only edited values are parsed, checked
// and stored.
core::Result<void> apply(core::ConfigurationImage& image, const std::string& key, const json& value,
                         const json& unchanged, const std::string& where) {
    if (value.is_object())
        if (auto known = refuseUnknown(value, std::array{"code", "name"}, where + "."); !known) return known;
    if (value == unchanged) return {};
    auto text = settingText(value);
    if (!text) return Refusal(text.error() + " at " + where);
    auto assigned = core::findSetting(key)->assign(image, *text);
    if (!assigned)
        return Refusal("has a bad value at " + where + ": " + assigned.error() + " (got '" +
                       core::escapeControlCharacters(*text) + "')");
    return {};
}

core::Result<void> applyChannels(core::ConfigurationImage& image, const json& root, const json& baseline,
                                 const char* group, std::size_t count,
                                 const std::vector<std::pair<const char*, const char*>>& members,
                                 std::vector<std::string>& missing) {
    if (!root.contains(group)) {
        missing.push_back(group);
        return {};
    }
    const json& list = root[group];
    if (!list.is_array() || list.size() != count)
        return Refusal(std::string("\"") + group + "\" must be a list of " + std::to_string(count));
    std::vector<const char*> known;
    for (auto [member, keyPrefix] : members) known.push_back(member);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string where = std::string(group) + "[" + std::to_string(i) + "].";
        if (!list[i].is_object()) return Refusal(std::string(group) + " entries must be objects");
        if (auto checked = refuseUnknown(list[i], known, where); !checked) return checked;
        for (auto [member, keyPrefix] : members) {
            if (!list[i].contains(member)) {
                missing.push_back(where + member);
                continue;
            }
            auto applied = apply(image, std::string(keyPrefix) + "." + std::to_string(i + 1), list[i][member],
                                 baseline[group][i][member], where + member);
            if (!applied) return applied;
        }
    }
    return {};
}

// Line and column of the byte at `offset` (from 1), as an editor counts them.
std::string lineAndColumn(const std::string& text, std::size_t offset) {
    offset = std::min(offset, text.size());
    const auto lineStart = text.rfind('\n', offset == 0 ? 0 : offset - 1);
    const auto line = std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n') + 1;
    const auto column = offset - (lineStart == std::string::npos ? 0 : lineStart + 1);
    return "line " + std::to_string(line) + ", column " + std::to_string(std::max<std::size_t>(column, 1));
}

core::Result<json> parseJsonText(std::string text) {
    if (text.starts_with("\xFE\xFF") || text.starts_with("\xFF\xFE") ||
        (text.size() >= 2 && (text[0] == '\0' || text[1] == '\0')))
        return Refusal("is saved as UTF-16: save it as UTF-8");
    if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);  // a byte order mark, as editors on Windows write
    try {
        return json::parse(text);
    } catch (const json::parse_error& e) {
        // What went wrong, without the library's prefix and its own position.
        std::string what = e.what();
        const auto detail = what.find(": ", what.find("parse error"));
        what = detail == std::string::npos ? what : what.substr(detail + 2);
        return Refusal("is not valid JSON: " + lineAndColumn(text, e.byte) + ": " + what);
    } catch (const json::out_of_range&) {
        // The library stops on a number it cannot hold ("1e999"), and says no place.
        return Refusal("is not valid JSON: it holds a number too large to read");
    }
}

// A setting's value as export writes it: flags as booleans, numbers as
// numbers, a unit as its code and name, the rest as `vaskiro set` takes it.
json jsonValue(const core::Setting& setting, const core::ConfigurationImage& image) {
    const core::SettingValue value = setting.value(image);
    const std::string shown = setting.show(image);
    switch (setting.kind) {
    case core::SettingKind::Flag: return std::get<bool>(value);
    case core::SettingKind::Number: return std::get<std::int64_t>(value);
    case core::SettingKind::Text: return shown.substr(1, shown.size() - 2);  // readable text values are quoted
    case core::SettingKind::Float: return floatValue(std::get<float>(value));
    case core::SettingKind::Unit: {
        const auto code = std::get<std::int64_t>(value);
        const std::string name = shown.substr(shown.find('(') + 1);
        return {{"code", code}, {"name", code < core::kUnitCount ? name.substr(0, name.size() - 1) : ""}};
    }
    case core::SettingKind::Address: break;
    }
    return shown;
}

json channels(const core::ConfigurationImage& image, int count,
              const std::vector<std::pair<const char*, const char*>>& members) {
    json list = json::array();
    for (int n = 1; n <= count; ++n) {
        json entry = json::object();
        for (auto [member, keyPrefix] : members)
            entry[member] = jsonValue(*core::findSetting(keyPrefix + ("." + std::to_string(n))), image);
        list.push_back(entry);
    }
    return list;
}

}  // namespace

std::string exportJson(const core::ConfigurationImage& image) {
    json general = json::object();
    for (const char* key : generalMembers()) general[key] = jsonValue(*core::findSetting(key), image);
    const json inputs = channels(image, core::kInputCount, kInputMembers);
    const json outputs = channels(image, core::kOutputCount, kOutputMembers);
    const json analogues = channels(image, core::kAnalogueCount, kAnalogueMembers);
    json root = {{"format", std::string(core::kDataFileText)},
                 {"version", core::kDataFormatVersion},
                 {"general", general},
                 {"inputs", inputs},
                 {"outputs", outputs},
                 {"analogues", analogues},
                 {"image", toHex(image.bytes())}};
    return root.dump(2) + "\n";
}

namespace {

// Every member of `root` into `image`, over the defaults; what is left out
// goes to `missing`.
core::Result<void> applyMembers(const json& root, core::ConfigurationImage& image,
                                std::vector<std::string>& missing) {
    if (auto checked = refuseUnknown(root, kRootMembers, ""); !checked) return checked;
    if (root.contains("image") &&
        !(root["image"].is_string() && fromHex(root["image"].get<std::string>(), image.bytes())))
        return Refusal("has an \"image\" that is not 1560 bytes of hexadecimal");
    const json baseline = json::parse(exportJson(image));
    if (!root.contains("general")) missing.emplace_back("general");
    if (root.contains("general")) {
        const json& general = root["general"];
        if (!general.is_object()) return Refusal("has a \"general\" that is not an object");
        const std::vector<const char*> members = generalMembers();
        if (auto checked = refuseUnknown(general, members, "general."); !checked) return checked;
        for (const char* key : members) {
            if (!general.contains(key)) {
                missing.push_back(std::string("general.") + key);
                continue;
            }
            auto applied = apply(image, key, general[key], baseline["general"][key], std::string("general.") + key);
            if (!applied) return applied;
        }
    }
    for (auto [group, count, members] : {std::tuple{"inputs", core::kInputCount, &kInputMembers},
                                         std::tuple{"outputs", core::kOutputCount, &kOutputMembers},
                                         std::tuple{"analogues", core::kAnalogueCount, &kAnalogueMembers}})
        if (auto applied =
                applyChannels(image, root, baseline, group, static_cast<std::size_t>(count), *members, missing);
            !applied)
            return applied;
    return {};
}

}  // namespace

core::Result<core::ConfigurationImage> importJson(const std::string& text) {
    auto parsed = parseJsonText(text);
    if (!parsed) return Refusal(parsed.error());
    const json& root = *parsed;
    if (!root.is_object()) return Refusal("is not a JSON object");
    // value() would throw on a "format" that is not a string.
    const auto format = root.find("format");
    if (format == root.end() || !format->is_string() || format->get<std::string>() != core::kDataFileText)
        return Refusal("is not a VASKIRO BACnet Interface configuration (\"format\" is missing or different)");
    if (!root.contains("version") || !root["version"].is_number_integer() ||
        root["version"].get<long long>() > core::kDataFormatVersion)
        return Refusal("uses a later or unknown format version");

    core::ConfigurationImage result;
    result.SetDefaults();
    std::vector<std::string> missing;
    auto applied = applyMembers(root, result, missing);
    if (!applied) return Refusal(applied.error());
    // Without "image" nothing else says what a left-out setting holds.
    if (!root.contains("image") && !missing.empty()) {
        std::string names;
        for (std::size_t i = 0; i < missing.size() && i < 5; ++i) names += (i ? ", " : "") + missing[i];
        if (missing.size() > 5) names += " and " + std::to_string(missing.size() - 5) + " more";
        return Refusal("lacks " + names + " (only a file with \"image\" may leave settings out)");
    }
    return result;
}

}  // namespace vaskiro::commission
