#include "cli/device_session.h"

#include "device/device_finder.h"

namespace vaskiro::cli {

DeviceSession::DeviceSession(DeviceOptions options) : m_options(std::move(options)) {}

DeviceSession::~DeviceSession() = default;

bool DeviceSession::open(std::ostream& err) {
    device::HidBackend& devices = backend();
    if (auto restored = devices.restoreState(); !restored) {
        err << restored.error() << "\n";
        return false;
    }

    device::OpenResult result = m_options.devicePath.empty() ? device::findAndOpenVaskiro(devices)
                                                             : device::openVaskiroAt(devices, m_options.devicePath);
    if (result.outcome == device::OpenOutcome::Opened) {
        m_connection = std::move(result.connection);
        return true;
    }
    err << device::describeOpenFailure(result, m_options.devicePath).oneLine() << "\n";
    return false;
}

bool DeviceSession::saveSimulatedState(std::ostream& err) {
    auto saved = backend().saveState();
    if (!saved) err << saved.error() << "\n";
    return saved.has_value();
}

}  // namespace vaskiro::cli
