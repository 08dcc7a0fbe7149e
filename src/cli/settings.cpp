#include "cli/settings.h"

#include "core/float_text.h"
#include "core/str_to_int.h"
#include "core/text_codec.h"
#include "core/engineering_units.h"
#include "core/bacnet_numbers.h"
#include "core/text_limits.h"

namespace vaskiro::cli {

namespace {

using config::ConfigurationImage;

using core::kLargestDeviceInstance;

// Whole decimal number within [low, high], nothing else.
std::optional<long long> parseWhole(std::string_view text, long long low, long long high) {
    auto value = config::tryStrToInt(text);
    if (!value || *value < low || *value > high) return std::nullopt;
    return *value;
}

std::string quote(const std::string& text) { return '"' + text + '"'; }

// A text setting: UTF-8 in, Windows-1252 in the image, at most `limit`
// characters (the window's limit for the field).
Setting textSetting(std::string key, std::string label, std::size_t limit,
                    std::function<std::string(const ConfigurationImage&)> get,
                    std::function<void(ConfigurationImage&, const std::string&)> set) {
    return {std::move(key), std::move(label),
            [get](const ConfigurationImage& image) { return quote(config::fromWindows1252(get(image))); },
            [set, limit](ConfigurationImage& image, std::string_view value) -> std::string {
                std::string bytes = config::toWindows1252(value);
                if (config::fromWindows1252(bytes) != value)
                    return "holds a character that the device cannot store (it keeps Windows-1252 text)";
                if (bytes.size() > limit) return "is longer than " + std::to_string(limit) + " characters";
                if (bytes.find('\0') != std::string::npos) return "holds a NUL character";
                set(image, bytes);
                return {};
            }};
}

Setting flagSetting(std::string key, std::string label, std::function<bool(const ConfigurationImage&)> get,
                    std::function<void(ConfigurationImage&, bool)> set) {
    return {std::move(key), std::move(label), [get](const ConfigurationImage& image) { return get(image) ? "on" : "off"; },
            [set](ConfigurationImage& image, std::string_view value) -> std::string {
                auto on = parseOnOff(value);
                if (!on) return "must be on or off";
                set(image, *on);
                return {};
            }};
}

Setting addressSetting(std::string key, std::string label, config::AddressField field) {
    return {std::move(key), std::move(label),
            [field](const ConfigurationImage& image) { return formatAddress(image.address(field)); },
            [field](ConfigurationImage& image, std::string_view value) -> std::string {
                auto octets = parseAddress(value);
                if (!octets) return "must be four numbers from 0 to 255 separated by dots";
                image.setAddress(field, *octets);
                return {};
            }};
}

Setting floatSetting(std::string key, std::string label, config::FloatGroup group, int n) {
    return {std::move(key), std::move(label),
            [group, n](const ConfigurationImage& image) { return config::formatFloat(image.analogueValue(group, n)); },
            [group, n](ConfigurationImage& image, std::string_view value) -> std::string {
                auto number = config::parseFloat(value);
                if (!number) return "must be a finite number";
                image.setAnalogueValue(group, n, *number);
                return {};
            }};
}

std::vector<Setting> buildSettings() {
    using config::FlagGroup;
    using config::NameGroup;
    using config::TextField;
    std::vector<Setting> s;
    s.push_back(flagSetting("dhcp", "Get Address Automatically", [](auto& i) { return i.dhcpEnable(); },
                            [](auto& i, bool on) { i.setDhcpEnable(on); }));
    s.push_back(addressSetting("ip", "IP Address", config::AddressField::IPAddress));
    s.push_back(addressSetting("gateway", "Gateway Address", config::AddressField::GatewayAddress));
    s.push_back(addressSetting("mask", "Submask", config::AddressField::SubnetMask));
    s.push_back({"port", "Port", [](auto& i) { return std::to_string(i.bacnetPort()); },
                 [](ConfigurationImage& i, std::string_view v) -> std::string {
                     auto port = parseWhole(v, 0, core::kLargestUdpPort);
                     if (!port) return "must be a UDP port number from 0 to 65535";
                     i.setBacnetPort(static_cast<std::int32_t>(*port));
                     return {};
                 }});
    s.push_back(textSetting("name", "Object Name", core::kObjectTextLimit, [](auto& i) { return i.text(TextField::DeviceName); },
                            [](auto& i, auto& t) { i.setText(TextField::DeviceName, t); }));
    s.push_back({"object-id", "Object Identifier Number", [](auto& i) { return std::to_string(i.objectIdentifier()); },
                 [](ConfigurationImage& i, std::string_view v) -> std::string {
                     auto id = parseWhole(v, 0, kLargestDeviceInstance);
                     if (!id) return "must be a device instance number from 0 to 4194302";
                     i.setObjectIdentifier(static_cast<std::uint32_t>(*id));
                     return {};
                 }});
    s.push_back(textSetting("location", "Location", core::kObjectTextLimit, [](auto& i) { return i.text(TextField::Location); },
                            [](auto& i, auto& t) { i.setText(TextField::Location, t); }));
    s.push_back(textSetting("description", "Description", core::kObjectTextLimit, [](auto& i) { return i.text(TextField::Description); },
                            [](auto& i, auto& t) { i.setText(TextField::Description, t); }));
    s.push_back(textSetting("password", "Password", core::kPasswordLimit, [](auto& i) { return i.text(TextField::DevicePassword); },
                            [](auto& i, auto& t) { i.setText(TextField::DevicePassword, t); }));

    auto names = [&s](const char* key, const char* label, NameGroup group) {
        for (int n = 1; n <= config::channelCount(group); ++n)
            s.push_back(textSetting(key + ("." + std::to_string(n)), label + (" " + std::to_string(n)) + " Name", core::kChannelNameLimit,
                                    [group, n](auto& i) { return i.name(group, n); },
                                    [group, n](auto& i, auto& t) { i.setName(group, n, t); }));
    };
    auto flags = [&s](const char* key, const char* label, FlagGroup group) {
        for (int n = 1; n <= config::channelCount(group); ++n)
            s.push_back(flagSetting(key + ("." + std::to_string(n)), label + (" " + std::to_string(n)),
                                    [group, n](auto& i) { return i.flag(group, n); },
                                    [group, n](auto& i, bool on) { i.setFlag(group, n, on); }));
    };
    flags("input-invert", "Invert Input", FlagGroup::InvertInput);
    names("input-name", "Input", NameGroup::Input);
    flags("output-start", "Output Start Status", FlagGroup::OutputStartStatus);
    flags("output-invert", "Invert Output", FlagGroup::InvertOutput);
    names("output-name", "Output", NameGroup::Output);
    names("analogue-name", "Analogue", NameGroup::Analogue);
    for (int n = 1; n <= config::kAnalogueCount; ++n)
        s.push_back({"analogue-unit." + std::to_string(n), "Analogue " + std::to_string(n) + " Units",
                     [n](auto& i) { return formatUnit(i.analogueUnitCode(n)); },
                     [n](ConfigurationImage& i, std::string_view v) -> std::string {
                         auto code = parseWhole(v, 0, units::kUnitCount - 1);
                         if (!code) {
                             auto byName = units::unitCodeByName(v);
                             if (!byName) return "must be a unit code from 0 to 189 or a unit name (see 'vaskiro units')";
                             code = *byName;
                         }
                         i.setAnalogueUnitCode(n, static_cast<std::uint32_t>(*code));
                         return {};
                     }});
    for (int n = 1; n <= config::kAnalogueCount; ++n)
        s.push_back(floatSetting("analogue-scaling." + std::to_string(n), "Analogue " + std::to_string(n) + " Scaling",
                                 config::FloatGroup::AnalogueScaling, n));
    for (int n = 1; n <= config::kAnalogueCount; ++n)
        s.push_back(floatSetting("analogue-cov." + std::to_string(n), "Analogue " + std::to_string(n) + " COV Increment",
                                 config::FloatGroup::COVIncrement, n));
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

std::string assignSetting(config::ConfigurationImage& image, std::string_view keyEqualsValue) {
    auto equals = keyEqualsValue.find('=');
    if (equals == std::string_view::npos) return "'" + std::string(keyEqualsValue) + "' is not KEY=VALUE";
    auto key = keyEqualsValue.substr(0, equals);
    auto value = keyEqualsValue.substr(equals + 1);
    const Setting* setting = findSetting(key);
    if (!setting) return "unknown setting '" + std::string(key) + "'";
    std::string error = setting->assign(image, value);
    return error.empty() ? error : std::string(key) + " " + error + " (got '" + std::string(value) + "')";
}

std::vector<const Setting*> differences(const config::ConfigurationImage& a, const config::ConfigurationImage& b) {
    std::vector<const Setting*> out;
    for (const Setting& s : allSettings())
        if (s.show(a) != s.show(b)) out.push_back(&s);
    return out;
}

std::optional<bool> parseOnOff(std::string_view text) {
    for (auto on : {"on", "true", "yes", "1"})
        if (text == on) return true;
    for (auto off : {"off", "false", "no", "0"})
        if (text == off) return false;
    return std::nullopt;
}

std::optional<config::Octets> parseAddress(std::string_view text) {
    config::Octets octets{};
    for (std::size_t i = 0; i < 4; ++i) {
        auto dot = i < 3 ? text.find('.') : text.size();
        if (dot == std::string_view::npos) return std::nullopt;
        auto octet = parseWhole(text.substr(0, dot), 0, 255);
        if (!octet || (dot > 1 && text[0] == '0') || text.substr(0, dot).find_first_not_of("0123456789") != std::string_view::npos)
            return std::nullopt;
        octets[i] = static_cast<std::uint8_t>(*octet);
        text = i < 3 ? text.substr(dot + 1) : std::string_view{};
    }
    return octets;
}

std::string formatAddress(const config::Octets& o) {
    return std::to_string(o[0]) + "." + std::to_string(o[1]) + "." + std::to_string(o[2]) + "." + std::to_string(o[3]);
}

std::string formatUnit(std::uint32_t code) {
    auto name = units::EngineeringUnitName(code);
    return std::to_string(code) + " (" + (name.empty() ? std::string("undefined") : std::string(name)) + ")";
}

}  // namespace vaskiro::cli
