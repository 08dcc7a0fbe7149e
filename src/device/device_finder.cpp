#include "device/device_finder.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>

namespace vaskiro::device {

std::string hidIdentifier(std::uint16_t vendor, std::uint16_t product, std::uint16_t release) {
    char text[32];
    std::snprintf(text, sizeof text, "HID\\VID_%04X&PID_%04X&REV_%04X", unsigned{vendor}, unsigned{product},
                  unsigned{release});
    return text;
}

namespace {

std::string asciiLower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return lower;
}

bool carries(const HidDeviceInfo& device, std::string_view match) {
    return asciiLower(device.identifier).find(asciiLower(match)) != std::string::npos;
}

// The first device in enumeration order whose identifier contains `match`,
// ignoring case.
const HidDeviceInfo* firstMatch(const std::vector<HidDeviceInfo>& devices, std::string_view match) {
    auto found = std::find_if(devices.begin(), devices.end(),
                              [&](const HidDeviceInfo& device) { return carries(device, match); });
    return found == devices.end() ? nullptr : &*found;
}

}  // namespace

bool isVaskiro(const HidDeviceInfo& device) { return carries(device, kMatchAny); }

bool inProgramMode(const HidDeviceInfo& device) { return carries(device, kMatchProgramMode); }

std::vector<const HidDeviceInfo*> searchOrder(const std::vector<HidDeviceInfo>& devices) {
    std::vector<const HidDeviceInfo*> order;
    for (std::string_view match : {kMatchApplication, kMatchProgramMode, kMatchAny})
        if (const HidDeviceInfo* device = firstMatch(devices, match)) order.push_back(device);
    return order;
}

namespace {

OpenResult openDevice(HidBackend& backend, const HidDeviceInfo& device) {
    auto connection = backend.open(device.path);
    if (!connection)
        return OpenResult{OpenOutcome::CannotOpen, nullptr, device.identifier, device.path, connection.error()};
    OpenOutcome outcome = inProgramMode(device) ? OpenOutcome::ProgramMode : OpenOutcome::Opened;
    return OpenResult{outcome, std::move(*connection), device.identifier, device.path, {}};
}

}  // namespace

// One enumeration serves all three texts. A device that matches but cannot
// be opened ends the search for that text only: a later text may still open
// a device (for instance a boot loader beside an application device the user
// may not open), and CannotOpen is the outcome only when none did. The first
// refusal is the one reported.
OpenResult findAndOpenVaskiro(HidBackend& backend) {
    std::vector<HidDeviceInfo> devices = backend.enumerate();
    std::optional<OpenResult> refused;
    for (const HidDeviceInfo* device : searchOrder(devices)) {
        OpenResult result = openDevice(backend, *device);
        if (result.outcome != OpenOutcome::CannotOpen) return result;
        if (!refused) refused = std::move(result);
    }
    if (refused) return std::move(*refused);
    return OpenResult{};
}

OpenResult openVaskiroAt(HidBackend& backend, const std::string& path) {
    std::vector<HidDeviceInfo> devices = backend.enumerate();
    auto found = std::find_if(devices.begin(), devices.end(),
                              [&](const HidDeviceInfo& device) { return device.path == path && isVaskiro(device); });
    if (found == devices.end()) return OpenResult{};
    return openDevice(backend, *found);
}

std::string_view openFailureMessage(OpenOutcome outcome) {
    switch (outcome) {
    case OpenOutcome::Opened: return {};
    case OpenOutcome::ProgramMode: return "VASKIRO is in Program Mode";
    case OpenOutcome::NotFound: return "Cannot find VASKIRO";
    case OpenOutcome::CannotOpen: return "VASKIRO was found but cannot be opened";
    }
    return {};
}

OpenFailure describeOpenFailure(const OpenResult& result, std::string_view devicePath) {
    OpenFailure failure{std::string(openFailureMessage(result.outcome)), {}, {}};
    if (result.outcome == OpenOutcome::NotFound && !devicePath.empty())
        failure.message = "No VASKIRO at " + std::string(devicePath);
    else if (result.outcome == OpenOutcome::NotFound)
        failure.remedy = "Check that its USB cable is plugged in at both ends and that the device is powered.";
    if (result.outcome == OpenOutcome::CannotOpen) {
        failure.refused = result.identifier + ": " + result.error;
        // On Linux the usual cause: no permission on /dev/hidraw*.
        failure.remedy =
            "On Linux, install the udev rule 60-vaskiro.rules, or run as a user with access to /dev/hidraw* "
            "(see Troubleshooting).";
    }
    return failure;
}

std::string OpenFailure::oneLine() const {
    return message + (refused.empty() ? "" : " (" + refused + ")") + (remedy.empty() ? "" : ". " + remedy);
}

}  // namespace vaskiro::device
