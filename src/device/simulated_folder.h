#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "device/simulated_device.h"

namespace vaskiro::device {

// Simulated devices kept in a folder, so that separate processes share them:
// a test or a demonstration plugs a device by creating a file and unplugs it
// by removing the file. Every regular file is one device, in name order, and
// its path is the device's path. Its name tells its kind:
//   NAME           application firmware
//   NAME.program   program mode (revision 0001)
//   NAME.refused   found, but opening it is refused ("Permission denied")
// A name that begins with digits gives the serial number (12345 otherwise).
// The file holds the device's settings as a data file (empty: the defaults)
// and keeps what a Write stores, once save() ran.
class SimulatedFolder : public HidBackend {
public:
    explicit SimulatedFolder(std::filesystem::path folder);

    std::vector<HidDeviceInfo> enumerate() override;
    core::Result<std::unique_ptr<HidConnection>> open(const std::string& path) override;

    // Writes the settings of every device opened so far and still plugged in
    // back to its file; the error names the one that cannot be written.
    core::Result<void> save();

    // Each device's replies become readable this long after their requests.
    void setReplyDelay(std::chrono::milliseconds delay) { m_replyDelay = delay; }

private:
    std::filesystem::path m_folder;
    std::map<std::string, std::shared_ptr<SimulatedDevice>> m_opened;  // by path
    std::chrono::milliseconds m_replyDelay{0};
};

}  // namespace vaskiro::device
