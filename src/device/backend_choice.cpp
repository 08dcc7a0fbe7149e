#include "device/backend_choice.h"

#include <cstdlib>

#include "core/data_file.h"
#include "device/simulated_device.h"
#include "device/simulated_folder.h"

namespace vaskiro::device {

namespace {

using Failure = core::Unexpected<std::string>;

// One simulated device whose settings are read from a data file before each
// search and written back after each exchange, so that successive runs talk
// to the same device.
class SimulatedStateFile : public SimulatedBackend {
public:
    SimulatedStateFile(std::filesystem::path file, std::shared_ptr<SimulatedDevice> device)
        : m_file(std::move(file)), m_device(std::move(device)) {
        add("simulated", m_device);
    }

    core::Result<void> restoreState() override {
        if (!std::filesystem::exists(m_file)) return {};
        core::ConfigurationImage image;
        image.SetDefaults();
        if (core::readDataFile(m_file, image).outcome != core::LoadOutcome::Loaded)
            return Failure("The simulated device's state file " + m_file.string() + " is not a usable data file.");
        m_device->storeImage(image);
        return {};
    }

    core::Result<void> saveState() override {
        core::ConfigurationImage image;
        image.SetDefaults();
        m_device->loadImage(image);
        auto saved = core::writeDataFile(m_file, image);
        if (!saved)
            return Failure("Cannot save the simulated device's state to " + m_file.string() + ": " + saved.error() +
                           ".");
        return {};
    }

private:
    std::filesystem::path m_file;
    std::shared_ptr<SimulatedDevice> m_device;
};

// The folder's devices, whose files keep what a Write stored.
class SavingFolder : public SimulatedFolder {
public:
    using SimulatedFolder::SimulatedFolder;

    core::Result<void> saveState() override {
        auto saved = save();
        if (!saved) return Failure("Cannot save a simulated device's state: " + saved.error() + ".");
        return {};
    }
};

}  // namespace

core::Result<BackendChoice> chooseBackend(bool simulate, const std::string& value) {
    if (!simulate) return BackendChoice{};
    if (value.empty()) return BackendChoice{BackendChoice::Kind::Simulated, {}};
    std::error_code error;
    if (std::filesystem::is_directory(value, error)) return BackendChoice{BackendChoice::Kind::SimulatedFolder, value};
    // A mistyped folder must not quietly become a new state file.
    if (std::filesystem::exists(value, error) || std::filesystem::path(value).extension() == ".dat")
        return BackendChoice{BackendChoice::Kind::SimulatedState, value};
    return Failure("--simulate=" + value +
                   " is neither a folder nor a data file: give an existing folder of "
                   "simulated devices (--simulate=FOLDER), or a data file ending in .dat that keeps one simulated "
                   "device's settings (--simulate=STATE.dat).");
}

core::Result<void> canPlugAndUnplug(const BackendChoice& choice) {
    if (choice.kind != BackendChoice::Kind::Simulated && choice.kind != BackendChoice::Kind::SimulatedState) return {};
    return core::Unexpected(
        "One simulated device is always connected, so commissioning would wait for ever for it to be unplugged. "
        "Simulate a bench instead: --simulate=FOLDER with an existing folder, in which creating a file plugs in a "
        "device and removing it unplugs the device.");
}

bool hardwareBarred() {
    const char* barred = std::getenv("VASKIRO_NO_HARDWARE");
    return barred && std::string_view(barred) == "1";
}

std::string simulationTitle(const BackendChoice& choice) {
    switch (choice.kind) {
    case BackendChoice::Kind::Hardware: return {};
    case BackendChoice::Kind::Simulated: return " (simulated device)";
    case BackendChoice::Kind::SimulatedState: return " (simulated device: " + choice.state.string() + ")";
    case BackendChoice::Kind::SimulatedFolder: return " (simulated devices: " + choice.state.string() + ")";
    }
    return {};
}

std::unique_ptr<HidBackend> makeSimulatedBackend(const BackendChoice& choice, std::chrono::milliseconds replyDelay) {
    if (choice.kind == BackendChoice::Kind::SimulatedFolder) {
        auto folder = std::make_unique<SavingFolder>(choice.state);
        folder->setReplyDelay(replyDelay);
        return folder;
    }
    if (choice.kind == BackendChoice::Kind::Hardware) return std::make_unique<SimulatedBackend>();
    auto device = std::make_shared<SimulatedDevice>();
    device->setReplyDelay(replyDelay);
    if (choice.kind == BackendChoice::Kind::SimulatedState)
        return std::make_unique<SimulatedStateFile>(choice.state, std::move(device));
    auto backend = std::make_unique<SimulatedBackend>();
    backend->add("simulated", std::move(device));
    return backend;
}

}  // namespace vaskiro::device
