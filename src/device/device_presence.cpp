#include "device/device_presence.h"

#include <algorithm>
#include <thread>

#include "device/device_finder.h"

namespace vaskiro::device {

DevicePresence assessPresence(const std::vector<HidDeviceInfo>& enumeration) {
    DevicePresence presence;
    std::copy_if(enumeration.begin(), enumeration.end(), std::back_inserter(presence.devices), isVaskiro);
    std::vector<const HidDeviceInfo*> order = searchOrder(presence.devices);
    if (order.empty()) return presence;
    // As the search does: a device enumeration already knows to be refused is
    // passed over while another can be opened.
    auto openable =
        std::find_if(order.begin(), order.end(), [](const HidDeviceInfo* d) { return d->openError.empty(); });
    presence.chosen = openable == order.end() ? *order.front() : **openable;
    if (presence.devices.size() > 1)
        presence.state = PresenceState::Several;
    else if (!presence.chosen.openError.empty())
        presence.state = PresenceState::CannotOpen;
    else
        presence.state = inProgramMode(presence.chosen) ? PresenceState::ProgramMode : PresenceState::Connected;
    return presence;
}

std::string identityText(const DeviceIdentity& identity) {
    return "VASKIRO " + std::to_string(identity.serial) + ", application " + identity.version;
}

PresenceText describePresence(const DevicePresence& presence, const std::optional<IdentifiedDevice>& identified) {
    const std::string& path = presence.chosen.path;
    bool known = identified && identified->path == path;
    switch (presence.state) {
    case PresenceState::None: return {"No VASKIRO connected", {}};
    case PresenceState::Connected: return {known ? identityText(identified->identity) : "VASKIRO connected", path};
    case PresenceState::ProgramMode: return {"VASKIRO in Program Mode", path};
    case PresenceState::CannotOpen: return {"VASKIRO found but cannot be opened", presence.chosen.openError};
    case PresenceState::Several:
        return {std::to_string(presence.devices.size()) + " VASKIRO connected",
                "Read and Write use " + path + (known ? " (" + identityText(identified->identity) + ")" : "")};
    }
    return {};
}

bool waitForPresence(HidBackend& backend, DeviceChangeMonitor* monitor, bool present,
                     std::optional<std::chrono::milliseconds> timeout, const std::string& path) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = timeout ? Clock::now() + *timeout : Clock::time_point::max();
    for (;;) {
        auto devices = backend.enumerate();
        bool found = std::any_of(devices.begin(), devices.end(), [&](const HidDeviceInfo& device) {
            return isVaskiro(device) && (path.empty() || device.path == path);
        });
        if (found == present) return true;
        auto now = Clock::now();
        if (now >= deadline) return false;
        auto left = deadline == Clock::time_point::max() ? std::chrono::milliseconds::max()
                                                         : std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
        // A monitor can stay silent (no udev daemon in a container or a
        // minimal system): enumerate every poll interval all the same.
        auto pause = std::min(left, backend.pollInterval());
        if (monitor)
            monitor->waitForChange(pause);
        else
            std::this_thread::sleep_for(pause);
    }
}

}  // namespace vaskiro::device
