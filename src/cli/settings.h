#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/configuration_image.h"

namespace vaskiro::cli {

// One setting as the tool names it ("ip", "input-name.3", ...), with its
// readable value and a strict parser. The list follows the window's order:
// General, Inputs, Outputs, Analogues.
struct Setting {
    std::string key;
    std::string label;  // as the window labels it, e.g. "Input 3 Name"
    // The value in readable form (texts as UTF-8, unit codes with names).
    std::function<std::string(const config::ConfigurationImage&)> show;
    // Parses `value` and stores it; returns an error text (empty on success)
    // and leaves the image alone when the value is refused.
    std::function<std::string(config::ConfigurationImage&, std::string_view)> assign;
};

const std::vector<Setting>& allSettings();
const Setting* findSetting(std::string_view key);

// "KEY=VALUE" into the image; an error text names the key and what is wrong.
std::string assignSetting(config::ConfigurationImage& image, std::string_view keyEqualsValue);

// The keys whose readable values differ between two images.
std::vector<const Setting*> differences(const config::ConfigurationImage& a, const config::ConfigurationImage& b);

std::optional<bool> parseOnOff(std::string_view text);
std::optional<config::Octets> parseAddress(std::string_view text);
std::string formatAddress(const config::Octets& octets);
std::string formatUnit(std::uint32_t code);

}  // namespace vaskiro::cli
