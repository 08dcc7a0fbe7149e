#include "cli/device_session.h"

#include "core/data_file.h"
#include "device/device_finder.h"
#include "hid/hidapi_backend.h"

namespace vaskiro::cli {

DeviceSession::DeviceSession(DeviceOptions options) : m_options(std::move(options)) {}

DeviceSession::~DeviceSession() = default;

bool DeviceSession::open(std::ostream& err) {
    if (m_options.simulate) {
        m_simulated = std::make_shared<device::SimulatedDevice>();
        if (!m_options.simulateState.empty() && std::filesystem::exists(m_options.simulateState)) {
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
        auto backend = std::make_unique<device::SimulatedBackend>();
        backend->add("simulated", m_simulated);
        m_backend = std::move(backend);
    } else {
        m_backend = device::makeHidapiBackend();
    }

    device::OpenResult result = device::findAndOpenVaskiro(*m_backend);
    if (result.outcome == device::OpenOutcome::Opened) {
        m_connection = std::move(result.connection);
        return true;
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
