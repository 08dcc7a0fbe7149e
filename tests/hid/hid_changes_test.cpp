#include "hid/hid_changes.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace vaskiro::hid;

namespace {

// Events as `udevadm monitor --udev --property --subsystem-match=hidraw`
// prints them when a device is plugged in and pulled out.
std::vector<std::string> recorded(const std::string& action, const std::string& subsystem = "hidraw") {
    std::istringstream event(
        "ACTION=" + action +
        "\n"
        "DEVPATH=/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:04D8:C5E9.0007/hidraw/hidraw3\n"
        "SUBSYSTEM=" +
        subsystem + "\nDEVNAME=/dev/hidraw3\nSEQNUM=4711\nMAJOR=243\nMINOR=3\n");
    std::vector<std::string> properties;
    for (std::string line; std::getline(event, line);) properties.push_back(line);
    return properties;
}

TEST(UdevHidrawEvent, AddAndRemoveOfAHidrawNodeAreChanges) {
    EXPECT_TRUE(isHidrawPlugEvent(recorded("add")));
    EXPECT_TRUE(isHidrawPlugEvent(recorded("remove")));
    EXPECT_FALSE(isHidrawPlugEvent(recorded("change")));
    EXPECT_FALSE(isHidrawPlugEvent(recorded("add", "input")));
}

}  // namespace
