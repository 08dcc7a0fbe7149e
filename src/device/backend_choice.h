#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/result.h"
#include "device/hid_backend.h"

namespace vaskiro::device {

// Which devices a program talks to, as its --simulate option says. Both
// programs parse and describe the option through here, so that it means the
// same in the window and in the tool.
struct BackendChoice {
    enum class Kind {
        Hardware,         // the machine's HID devices
        Simulated,        // --simulate: one device whose settings live for the process
        SimulatedState,   // --simulate=STATE: one device whose settings are kept in the data file STATE
        SimulatedFolder,  // --simulate=FOLDER: a folder of devices, one file each (see SimulatedFolder)
    };
    Kind kind = Kind::Hardware;
    std::filesystem::path state;  // STATE or FOLDER
};

inline constexpr std::string_view kSimulateOptionHelp =
    "Use the built-in simulated device instead of hardware; with =STATE its settings are kept in the data file "
    "STATE (an existing file, or a new one ending in .dat) between runs; with =FOLDER (an existing folder) each file "
    "in it is one simulated device, plugged and "
    "unplugged by creating and removing the file";
inline constexpr std::string_view kDeviceOptionHelp =
    "Use the device at PATH (as list prints it) instead of the first one found";

// The choice that `--simulate` makes: not given (hardware), given alone
// (`value` empty), or given a path: a folder when one exists there, a state
// file when a file exists there or the name ends in .dat; any other path is
// refused with both forms explained.
core::Result<BackendChoice> chooseBackend(bool simulate, const std::string& value);

// Whether commissioning can run over the choice, or why not: one simulated
// device is always connected, so no row could end with its device unplugged
// and the next one plugged in.
core::Result<void> canPlugAndUnplug(const BackendChoice& choice);

// What the window's title adds: nothing for hardware, else " (simulated
// device)", " (simulated device: STATE)" or " (simulated devices: FOLDER)".
std::string simulationTitle(const BackendChoice& choice);

// True when the environment sets VASKIRO_NO_HARDWARE=1: the test suites set
// it so that no program they start can reach a real device. The programs then
// see no hardware at all.
bool hardwareBarred();

// The simulated devices a choice names (for Hardware: none at all, the
// stand-in when hardware is barred); each reply becomes readable `replyDelay`
// after its request.
std::unique_ptr<HidBackend> makeSimulatedBackend(const BackendChoice& choice,
                                                 std::chrono::milliseconds replyDelay = std::chrono::milliseconds(0));

}  // namespace vaskiro::device
