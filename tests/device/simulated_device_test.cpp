#include "device/simulated_device.h"

#include <gtest/gtest.h>

#include <thread>

using namespace vaskiro::device;
using namespace std::chrono_literals;

namespace {

const Report kIdentify = {0x00, 0x53};

}  // namespace

TEST(SimulatedDevice, HonoursDelayAndShortReplies) {
    SimulatedDevice device;
    device.setReplyDelay(80ms);
    device.setReplyLength(5);
    std::string error;
    device.write(kIdentify, error);
    Report reply;
    reply.fill(0xEE);
    EXPECT_EQ(device.read(reply, 10).status, ReadStatus::Timeout);
    auto started = std::chrono::steady_clock::now();
    ReadResult result = device.read(reply, 1000);
    EXPECT_GE(std::chrono::steady_clock::now() - started, 50ms);
    ASSERT_EQ(result.status, ReadStatus::Report);
    EXPECT_EQ(result.length, 5u);
    EXPECT_EQ(reply[4], 0x10);
    EXPECT_EQ(reply[5], 0xEE);
}

TEST(SimulatedDevice, DisconnectWakesABlockedReaderAndFailsWrites) {
    SimulatedDevice device;
    ReadResult result;
    std::thread reader([&] {
        Report reply{};
        result = device.read(reply, -1);
    });
    std::this_thread::sleep_for(20ms);
    device.disconnect();
    reader.join();
    EXPECT_EQ(result.status, ReadStatus::Failed);
    std::string error;
    EXPECT_FALSE(device.write(kIdentify, error));
    EXPECT_FALSE(error.empty());
}

TEST(SimulatedDevice, WriterAndReaderThreadsExchangeEveryReport) {
    SimulatedDevice device;
    device.setReplyDelay(1ms);
    constexpr int kCount = 200;
    int replies = 0;
    std::thread reader([&] {
        Report reply{};
        while (replies < kCount && device.read(reply, 1000).status == ReadStatus::Report) ++replies;
    });
    std::string error;
    for (int i = 0; i < kCount; ++i) device.write(kIdentify, error);
    reader.join();
    EXPECT_EQ(replies, kCount);
    EXPECT_EQ(device.receivedReports().size(), static_cast<std::size_t>(kCount));
}

TEST(SimulatedDevice, KeepsABoundedHistoryOfRequests) {
    SimulatedDevice device;
    device.setSilent(true);  // no replies pile up either
    std::string error;
    Report last = kIdentify;
    for (std::size_t i = 0; i < SimulatedDevice::kReceivedHistory * 3; ++i) {
        last[2] = static_cast<std::uint8_t>(i);
        device.write(last, error);
    }
    auto history = device.receivedReports();
    EXPECT_LE(history.size(), SimulatedDevice::kReceivedHistory);
    EXPECT_GE(history.size(), SimulatedDevice::kReceivedHistory / 2);
    EXPECT_EQ(history.back(), last);
}
