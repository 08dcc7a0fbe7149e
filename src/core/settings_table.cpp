#include "core/settings_table.h"

#include <limits>

#include "core/bacnet_numbers.h"
#include "core/dotted_address.h"
#include "core/engineering_units.h"
#include "core/float_text.h"
#include "core/display_text.h"
#include "core/setting_values.h"
#include "core/text_codec.h"
#include "core/text_limits.h"

namespace vaskiro::core {

namespace {

using core::ConfigurationImage;
using Show = std::function<std::string(const ConfigurationImage&)>;

// The image accessor of a setting whose value is a T, as SettingValue holds it.
template <class T, class Get, class Set>
void access(Setting& s, Get get, Set set) {
    s.value = [get](const ConfigurationImage& image) { return SettingValue(T(get(image))); };
    s.store = [set](ConfigurationImage& image, const SettingValue& v) { set(image, std::get<T>(v)); };
}

// Texts are UTF-8 outside and Windows-1252 in the image. `kept` when the
// limit is what the device keeps (the object's texts), not the window's.
Setting textSetting(std::string key, std::string label, SettingPage page, core::FieldSpan place, int limit, bool kept,
                    std::function<std::string(const ConfigurationImage&)> get,
                    std::function<void(ConfigurationImage&, const std::string&)> set, WindowControl window) {
    Setting s{std::move(key),
              std::move(label),
              page,
              SettingKind::Text,
              place,
              {0, double(limit)},
              {},
              {},
              [get](const ConfigurationImage& image) { return '"' + core::fromWindows1252(get(image)) + '"'; },
              [set, limit, kept](ConfigurationImage& image, std::string_view value) -> Result<void> {
                  auto bytes = settingText(value, limit, kept);
                  if (!bytes) return Unexpected(bytes.error());
                  set(image, *bytes);
                  return {};
              },
              std::move(window),
              {}};
    access<std::string>(s, get, set);
    return s;
}

Setting flagSetting(std::string key, std::string label, SettingPage page, std::size_t offset,
                    std::function<bool(const ConfigurationImage&)> get,
                    std::function<void(ConfigurationImage&, bool)> set, WindowControl window) {
    Setting s{std::move(key),
              std::move(label),
              page,
              SettingKind::Flag,
              {offset, 1},
              {0, 1},
              {},
              {},
              [get](const ConfigurationImage& image) { return get(image) ? "on" : "off"; },
              [set](ConfigurationImage& image, std::string_view value) -> Result<void> {
                  auto on = parseOnOff(value);
                  if (!on) return Unexpected("must be on or off");
                  set(image, *on);
                  return {};
              },
              std::move(window),
              {}};
    access<bool>(s, get, set);
    return s;
}

Setting addressSetting(std::string key, std::string label, core::AddressField field, WindowControl window) {
    Setting s{std::move(key),
              std::move(label),
              SettingPage::General,
              SettingKind::Address,
              core::span(field),
              {0, 255},
              {},
              {},
              [field](const ConfigurationImage& image) { return formatDottedAddress(image.address(field)); },
              [field](ConfigurationImage& image, std::string_view value) -> Result<void> {
                  auto octets = parseDottedAddress(value);
                  if (!octets) return Unexpected(octets.error());
                  if (field == core::AddressField::SubnetMask && !isContiguousMask(*octets))
                      return Unexpected(
                          std::string("must be ones from the left, then zeros (255.255.255.0, not "
                                      "255.255.0.255)"));
                  image.setAddress(field, *octets);
                  return {};
              },
              std::move(window),
              {}};
    access<core::Octets>(
        s, [field](auto& i) { return i.address(field); }, [field](auto& i, auto& o) { i.setAddress(field, o); });
    return s;
}

// A whole number within `limits`, stored by `set`; `what` names the kind of number.
Setting numberSetting(std::string key, std::string label, std::size_t offset, SettingLimits limits, std::string what,
                      std::function<std::int64_t(const ConfigurationImage&)> get,
                      std::function<void(ConfigurationImage&, std::int32_t)> set, WindowControl window) {
    Setting s{std::move(key),
              std::move(label),
              SettingPage::General,
              SettingKind::Number,
              {offset, 4},
              limits,
              {},
              {},
              [get](const ConfigurationImage& image) { return std::to_string(get(image)); },
              [limits, what, set](ConfigurationImage& image, std::string_view value) -> Result<void> {
                  auto number = parsePlainNumber(value, std::uint32_t(limits.high), what);
                  if (!number) return Unexpected(number.error());
                  set(image, std::int32_t(*number));
                  return {};
              },
              std::move(window),
              {}};
    access<std::int64_t>(s, get, [set](auto& i, std::int64_t v) { set(i, std::int32_t(v)); });
    return s;
}

std::string numbered(const std::string& before, int n, const std::string& after = {}) {
    return before + std::to_string(n) + after;
}

const char* const kCalculatorHint = "a number; Alt+Down opens a calculator";

Setting unitSetting(int n) {
    const SettingLimits limits{0, core::kUnitCount - 1};
    Setting s{numbered("analogue-unit.", n),
              numbered("Analogue ", n, " units"),
              SettingPage::Analogues,
              SettingKind::Unit,
              {core::unitCodeOffset(n), 4},
              limits,
              {},
              {},
              [n](const ConfigurationImage& image) { return formatUnit(image.analogueUnitCode(n)); },
              [n, limits](ConfigurationImage& image, std::string_view value) -> Result<void> {
                  const auto byName = core::unitCodeByName(value);
                  auto code = byName ? Result<std::uint32_t>(*byName)
                                     : parsePlainNumber(value, std::uint32_t(limits.high), "a unit code");
                  if (!code) return Unexpected(code.error() + ", or a unit name (see 'vaskiro units')");
                  image.setAnalogueUnitCode(n, *code);
                  return {};
              },
              {.kind = ControlKind::UnitName, .objectName = numbered("SelectAnalogueUnitsEdit", n), .takes = limits},
              {}};
    access<std::int64_t>(
        s, [n](auto& i) { return i.analogueUnitCode(n); },
        [n](auto& i, std::int64_t code) { i.setAnalogueUnitCode(n, std::uint32_t(code)); });
    return s;
}

// A scaling factor may be negative; a COV increment, a least change, may not,
// though the window's edit takes any single for either.
Setting floatSetting(const char* key, const char* label, const char* control, core::FloatGroup group, int n) {
    constexpr double kLargest = std::numeric_limits<float>::max();
    const bool negativeAllowed = group == core::FloatGroup::AnalogueScaling;
    Setting s{
        key + ("." + std::to_string(n)),
        numbered("Analogue ", n, " ") + label,
        SettingPage::Analogues,
        SettingKind::Float,
        {core::floatOffset(group, n), 4},
        {negativeAllowed ? -kLargest : 0, kLargest},
        {},
        {},
        [group, n](const ConfigurationImage& image) { return core::formatFloat(image.analogueValue(group, n)); },
        [group, n, negativeAllowed](ConfigurationImage& image, std::string_view value) -> Result<void> {
            auto number = parseSettingFloat(value, negativeAllowed);
            if (!number) return Unexpected(number.error());
            image.setAnalogueValue(group, n, *number);
            return {};
        },
        {.kind = ControlKind::NumberEdit,
         .objectName = numbered(control, n),
         .described = kCalculatorHint,
         .takes = {-kLargest, kLargest}},
        {}};
    access<float>(
        s, [group, n](auto& i) { return i.analogueValue(group, n); },
        [group, n](auto& i, float v) { i.setAnalogueValue(group, n, v); });
    return s;
}

std::vector<Setting> buildSettings() {
    using core::FlagGroup;
    using core::NameGroup;
    using core::TextField;
    namespace layout = core::layout;
    const std::string ipGroup = "IP Information";
    auto octets = [&ipGroup](const char* control, const char* caption, const char* complaint) {
        return WindowControl{.kind = ControlKind::OctetEdits,
                             .objectName = control,
                             .caption = caption,
                             .described = "0-255",
                             .takes = {0, 255},
                             .group = ipGroup,
                             .complaint = complaint};
    };
    std::vector<Setting> s;
    s.push_back(flagSetting(
        "dhcp", "Get address automatically", SettingPage::General, layout::DHCPEnable,
        [](auto& i) { return i.dhcpEnable(); }, [](auto& i, bool on) { i.setDhcpEnable(on); },
        {.kind = ControlKind::CheckBox,
         .objectName = "DHCPEnableJvCheckBox",
         .caption = "Get Address Automatically",
         .takes = {0, 1},
         .group = ipGroup}));
    s.push_back(addressSetting("ip", "IP address", core::AddressField::IPAddress,
                               octets("IPAddr%1Edit", "IP Address", "Invalid IP Address")));
    s.back().window.skippedWhen = "dhcp";
    s.push_back(addressSetting("gateway", "Gateway address", core::AddressField::GatewayAddress,
                               octets("GateWayAddr%1Edit", "Gateway Address", "Invalid Gateway Address")));
    s.push_back(addressSetting("mask", "Subnet mask", core::AddressField::SubnetMask,
                               octets("SubMaskAddr%1Edit", "Submask", "Invalid Submask")));
    const std::string port = std::to_string(kDefaultBacnetPort);
    s.push_back(numberSetting(
        "port", "BACnet port", layout::BacnetPort, {0, kLargestUdpPort}, "a UDP port number",
        [](auto& i) { return i.bacnetPort(); }, [](auto& i, std::int32_t port) { i.setBacnetPort(port); },
        {.kind = ControlKind::SpinEdit,
         .objectName = "BacnetPortCSpinEdit",
         .caption = "Port",
         .described = numbered("0-", kLargestUdpPort, ", default " + port),
         .takes = {0, kLargestUdpPort},
         .group = ipGroup,
         .note = "***Default BACnet port is " + port + "***"}));
    auto text = [&s](const char* key, const char* label, TextField field, int limit, const char* control,
                     const char* caption, const std::string& group) {
        s.push_back(textSetting(
            key, label, SettingPage::General, core::span(field), limit, true,
            [field](auto& i) { return i.text(field); }, [field](auto& i, auto& t) { i.setText(field, t); },
            {.kind = ControlKind::TextEdit,
             .objectName = control,
             .caption = caption,
             .takes = {0, double(field == TextField::DevicePassword ? kPasswordLimit : kObjectTextLimit)},
             .group = group}));
    };
    text("name", "Object name", TextField::DeviceName, kObjectTextKept, "DeviceNameEdit", "Object Name", ipGroup);
    s.back().published = PublishedAs{kObjectNameProperty, "object-name"};
    s.push_back(numberSetting(
        "object-id", "Object identifier number", layout::ObjectIdentifier, {0, kLargestDeviceInstance},
        "a device instance number", [](auto& i) { return i.objectIdentifier(); },
        [](auto& i, std::int32_t id) { i.setObjectIdentifier(static_cast<std::uint32_t>(id)); },
        {.kind = ControlKind::DigitsEdit,
         .objectName = "ObjectIdentifierEdit",
         .caption = "Object Identifier Number",
         .described = numbered("digits only; a BACnet device instance, 0-", kLargestDeviceInstance),
         .takes = {0, std::numeric_limits<std::int32_t>::max()},
         .group = ipGroup}));
    text("location", "Location", TextField::Location, kObjectTextKept, "LocationEdit", "Location", "");
    s.back().published = PublishedAs{kLocationProperty, "location"};
    text("description", "Description", TextField::Description, kObjectTextKept, "DescriptionEdit", "Description", "");
    s.back().published = PublishedAs{kDescriptionProperty, "description"};
    text("password", "Password", TextField::DevicePassword, kPasswordLimit, "PasswordEdit", "Password", "");

    // Channel N's control is <control>N; its label says "<label> N", its box N.
    auto names = [&s](const char* key, const char* label, SettingPage page, NameGroup group, const char* control) {
        for (int n = 1; n <= core::channelCount(group); ++n)
            s.push_back(textSetting(
                numbered(key + std::string("."), n), numbered(label + std::string(" "), n, " name"), page,
                core::nameSpan(group, n), kChannelNameLimit, false, [group, n](auto& i) { return i.name(group, n); },
                [group, n](auto& i, auto& t) { i.setName(group, n, t); },
                {.kind = ControlKind::TextEdit,
                 .objectName = numbered(control, n),
                 .caption = numbered(label + std::string(" "), n),
                 .takes = {0, kChannelNameLimit}}));
    };
    auto flags = [&s](const char* key, const char* label, const char* after, SettingPage page, FlagGroup group,
                      const char* control, const char* spoken, const char* spokenAfter) {
        for (int n = 1; n <= core::channelCount(group); ++n)
            s.push_back(flagSetting(
                numbered(key + std::string("."), n), numbered(label + std::string(" "), n, after), page,
                core::flagOffset(group, n), [group, n](auto& i) { return i.flag(group, n); },
                [group, n](auto& i, bool on) { i.setFlag(group, n, on); },
                {.kind = ControlKind::CheckBox,
                 .objectName = numbered(control, n),
                 .caption = std::to_string(n),
                 .spoken = numbered(spoken, n, spokenAfter),
                 .takes = {0, 1}}));
    };
    flags("input-invert", "Invert input", "", SettingPage::Inputs, FlagGroup::InvertInput, "InvertInputsJvCheckBox",
          "Input ", " inverted");
    names("input-name", "Input", SettingPage::Inputs, NameGroup::Input, "InputNameEdit");
    flags("output-start", "Output", " start status", SettingPage::Outputs, FlagGroup::OutputStartStatus,
          "OutputStartStatusJvCheckBox", "Output ", " on at start-up");
    flags("output-invert", "Invert output", "", SettingPage::Outputs, FlagGroup::InvertOutput,
          "InvertOutputsJvCheckBox", "Output ", " inverted");
    names("output-name", "Output", SettingPage::Outputs, NameGroup::Output, "OutputNameEdit");
    names("analogue-name", "Analogue", SettingPage::Analogues, NameGroup::Analogue, "AnalogueNameEdit");
    for (int n = 1; n <= core::kAnalogueCount; ++n) s.push_back(unitSetting(n));
    for (int n = 1; n <= core::kAnalogueCount; ++n)
        s.push_back(floatSetting("analogue-scaling", "scaling", "AnalogueScalingJvCalcEdit",
                                 core::FloatGroup::AnalogueScaling, n));
    for (int n = 1; n <= core::kAnalogueCount; ++n)
        s.push_back(floatSetting("analogue-cov", "COV increment", "COVIncrementJvCalcEdit",
                                 core::FloatGroup::COVIncrement, n));
    return s;
}

}  // namespace

const std::vector<Setting>& allSettings() {
    static const std::vector<Setting> settings = buildSettings();
    return settings;
}

const Setting* findSetting(std::string_view key) {
    for (const Setting& s : allSettings())
        if (s.key == key) return &s;
    return nullptr;
}

std::vector<const Setting*> familyOf(std::string_view family) {
    std::vector<const Setting*> members;
    for (const Setting& s : allSettings())
        if (s.key.size() > family.size() && s.key.starts_with(family) && s.key[family.size()] == '.')
            members.push_back(&s);
    return members;
}

Result<void> assignSetting(ConfigurationImage& image, std::string_view keyEqualsValue) {
    auto equals = keyEqualsValue.find('=');
    if (equals == std::string_view::npos) return Unexpected("'" + std::string(keyEqualsValue) + "' is not KEY=VALUE");
    auto key = keyEqualsValue.substr(0, equals);
    auto value = keyEqualsValue.substr(equals + 1);
    const Setting* setting = findSetting(key);
    if (!setting) return Unexpected("unknown setting '" + std::string(key) + "'");
    auto assigned = setting->assign(image, value);
    if (!assigned)
        return Unexpected(std::string(key) + ": " + assigned.error() + " (got '" + escapeControlCharacters(value) +
                          "')");
    return {};
}

std::vector<const Setting*> differences(const ConfigurationImage& a, const ConfigurationImage& b) {
    std::vector<const Setting*> out;
    for (const Setting& s : allSettings())
        if (s.show(a) != s.show(b)) out.push_back(&s);
    return out;
}

std::vector<CutText> textsTheDeviceCuts(const ConfigurationImage& image) {
    using core::TextField;
    std::vector<CutText> cuts;
    auto check = [&cuts](const std::string& key, const std::string& text, int kept) {
        if (text.size() > std::size_t(kept))
            cuts.push_back({findSetting(key), text.size(), kept, core::fromWindows1252(text.substr(0, kept))});
    };
    for (auto [key, field] :
         {std::pair{"name", TextField::DeviceName}, std::pair{"location", TextField::Location},
          std::pair{"description", TextField::Description}, std::pair{"password", TextField::DevicePassword}})
        check(key, image.text(field), deviceKeeps(field));
    // A name crosses the link whole but comes back with a NUL in its last byte.
    using core::NameGroup;
    for (auto [prefix, group] :
         {std::pair{"input-name.", NameGroup::Input}, std::pair{"output-name.", NameGroup::Output},
          std::pair{"analogue-name.", NameGroup::Analogue}})
        for (int n = 1; n <= core::channelCount(group); ++n)
            check(prefix + std::to_string(n), image.name(group, n), int(core::layout::TextSize) - 1);
    return cuts;
}

std::string formatUnit(std::uint32_t code) {
    auto name = core::EngineeringUnitName(code);
    return std::to_string(code) + " (" + (name.empty() ? std::string("undefined") : std::string(name)) + ")";
}

}  // namespace vaskiro::core
