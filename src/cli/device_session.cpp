#include "cli/device_session.h"

#include "core/data_file.h"
#include "device/device_finder.h"
#include "hid/hidapi_backend.h"

namespace vaskiro::cli {

DeviceSession::DeviceSession(DeviceOptions options) : m_options(std::move(options)) {}

DeviceSession::~DeviceSession() = default;

device::HidBackend& DeviceSession::backend() {
    if (m_backend) return *m_backend;
    if (!m_options.simulate) {
        m_backend = device::makeHidapiBackend();
    } else if (std::filesystem::is_directory(m_options.simulateState)) {
        auto folder = std::make_unique<device::SimulatedFolder>(m_options.simulateState);
        m_folder = folder.get();
        m_backend = std::move(folder);
    } else {
        m_simulated = std::make_shared<device::SimulatedDevice>();
        auto simulated = std::make_unique<device::SimulatedBackend>();
        simulated->add("simulated", m_simulated);
        m_backend = std::move(simulated);
    }
    return *m_backend;
}

bool DeviceSession::open(std::ostream& err) {
    device::HidBackend& devices = backend();
    if (m_simulated && !m_options.simulateState.empty() && std::filesystem::exists(m_options.simulateState)) {
        config::ConfigurationImage image;
        image.SetDefaults();
        auto result = config::readDataFile(m_options.simulateState, image);
        if (result.outcome != config::LoadOutcome::Loaded) {
            err << "The simulated device's state file " << m_options.simulateState.string()
                << " is not a usable data file.\n";
            return false;
        }
        m_simulated->storeImage(image);
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
    if (m_folder && !m_folder->save(error)) {
        err << "Cannot save a simulated device's state: " << error << ".\n";
        return false;
    }
    if (!m_simulated || m_options.simulateState.empty()) return true;
    config::ConfigurationImage image;
    image.SetDefaults();
    m_simulated->loadImage(image);
    auto saved = config::writeDataFile(m_options.simulateState, image);
    if (!saved.ok)
        err << "Cannot save the simulated device's state to " << m_options.simulateState.string() << ": "
            << saved.error << ".\n";
    return saved.ok;
}

}  // namespace vaskiro::cli
