#include "device/device_presence.h"

#include <gtest/gtest.h>

#include <thread>

#include "device/simulated_device.h"

using namespace vaskiro::device;
using namespace std::chrono_literals;

namespace {

const std::string kApplication = "HID\\VID_04D8&PID_C5E9&REV_0014";
const std::string kProgramMode = "hid\\vid_04d8&pid_c5e9&rev_0001";
const std::string kMouse = "HID\\VID_046D&PID_C52B&REV_1211";

struct PresenceCase {
    std::vector<HidDeviceInfo> enumeration;
    std::optional<IdentifiedDevice> identified;
    PresenceState state;
    const char* text;
    const char* tooltip;
};

class Presence : public ::testing::TestWithParam<PresenceCase> {};

const IdentifiedDevice kIdentifiedB{"/dev/b", {12345, "1.00"}};

using Devices = std::vector<HidDeviceInfo>;
const PresenceCase kCases[] = {
    {Devices{}, std::nullopt, PresenceState::None, "No VASKIRO connected", ""},
    {Devices{{kMouse, "/dev/a"}}, std::nullopt, PresenceState::None, "No VASKIRO connected", ""},
    {Devices{{kMouse, "/dev/a"}, {kApplication, "/dev/b"}}, std::nullopt, PresenceState::Connected, "VASKIRO connected",
     "/dev/b"},
    {Devices{{kApplication, "/dev/b"}}, kIdentifiedB, PresenceState::Connected, "VASKIRO 12345, application 1.00",
     "/dev/b"},
    {Devices{{kApplication, "/dev/c"}}, kIdentifiedB, PresenceState::Connected, "VASKIRO connected", "/dev/c"},
    {Devices{{kProgramMode, "/dev/b"}}, std::nullopt, PresenceState::ProgramMode, "VASKIRO in Program Mode", "/dev/b"},
    {Devices{{kApplication, "/dev/b", "Permission denied"}}, std::nullopt, PresenceState::CannotOpen,
     "VASKIRO found but cannot be opened", "Permission denied"},
    // Read and Write prefer the application firmware and pass over a refused
    // device, as the search does: the boot loader comes before /dev/c.
    {Devices{{kProgramMode, "/dev/a"}, {kApplication, "/dev/b"}}, kIdentifiedB, PresenceState::Several,
     "2 VASKIRO connected", "Read and Write use /dev/b (VASKIRO 12345, application 1.00)"},
    {Devices{{kApplication, "/dev/a", "Permission denied"}, {kProgramMode, "/dev/b"}, {kApplication, "/dev/c"}},
     std::nullopt, PresenceState::Several, "3 VASKIRO connected", "Read and Write use /dev/b"}};
INSTANTIATE_TEST_SUITE_P(Enumerations, Presence, ::testing::ValuesIn(kCases));

TEST_P(Presence, StateTextAndTooltip) {
    DevicePresence presence = assessPresence(GetParam().enumeration);
    EXPECT_EQ(presence.state, GetParam().state);
    PresenceText text = describePresence(presence, GetParam().identified);
    EXPECT_EQ(text.text, GetParam().text);
    EXPECT_EQ(text.tooltip, GetParam().tooltip);
}

TEST(WaitForPresence, ReturnsOnPlugAndUnplugAndTimesOut) {
    SimulatedBackend backend;
    EXPECT_FALSE(waitForPresence(backend, nullptr, true, 150ms));
    std::thread plug([&] {
        std::this_thread::sleep_for(100ms);
        backend.add("/dev/b", std::make_shared<SimulatedDevice>());
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(waitForPresence(backend, nullptr, true, std::nullopt));
    plug.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    EXPECT_FALSE(waitForPresence(backend, nullptr, false, 150ms));
    EXPECT_TRUE(waitForPresence(backend, nullptr, false, 0ms, "/dev/a"));
    backend.unplug("/dev/b");
    EXPECT_TRUE(waitForPresence(backend, nullptr, false, 0ms));
    EXPECT_EQ(backend.openAttempts().size(), 0u);
}

}  // namespace
