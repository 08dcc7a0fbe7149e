#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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
        const BackendChoice choice = *chooseBackend(row.simulate, row.value);
        EXPECT_EQ(choice.kind, row.kind) << row.value;
        EXPECT_EQ(simulationTitle(choice), row.title);
        if (row.kind != BackendChoice::Kind::SimulatedFolder) {
            EXPECT_EQ(makeSimulatedBackend(choice)->enumerate().size(), row.devices);
        }
    }
}

// A path that is no folder is a state file only when it exists or ends in .dat: "bnech" is a mistyped "bench".
TEST(BackendChoice, AMistypedFolderIsRefusedWithBothForms) {
    const std::string existing = (std::filesystem::temp_directory_path() / "vaskiro-state-without-extension").string();
    std::ofstream(existing).put('x');
    EXPECT_EQ(chooseBackend(true, existing)->kind, BackendChoice::Kind::SimulatedState);
    std::filesystem::remove(existing);
    const auto refused = chooseBackend(true, "bnech");
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().find("--simulate=FOLDER"), std::string::npos);
    EXPECT_NE(refused.error().find("--simulate=STATE.dat"), std::string::npos);
    EXPECT_EQ(canPlugAndUnplug(*chooseBackend(true, "")).has_value(), false);
    EXPECT_EQ(canPlugAndUnplug(*chooseBackend(true, std::filesystem::temp_directory_path().string())).has_value(),
              true);
}
