#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "device/exchange.h"
#include "device/hid_backend.h"

namespace vaskiro::device {

// What enumeration alone tells of the attached VASKIROs: no report is sent.
enum class PresenceState {
    None,
    Connected,    // one, in its application firmware
    ProgramMode,  // one, its boot loader running (revision 0001)
    CannotOpen,   // one, which the system will not let this user open
    Several,
};

struct DevicePresence {
    PresenceState state = PresenceState::None;
    std::vector<HidDeviceInfo> devices;  // every VASKIRO, in enumeration order
    HidDeviceInfo chosen;                // the one a Read or Write opens; unset with None
};

DevicePresence assessPresence(const std::vector<HidDeviceInfo>& enumeration);

// The device that identified itself last, by path.
struct IdentifiedDevice {
    std::string path;
    DeviceIdentity identity;
};

// "VASKIRO 12345, application 1.00"
std::string identityText(const DeviceIdentity& identity);

struct PresenceText {
    std::string text;     // "VASKIRO connected", "2 VASKIRO connected", ...
    std::string tooltip;  // the chosen device's path, or why it cannot be opened
};

// `identified` counts only while it is the chosen device.
PresenceText describePresence(const DevicePresence& presence, const std::optional<IdentifiedDevice>& identified);

// Returns true as soon as a VASKIRO is attached (`present`) or none is
// (!`present`); with `path`, only the one at that path counts. False once
// `timeout` has passed (none: no limit). Enumerates every pollInterval() of
// the backend, and at once when `monitor` (if any) tells of a change.
bool waitForPresence(HidBackend& backend, DeviceChangeMonitor* monitor, bool present,
                     std::optional<std::chrono::milliseconds> timeout, const std::string& path = {});

}  // namespace vaskiro::device
