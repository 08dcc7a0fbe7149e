#include <gtest/gtest.h>

#include <filesystem>

#include "device/backend_choice.h"

using namespace vaskiro::device;

// --simulate alone, with a folder that exists, or with any other path (a state file).
TEST(BackendChoice, SimulateOptionNamesTheDevicesAndTheTitle) {
    const std::string folder = std::filesystem::temp_directory_path().string();
    const struct {
        bool simulate;
        std::string value;
        BackendChoice::Kind kind;
        std::string title;
        std::size_t devices;  // as enumerated (a folder's are its files)
    } rows[] = {
        {false, "", BackendChoice::Kind::Hardware, "", 0},  // the stand-in when hardware is barred
        {true, "", BackendChoice::Kind::Simulated, " (simulated device)", 1},
        {true, "site.dat", BackendChoice::Kind::SimulatedState, " (simulated device: site.dat)", 1},
        {true, folder, BackendChoice::Kind::SimulatedFolder, " (simulated devices: " + folder + ")", 0},
    };
    for (const auto& row : rows) {
        const BackendChoice choice = chooseBackend(row.simulate, row.value);
        EXPECT_EQ(choice.kind, row.kind) << row.value;
        EXPECT_EQ(simulationTitle(choice), row.title);
        if (row.kind != BackendChoice::Kind::SimulatedFolder) {
            EXPECT_EQ(makeSimulatedBackend(choice)->enumerate().size(), row.devices);
        }
    }
}
