#include <gtest/gtest.h>

#include <string>

#include "exchange_rig.h"

using namespace vaskiro::config;
using namespace vaskiro::device;
using namespace vaskiro::device::test;

namespace {

Report identityReply(Bytes serial, std::string_view version) {
    Report report{0x00, 0x00, 0x00, 0x01, 0x10};
    std::copy(serial.begin(), serial.end(), report.begin() + 6);
    std::copy(version.begin(), version.end(), report.begin() + 10);
    return report;
}

const Report kAck = {0x00, 'd'};
using Events = std::vector<std::string>;

// An exchange over a port with no device behind it: the test plays the device.
struct Bench {
    ConfigurationImage image = defaultImage();
    RecordingPort port;
    DeviceExchange exchange{image, port};

    void feed(const Report& report, std::size_t length = kReportSize) {
        exchange.ProcessDeviceReport(std::span(report.data(), length));
    }
};

}  // namespace

TEST(ExchangeIdentity, LogsVersionAndSerialThenGoesOn) {
    Bench write;
    write.exchange.startWrite();
    write.feed(identityReply({0x39, 0x30, 0x00, 0x00}, std::string("2.1\0junk", 8)));
    EXPECT_EQ(write.port.events, (Events{"send S", "log Appware Version:2.1", "log Serial Number: 12345", "send E"}));

    Bench read;
    read.exchange.startRead();
    read.feed(identityReply({0xFF, 0xFF, 0xFF, 0xFF}, "V\xE9 9"));
    EXPECT_EQ(read.port.log, (Events{"Appware Version:V\xC3\xA9 9", "Serial Number: -1"}));
    EXPECT_EQ(slice(read.port.sent.back(), 1, 2), (Bytes{'r', 0x00}));

    Bench full;  // no zero at all: the text runs to the last byte
    full.exchange.startRead();
    full.feed(identityReply({1, 0, 0, 0}, std::string(55, 'v')));
    EXPECT_EQ(full.port.log.front(), "Appware Version:" + std::string(55, 'v'));
}

TEST(ExchangeIdentity, RefusedReplyEndsTheExchangeWithNothingLogged) {
    Bench bench;
    bench.exchange.startRead();
    Report refused = identityReply({0x39, 0x30, 0, 0}, "1.0");
    refused[4] = 0x11;
    bench.feed(refused);
    EXPECT_EQ(bench.port.events, (Events{"send S", "error Application is not a VASKIRO BACnet"}));
    EXPECT_TRUE(bench.exchange.idle());
    EXPECT_EQ(bench.image, defaultImage());
}

TEST(ExchangeLifecycle, ReportWhileIdleCausesNoOutputAtAll) {
    Bench bench;
    bench.feed(identityReply({1, 2, 3, 4}, "1.0"));
    EXPECT_TRUE(bench.port.events.empty());
}

TEST(ExchangeLifecycle, ReadClickedDuringAWriteTakesTheNextReportAsIdentity) {
    Bench bench;
    bench.exchange.startWrite();
    bench.feed(identityReply({1, 0, 0, 0}, "1"));
    for (int i = 0; i < 5; ++i) bench.feed(kAck);
    bench.exchange.startRead();
    bench.feed(identityReply({2, 0, 0, 0}, "1"));
    EXPECT_EQ(bench.exchange.ExchangeState(), 31);
    EXPECT_EQ(slice(bench.port.sent.back(), 1, 2), (Bytes{'r', 0x00}));
    for (const std::string& event : bench.port.events) EXPECT_NE(event.rfind("error", 0), 0u) << event;

    // With the device answering, the Write's pending reply comes first.
    Rig rig;
    rig.exchange.startWrite();
    for (int i = 0; i < 4; ++i) rig.pump();
    rig.exchange.startRead();
    rig.pump();
    EXPECT_EQ(rig.port.events.back(), "error Application is not a VASKIRO BACnet");
}

TEST(ExchangeLifecycle, ShortReplyKeepsTheEarlierBytesOfInReport) {
    Bench bench;
    bench.exchange.startRead();
    Report expected = identityReply({0x39, 0x30, 0, 0}, "1.00");
    bench.feed(expected);
    bench.feed({0x00, 0xAA, 0xBB}, 3);
    expected[1] = 0xAA;
    expected[2] = 0xBB;
    EXPECT_EQ(bench.exchange.InReport(), expected);
    EXPECT_EQ(bench.exchange.ExchangeState(), 32);  // taken as the reply all the same
}

TEST(ExchangeLifecycle, CountsStepsOfTheRunningExchange) {
    Rig rig;
    rig.exchange.startWrite();
    for (int k = 1; k < 49; ++k) {
        rig.pump();
        ASSERT_EQ(rig.exchange.stepsDone(), k);
        ASSERT_EQ(rig.exchange.stepsTotal(), 49);
    }
    rig.pump();
    EXPECT_EQ(rig.exchange.stepsTotal(), 0);
    rig.exchange.startRead();
    EXPECT_EQ(rig.exchange.stepsTotal(), 47);
}

TEST(ExchangeAbandon, NoReplyTimesOutAndALateReplyIsIgnored) {
    Rig rig;
    rig.exchange.startWrite();
    for (int i = 0; i < 3; ++i) rig.pump();
    rig.device->setSilent(true);
    rig.pump();
    EXPECT_EQ(rig.run(std::chrono::milliseconds(100)), AbandonReason::NoReply);
    EXPECT_EQ(rig.port.eventsFrom(rig.port.events.size() - 2),
              (Events{"log Exchange abandoned", "error VASKIRO did not respond"}));

    std::size_t seen = rig.port.events.size();
    rig.exchange.ProcessDeviceReport(std::span(kAck.data(), kAck.size()));
    EXPECT_EQ(rig.port.events.size(), seen);
}

TEST(ExchangeAbandon, DeviceLostMidWriteEndsTheExchangeAtOnce) {
    Rig rig;
    rig.device->disconnectAfter(10);
    EXPECT_EQ(rig.write(), AbandonReason::Disconnected);
    EXPECT_EQ(rig.port.sent.size(), 10u);
    EXPECT_EQ(rig.port.eventsFrom(rig.port.events.size() - 2),
              (Events{"log Exchange abandoned", "error VASKIRO was disconnected"}));
}

TEST(ExchangeAbandon, FailedSendCountsAsDisconnection) {
    Bench bench;
    bench.exchange.startWrite();
    bench.port.failSends = true;
    bench.feed(identityReply({1, 0, 0, 0}, "1"));
    EXPECT_EQ(bench.port.eventsFrom(3), (Events{"send E", "log Exchange abandoned", "error VASKIRO was disconnected"}));
    EXPECT_TRUE(bench.exchange.idle());
}

TEST(ExchangeReentrancy, ReportsDuringAFinalBoxAreIgnoredAndAClickThereStartsOver) {
    Rig rig;
    rig.port.duringMessage = [&] { rig.exchange.ProcessDeviceReport(std::span(kAck.data(), kAck.size())); };
    rig.read();
    EXPECT_EQ(rig.port.events.back(), "info Read Complete");

    Bench bench;
    bench.exchange.startWrite();
    bench.port.duringMessage = [&] {
        bench.port.duringMessage = nullptr;
        bench.exchange.startRead();
    };
    bench.exchange.abandon(AbandonReason::NoReply);
    EXPECT_EQ(bench.exchange.ExchangeState(), 30);
    EXPECT_EQ(bench.port.events.back(), "send S");
}

TEST(ExchangeIdentity, IdentifyAloneSendsNothingAfterTheReply) {
    Bench bench;
    bench.exchange.startIdentify();
    EXPECT_EQ(bench.exchange.stepsTotal(), 1);
    bench.feed(identityReply({0x39, 0x30, 0x00, 0x00}, "2.1"));
    EXPECT_EQ(bench.port.events, (Events{"send S", "log Appware Version:2.1", "log Serial Number: 12345"}));
    EXPECT_TRUE(bench.exchange.idle());
}
