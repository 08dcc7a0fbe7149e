#include "device/device_finder.h"

#include <gtest/gtest.h>

#include "device/simulated_device.h"

using namespace vaskiro::device;

namespace {

const std::string kApp = "HID\\VID_04D8&PID_C5E9&REV_0014";
const std::string kBoot = "HID\\VID_04D8&PID_C5E9&REV_0001";
const std::string kMouse = "HID\\VID_046D&PID_C52B&REV_1211";

std::shared_ptr<SimulatedDevice> device() { return std::make_shared<SimulatedDevice>(); }

}  // namespace

TEST(DeviceFinder, MatchesIgnoringCaseAndOpensOnlyTheFirstMatch) {
    SimulatedBackend backend;
    backend.add(kBoot, "/dev/hidraw0", device());  // the application revision comes first
    backend.add("hid\\vid_04d8&pid_c5e9&rev_0014", "/dev/hidraw1", device());
    backend.add(kApp, "/dev/hidraw2", device());
    OpenResult result = findAndOpenVaskiro(backend);
    EXPECT_EQ(result.outcome, OpenOutcome::Opened);
    EXPECT_NE(result.connection, nullptr);
    EXPECT_EQ(result.identifier, "hid\\vid_04d8&pid_c5e9&rev_0014");
    EXPECT_EQ(backend.openAttempts(), (std::vector<std::string>{"/dev/hidraw1"}));
}

TEST(DeviceFinder, BootLoaderAloneIsProgramModeAndStaysOpen) {
    SimulatedBackend backend;
    auto boot = device();
    boot->setRevision(SimulatedDevice::kProgramModeRevision);
    backend.add("/dev/hidraw4", boot);
    OpenResult result = findAndOpenVaskiro(backend);
    EXPECT_EQ(result.outcome, OpenOutcome::ProgramMode);
    EXPECT_NE(result.connection, nullptr);
    EXPECT_EQ(result.identifier, kBoot);
    EXPECT_EQ(openFailureMessage(result.outcome), "VASKIRO is in Program Mode");
}

TEST(DeviceFinder, NothingMatchingIsNotFound) {
    SimulatedBackend backend;
    backend.add(kMouse, "/dev/hidraw0", device());
    backend.add("HID\\VID_04D8&PID_C5EA&REV_0014", "/dev/hidraw1", device());
    OpenResult result = findAndOpenVaskiro(backend);
    EXPECT_EQ(result.outcome, OpenOutcome::NotFound);
    EXPECT_EQ(result.connection, nullptr);
    EXPECT_TRUE(backend.openAttempts().empty());
    EXPECT_EQ(openFailureMessage(result.outcome), "Cannot find VASKIRO");

    backend.add("HID\\VID_04D8&PID_C5E9&REV_0002", "/dev/hidraw2", device());  // found by the last text
    EXPECT_EQ(findAndOpenVaskiro(backend).outcome, OpenOutcome::Opened);
}

TEST(DeviceFinder, RefusedDeviceIsReportedWithTheSystemsReasonAndNoOtherIsTried) {
    SimulatedBackend backend;
    backend.addUnopenable(kApp, "/dev/hidraw1", "Permission denied");
    backend.add(kApp, "/dev/hidraw2", device());
    OpenResult result = findAndOpenVaskiro(backend);
    EXPECT_EQ(result.outcome, OpenOutcome::CannotOpen);
    EXPECT_EQ(result.error, "Permission denied");
    EXPECT_EQ(result.identifier, kApp);
    EXPECT_EQ(result.connection, nullptr);
    for (const std::string& path : backend.openAttempts()) EXPECT_EQ(path, "/dev/hidraw1");
    EXPECT_EQ(openFailureMessage(result.outcome), "VASKIRO was found but cannot be opened");
}

TEST(DeviceFinder, RefusalDoesNotHideADeviceALaterTextOpens) {
    SimulatedBackend backend;
    backend.addUnopenable(kApp, "/dev/hidraw1", "Permission denied");
    backend.add(kBoot, "/dev/hidraw2", device());
    EXPECT_EQ(findAndOpenVaskiro(backend).outcome, OpenOutcome::ProgramMode);
}
