#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
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

// A setting's value as the image holds it: a flag, an address, a whole number
// (port, identifier, unit code), single-byte text or a single.
using SettingValue = std::variant<bool, core::Octets, std::int64_t, std::string, float>;

// The control that shows a setting in the window.
enum class ControlKind {
    CheckBox,    // captioned with `caption`
    OctetEdits,  // four edits, one per octet, after a label
    SpinEdit,    // the port's
    TextEdit,    // stops typing at `takes.high` characters
    DigitsEdit,  // takes digits only; read as a signed 32-bit number
    UnitName,    // read-only: the units picker sets the code
    NumberEdit,  // a single, with a calculator
};

// How the window shows and checks a setting, in the window's own words. What
// the window takes is in places looser than what the tool takes (`limits`):
// the window reads octets and the identifier as any signed 32-bit number
// would be read, and its edits hold texts as long as the device's fields.
struct WindowControl {
    ControlKind kind;
    std::string objectName;    // an address's edits: "IPAddr%1Edit", %1 the octet
    std::string caption = {};  // of its label, or of the box itself
    std::string spoken = {};   // its accessible name (an address's: the whole's); empty: the label, a box: its caption
    std::string described = {};    // its accessible description; empty: none, or a text edit's limit
    SettingLimits takes = {0, 0};  // each octet's range, a text's length, a number's range, as the window takes them
    std::string group = {};        // on the General page, the titled group it sits in; empty: below the group
    std::string note = {};         // a line shown under it
    std::string complaint = {};    // logged by the window's address check when an octet is refused
    std::string skippedWhen = {};  // the flag setting that, when on, spares it the window's check
};

// The device object's property that publishes a setting on the network.
struct PublishedAs {
    std::uint32_t property;
    std::string name;  // as the network check says it: "object-name"
};

// One setting of the device: how the tool, a worklist, JSON, the record and
// the window name, check, show and bind it. Adding a setting is adding a row
// to the table (and, for a new field, its accessor in the image).
struct Setting {
    std::string key;    // as `vaskiro set` and a worklist's header take it: "ip", "input-name.3"
    std::string label;  // as a technician says it: "IP address", "Input 3 name"
    SettingPage page;   // where the window shows it
    SettingKind kind;
    core::FieldSpan place;
    SettingLimits limits;  // what set, a worklist and JSON take
    // The value in the image, and storing one of the same alternative.
    std::function<SettingValue(const core::ConfigurationImage&)> value;
    std::function<void(core::ConfigurationImage&, const SettingValue&)> store;
    // The value in readable form: texts quoted, as UTF-8; unit codes with names.
    std::function<std::string(const core::ConfigurationImage&)> show;
    // Parses `value` and stores it. A refusal leaves the image alone and says
    // what the value must be, to follow "KEY: " ("must be on or off").
    std::function<Result<void>(core::ConfigurationImage&, std::string_view value)> assign;
    WindowControl window;
    std::optional<PublishedAs> published;  // none: not on the network
};

// Every setting in the window's order: General, Inputs, Outputs, Analogues.
const std::vector<Setting>& allSettings();
const Setting* findSetting(std::string_view key);
// The settings of one family, channel 1 first: "input-name" gives input-name.1 to .16.
std::vector<const Setting*> familyOf(std::string_view family);

// "KEY=VALUE" into the image; a refusal names the key, what is wrong and the
// value given, its control characters escaped ("port: must be ... (got 'x')").
Result<void> assignSetting(core::ConfigurationImage& image, std::string_view keyEqualsValue);

// The settings whose readable values differ between two images.
std::vector<const Setting*> differences(const core::ConfigurationImage& a, const core::ConfigurationImage& b);

std::string formatUnit(std::uint32_t code);

// A text of the image that the device will not keep whole: the setting, the
// characters given and what the device will hold (UTF-8).
struct CutText {
    const Setting* setting;
    std::size_t given;
    int kept;
    std::string holds;
};
std::vector<CutText> textsTheDeviceCuts(const core::ConfigurationImage& image);

}  // namespace vaskiro::core
