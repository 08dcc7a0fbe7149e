#include "device/simulated_folder.h"

#include <algorithm>
#include <charconv>

#include "core/data_file.h"
#include "device/device_finder.h"

namespace vaskiro::device {

namespace fs = std::filesystem;

namespace {

constexpr const char* kRefusal = "Permission denied";

std::uint32_t serialOf(const std::string& name) {
    std::uint32_t serial = 12345;
    std::from_chars(name.data(), name.data() + name.size(), serial);
    return serial;
}

}  // namespace

SimulatedFolder::SimulatedFolder(fs::path folder) : m_folder(std::move(folder)) {}

std::vector<HidDeviceInfo> SimulatedFolder::enumerate() {
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(m_folder, error))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::vector<HidDeviceInfo> devices;
    for (const fs::path& file : files) {
        bool programMode = file.extension() == ".program";
        bool refused = file.extension() == ".refused";
        devices.push_back(
            {hidIdentifier(SimulatedDevice::kVendorId, SimulatedDevice::kProductId,
                           programMode ? SimulatedDevice::kProgramModeRevision : SimulatedDevice::kApplicationRevision),
             file.string(), refused ? kRefusal : ""});
    }
    return devices;
}

core::Result<std::unique_ptr<HidConnection>> SimulatedFolder::open(const std::string& path) {
    auto devices = enumerate();
    auto found = std::find_if(devices.begin(), devices.end(), [&](const HidDeviceInfo& d) { return d.path == path; });
    if (found == devices.end()) return core::Unexpected(std::string("No such device"));
    if (!found->openError.empty()) return core::Unexpected(found->openError);
    auto device = std::make_shared<SimulatedDevice>();
    device->setReplyDelay(m_replyDelay);
    fs::path file(path);
    device->setSerialNumber(serialOf(file.filename().string()));
    if (inProgramMode(*found)) device->setRevision(SimulatedDevice::kProgramModeRevision);
    std::error_code sizeError;
    if (fs::file_size(file, sizeError) > 0) {
        core::ConfigurationImage image;
        image.SetDefaults();
        if (core::readDataFile(file, image).outcome != core::LoadOutcome::Loaded)
            return core::Unexpected(std::string("not a usable data file"));
        device->storeImage(image);
    }
    m_opened[path] = device;
    return connectTo(device);
}

core::Result<void> SimulatedFolder::save() {
    // A device whose file is gone was unplugged: saving it would plug it in again.
    std::erase_if(m_opened, [](const auto& opened) { return !fs::exists(opened.first); });
    for (const auto& [path, device] : m_opened) {
        core::ConfigurationImage image;
        image.SetDefaults();
        device->loadImage(image);
        auto saved = core::writeDataFile(path, image);
        if (!saved) return core::Unexpected(path + ": " + saved.error());
    }
    return {};
}

}  // namespace vaskiro::device
