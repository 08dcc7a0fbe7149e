#include "device/simulated_device.h"

#include <gtest/gtest.h>

using namespace vaskiro::device;

namespace {

const Report kIdentify = {0x00, 0x53};

}  // namespace

// Delays, silence and unplugging are the exchange tests' and the soak's; these are the device's own limits.
TEST(SimulatedDevice, KeepsABoundedHistory) {
    SimulatedDevice device;
    device.setSilent(true);  // no replies pile up either
    Report last = kIdentify;
    for (std::size_t i = 0; i < SimulatedDevice::kReceivedHistory * 3; ++i) {
        last[2] = static_cast<std::uint8_t>(i);
        (void)device.write(last);
    }
    const auto history = device.receivedReports();
    EXPECT_LE(history.size(), SimulatedDevice::kReceivedHistory);
    EXPECT_GE(history.size(), SimulatedDevice::kReceivedHistory / 2);
    EXPECT_EQ(history.back(), last);
}
