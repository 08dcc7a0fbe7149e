#include "cli/device_session.h"

#include "device/device_finder.h"

namespace vaskiro::cli {

DeviceSession::DeviceSession(DeviceOptions options) : m_options(std::move(options)) {}

DeviceSession::~DeviceSession() = default;

bool DeviceSession::open(std::ostream& err) {
    device::HidBackend& devices = backend();
    if (std::string error; !devices.restoreState(error)) {
        err << error << "\n";
        return false;
    }

    device::OpenResult result = m_options.devicePath.empty() ? device::findAndOpenVaskiro(devices)
                                                             : device::openVaskiroAt(devices, m_options.devicePath);
    if (result.outcome == device::OpenOutcome::Opened) {
        m_connection = std::move(result.connection);
        return true;
    }
    if (result.outcome == device::OpenOutcome::NotFound && !m_options.devicePath.empty()) {
        err << "No VASKIRO at " << m_options.devicePath << "\n";
        return false;
    }
    err << device::openFailureMessage(result.outcome);
    if (result.outcome == device::OpenOutcome::CannotOpen)
        err << " (" << result.error
            << "). On Linux, install the udev rule 60-vaskiro.rules or run as a user with access to /dev/hidraw*";
    else if (result.outcome == device::OpenOutcome::NotFound)
        err << ". Check the USB cable and that the device is powered";
    err << ".\n";
    return false;
}

bool DeviceSession::saveSimulatedState(std::ostream& err) {
    std::string error;
    if (backend().saveState(error)) return true;
    err << error << "\n";
    return false;
}

}  // namespace vaskiro::cli
