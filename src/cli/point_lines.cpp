#include "cli/point_lines.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "core/display_text.h"
#include "core/engineering_units.h"
#include "core/local_time.h"
#include "core/text_codec.h"

namespace vaskiro::cli {

namespace {

using bacnet::PointKind;
using core::escapeControlCharacters;

constexpr const char* kFlagNames[] = {"in-alarm", "fault", "overridden", "out-of-service"};

std::string number(float value) {
    if (!std::isfinite(value)) return std::isnan(value) ? "nan" : value > 0 ? "inf" : "-inf";
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

// "on", "off", "21.5", or nothing when there is no value of a known kind.
std::optional<std::string> valueText(const bacnet::Point& point) {
    if (!point.value) return std::nullopt;
    if (const auto* state = std::get_if<bacnet::Enumerated>(&*point.value)) return state->value ? "on" : "off";
    if (const auto* real = std::get_if<float>(&*point.value)) return number(*real);
    return std::nullopt;
}

std::string unitsText(const bacnet::Point& point) {
    if (!point.units) return {};
    const std::string_view name = core::EngineeringUnitName(*point.units);
    return name.empty() ? "units " + std::to_string(*point.units) : std::string(name);
}

// "read 23:50:01", "stale, read 23:50:01" (the device has not answered since), "never read".
std::string freshnessText(const bacnet::Point& point) {
    if (point.receivedAt == bacnet::WallClock::time_point{}) return "never read";
    return (point.stale ? "stale, read " : "read ") + core::localTimeText(point.receivedAt, "%H:%M:%S");
}

std::vector<std::string> flagsSet(const bacnet::Point& point) {
    std::vector<std::string> set;
    for (std::size_t bit = 0; bit < point.flags.bits.size() && bit < std::size(kFlagNames); ++bit)
        if (point.flags.bits[bit]) set.emplace_back(kFlagNames[bit]);
    return set;
}

}  // namespace

std::string pointLine(const bacnet::Point& point, const core::ConfigurationImage& image, const std::string& time,
                      bool json) {
    // JSON escapes what it must itself; a line of text is escaped here.
    const std::string rawConfigured = core::fromWindows1252(image.name(bacnet::nameGroup(point.kind), point.channel));
    const std::string configured = json ? rawConfigured : escapeControlCharacters(rawConfigured);
    const std::string onDevice = json ? point.name : escapeControlCharacters(point.name);
    const auto value = valueText(point);
    const std::string units = point.kind == PointKind::Analogue ? unitsText(point) : std::string();
    const std::vector<std::string> flags = flagsSet(point);
    if (json) {
        nlohmann::ordered_json line;
        line["time"] = time;
        line["kind"] = bacnet::kindName(point.kind);
        line["channel"] = point.channel;
        line["object"] = bacnet::objectText(point.object);
        line["name"] = configured;
        if (!point.name.empty() && onDevice != configured) line["name_on_device"] = onDevice;
        const auto* real = point.value ? std::get_if<float>(&*point.value) : nullptr;
        if (real && std::isfinite(*real))
            line["value"] = *real;
        else if (value)
            line["value"] = *value;
        else
            line["value"] = nullptr;
        if (!point.error.empty()) line["error"] = point.error;
        line["units"] = units.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(units);
        line["flags"] = flags;
        line["read_at"] = point.receivedAt == bacnet::WallClock::time_point{}
                              ? nlohmann::ordered_json(nullptr)
                              : nlohmann::ordered_json(timestamp(point.receivedAt));
        line["stale"] = point.stale;
        return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
    std::string text = time.empty() ? std::string() : time + '\t';
    text += std::string(bacnet::kindName(point.kind)) + '.' + std::to_string(point.channel) + '\t' +
            bacnet::objectText(point.object) + '\t' + configured + '\t';
    if (value)
        text += *value + (units.empty() ? "" : " " + units);
    else
        text += "no value: " + escapeControlCharacters(point.error.empty() ? "not read" : point.error);
    std::string flagList;
    for (const std::string& flag : flags) flagList += (flagList.empty() ? "" : ",") + flag;
    text += '\t' + (flagList.empty() ? std::string("normal") : flagList) + '\t' + freshnessText(point);
    if (!point.name.empty() && onDevice != configured) text += "\ton the device: " + onDevice;
    return text;
}

std::string timestamp(bacnet::WallClock::time_point at) {
    std::string iso = core::localIso8601(at);
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count() % 1000;
    char fraction[8];
    std::snprintf(fraction, sizeof fraction, ".%03d", static_cast<int>(milliseconds));
    iso.insert(19, fraction);
    return iso;
}

}  // namespace vaskiro::cli
