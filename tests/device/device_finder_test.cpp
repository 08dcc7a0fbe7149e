#include "device/device_finder.h"

#include <gtest/gtest.h>

#include "device/simulated_device.h"

using namespace vaskiro::device;

namespace {

const std::string kApp = "HID\\VID_04D8&PID_C5E9&REV_0014", kBoot = "HID\\VID_04D8&PID_C5E9&REV_0001";

// The devices in the order the system lists them ("!" marks one that cannot be
// opened), what the search finds and the paths it tries to open.
struct Search {
    std::vector<std::string> identifiers;
    OpenOutcome outcome;
    std::string message, identifier;
    std::vector<std::string> opened;
};
std::ostream& operator<<(std::ostream& out, const Search& c) { return out << c.message; }

class DeviceFinder : public ::testing::TestWithParam<Search> {};

}  // namespace

TEST_P(DeviceFinder, OpensOnlyTheFirstMatchApplicationBeforeBootLoader) {
    SimulatedBackend backend;
    for (std::size_t i = 0; i < GetParam().identifiers.size(); ++i) {
        std::string identifier = GetParam().identifiers[i], path = "/dev/hidraw" + std::to_string(i);
        if (identifier[0] == '!')
            backend.addUnopenable(identifier.substr(1), path, "Permission denied");
        else
            backend.add(identifier, path, std::make_shared<SimulatedDevice>());
    }
    const OpenResult result = findAndOpenVaskiro(backend);
    EXPECT_EQ(result.outcome, GetParam().outcome);
    EXPECT_EQ(openFailureMessage(result.outcome), GetParam().message);
    EXPECT_EQ(result.identifier, GetParam().identifier);
    EXPECT_EQ(result.connection != nullptr,
              result.outcome == OpenOutcome::Opened || result.outcome == OpenOutcome::ProgramMode);
    EXPECT_EQ(result.error, result.outcome == OpenOutcome::CannotOpen ? "Permission denied" : "");
    EXPECT_EQ(backend.openAttempts(), GetParam().opened);
}

using Ids = std::vector<std::string>;
const Search kSearches[] = {
    {Ids{"HID\\VID_046D&PID_C52B&REV_1211", "HID\\VID_04D8&PID_C5EA&REV_0014"}, OpenOutcome::NotFound,
     "Cannot find VASKIRO", "", Ids{}},
    {Ids{kBoot, "hid\\vid_04d8&pid_c5e9&rev_0014", kApp}, OpenOutcome::Opened, "", "hid\\vid_04d8&pid_c5e9&rev_0014",
     Ids{"/dev/hidraw1"}},
    {Ids{kBoot}, OpenOutcome::ProgramMode, "VASKIRO is in Program Mode", kBoot, Ids{"/dev/hidraw0"}},
    {Ids{"HID\\VID_04D8&PID_C5E9&REV_0002"}, OpenOutcome::Opened, "", "HID\\VID_04D8&PID_C5E9&REV_0002",
     Ids{"/dev/hidraw0"}},
    {Ids{"!" + kApp, kApp}, OpenOutcome::CannotOpen, "VASKIRO was found but cannot be opened", kApp,
     Ids{"/dev/hidraw0", "/dev/hidraw0"}},
    {Ids{"!" + kApp, kBoot}, OpenOutcome::ProgramMode, "VASKIRO is in Program Mode", kBoot,
     Ids{"/dev/hidraw0", "/dev/hidraw1"}}};
INSTANTIATE_TEST_SUITE_P(Devices, DeviceFinder, ::testing::ValuesIn(kSearches));
