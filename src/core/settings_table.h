#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/configuration_image.h"
#include "core/result.h"
#include "core/setting_values.h"

namespace vaskiro::core {

enum class SettingPage { General, Inputs, Outputs, Analogues };
// Which rule of core/setting_values a value follows.
enum class SettingKind { Flag, Address, Number, Text, Unit, Float };

// The values a setting may take, both ends included: a number's range (each
// octet's for an address, 0 to 1 for a flag) or a text's length in
// single-byte characters. A scaling or COV increment: any finite single.
struct SettingLimits {
    double low;
    double high;
};

// One setting of the device: how the tool, a worklist and the window name,
// check and show it. Adding a setting is adding a row to the table.
struct Setting {
    std::string key;    // as `vaskiro set` and a worklist's header take it: "ip", "input-name.3"
    std::string label;  // as a technician says it: "IP address", "Input 3 name"
    SettingPage page;   // where the window shows it
    SettingKind kind;
    config::FieldSpan place;
    SettingLimits limits;
    // The value in readable form: texts quoted, as UTF-8; unit codes with names.
    std::function<std::string(const config::ConfigurationImage&)> show;
    // Parses `value` and stores it. A refusal leaves the image alone and says
    // what the value must be, to follow "KEY: " ("must be on or off").
    std::function<Result<void>(config::ConfigurationImage&, std::string_view value)> assign;
};

// Every setting in the window's order: General, Inputs, Outputs, Analogues.
const std::vector<Setting>& allSettings();
const Setting* findSetting(std::string_view key);

// "KEY=VALUE" into the image; a refusal names the key, what is wrong and the
// value given, its control characters escaped ("port: must be ... (got 'x')").
Result<void> assignSetting(config::ConfigurationImage& image, std::string_view keyEqualsValue);

// The settings whose readable values differ between two images.
std::vector<const Setting*> differences(const config::ConfigurationImage& a, const config::ConfigurationImage& b);

std::string formatUnit(std::uint32_t code);

// A text of the image that the device will not keep whole: the setting, the
// characters given and what the device will hold (UTF-8).
struct CutText {
    const Setting* setting;
    std::size_t given;
    int kept;
    std::string holds;
};
std::vector<CutText> textsTheDeviceCuts(const config::ConfigurationImage& image);

}  // namespace vaskiro::core
