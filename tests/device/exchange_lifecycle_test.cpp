#include "exchange_rig.h"

using namespace vaskiro::core;
using namespace vaskiro::device;
using namespace vaskiro::device::test;

namespace {

Report identityReply(Bytes serial, std::string_view version, std::uint8_t application = 0x10) {
    Report report{0x00, 0x00, 0x00, 0x01, application};
    std::copy(serial.begin(), serial.end(), report.begin() + 6);
    std::copy(version.begin(), version.end(), report.begin() + 10);
    return report;
}

const Report kAck = {0x00, 'd'};

// What the test does, playing the device, and every event the exchange makes.
struct Scenario {
    const char* name;
    std::function<void(Rig&)> play;
    Events events;
};
std::ostream& operator<<(std::ostream& out, const Scenario& c) { return out << c.name; }

class ExchangeScenario : public ::testing::TestWithParam<Scenario> {};

}  // namespace

TEST_P(ExchangeScenario, MakesExactlyTheseEvents) {
    Rig rig{false};
    GetParam().play(rig);
    EXPECT_EQ(rig.events, GetParam().events);
    EXPECT_EQ(rig.image, defaultImage());
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, ExchangeScenario,
    ::testing::Values(
        Scenario{"IdentityLogsVersionAndSerialThenGoesOn",
                 [](Rig& r) {
                     r.exchange.startWrite(), r.feed(identityReply({0x39, 0x30, 0, 0}, std::string("2.1\0junk", 8)));
                 },
                 {"send S", "log Appware Version:2.1", "log Serial Number: 12345", "send E"}},
        Scenario{"VersionAsWindows1252AndSerialSigned",
                 [](Rig& r) {
                     r.exchange.startRead(), r.feed(identityReply({0xFF, 0xFF, 0xFF, 0xFF}, "V\xE9 9"));
                 },
                 {"send S", "log Appware Version:V\xC3\xA9 9", "log Serial Number: -1", "send r"}},
        Scenario{"VersionWithoutZeroRunsToTheLastByte",
                 [](Rig& r) {
                     r.exchange.startIdentify(), r.feed(identityReply({1, 0, 0, 0}, std::string(55, 'v')));
                 },
                 {"send S", "log Appware Version:" + std::string(55, 'v'), "log Serial Number: 1"}},
        Scenario{"RefusedIdentityEndsWithNothingLoggedAndLaterReportsAreIgnored",
                 [](Rig& r) {
                     r.exchange.startRead(), r.feed(identityReply({}, "1.0", 0x11)), r.feed(identityReply({}, "1"));
                 },
                 {"send S", "error Application is not a VASKIRO BACnet"}},
        Scenario{"FailedSendCountsAsDisconnection",
                 [](Rig& r) { r.exchange.startWrite(), r.failSends = true, r.feed(identityReply({}, "1")); },
                 {"send S", "log Appware Version:1", "log Serial Number: 0", "send E", "log Exchange abandoned",
                  "error VASKIRO was disconnected"}},
        // A Read clicked during a Write takes the next report as its identity reply.
        Scenario{"ReadClickedDuringAWriteStartsOver",
                 [](Rig& r) {
                     r.exchange.startWrite(), r.feed(identityReply({}, "1")), r.feed(kAck), r.feed(kAck);
                     r.exchange.startRead(), r.feed(identityReply({}, "2"));
                 },
                 {"send S", "log Appware Version:1", "log Serial Number: 0", "send E", "send d", "send D", "send S",
                  "log Appware Version:2", "log Serial Number: 0", "send r"}},
        // A click while the final box is up starts the new exchange, whose
        // Identify waits for a quiet link since a reply was still due.
        Scenario{"AClickUnderTheFinalBoxStartsOverOnceTheLinkIsQuiet",
                 [](Rig& r) {
                     r.exchange.startWrite();
                     r.duringMessage = [&r] { r.duringMessage = nullptr, r.exchange.startRead(); };
                     r.exchange.abandon(AbandonReason::NoReply);
                     r.exchange.linkQuiet();
                 },
                 {"send S", "log Exchange abandoned", "error VASKIRO did not respond", "send S"}},
        // The reply that came too late is dropped, not taken as the next identity reply.
        Scenario{"ALateReplyIsDroppedUntilTheLinkIsQuiet",
                 [](Rig& r) {
                     r.exchange.startRead(), r.exchange.abandon(AbandonReason::NoReply), r.exchange.startRead();
                     r.feed(identityReply({}, "1")), r.exchange.linkQuiet(), r.feed(identityReply({}, "2"));
                 },
                 {"send S", "log Exchange abandoned", "error VASKIRO did not respond", "log Late report dropped",
                  "send S", "log Appware Version:2", "log Serial Number: 0", "send r"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExchangeAbandon, NoReplyOrALostDeviceEndsTheExchangeAndKeepsTheImage) {
    Rig silent;
    silent.device->setSilent(true);
    silent.exchange.startWrite();
    EXPECT_EQ(silent.run(std::chrono::milliseconds(100)), AbandonReason::NoReply);
    silent.feed(kAck);  // late: ignored
    EXPECT_EQ(silent.lastEvents(2), (Events{"log Exchange abandoned", "error VASKIRO did not respond"}));
    for (const bool isRead : {false, true}) {
        Rig rig;
        rig.device->storeImage(ConfigurationImage{});
        rig.device->disconnectAfter(10);
        EXPECT_EQ(isRead ? rig.read() : rig.write(), AbandonReason::Disconnected);
        EXPECT_EQ(rig.sent.size(), 10u);
        EXPECT_EQ(rig.lastEvents(2), (Events{"log Exchange abandoned", "error VASKIRO was disconnected"}));
        EXPECT_EQ(rig.image, defaultImage());
    }
    // A reply later than the timeout is still queued when the next Read
    // begins: drained, it cannot shift that Read's parts.
    Rig slow;
    ConfigurationImage held = defaultImage();
    held.setName(NameGroup::Input, 1, "Late");
    slow.device->storeImage(held);
    slow.device->setReplyDelay(std::chrono::milliseconds(80));
    slow.exchange.startRead();
    EXPECT_EQ(slow.run(std::chrono::milliseconds(40)), AbandonReason::NoReply);
    slow.device->setReplyDelay(std::chrono::milliseconds(0));
    EXPECT_EQ(slow.read(), std::nullopt);
    EXPECT_EQ(slow.events.back(), "info Read Complete");
    EXPECT_EQ(slow.image.name(NameGroup::Input, 1), "Late");
    EXPECT_EQ(slow.log.back(), "Data read");

    Rig rig;  // reports during the final box are ignored
    rig.duringMessage = [&] { rig.feed(kAck); };
    rig.read();
    EXPECT_EQ(rig.events.back(), "info Read Complete");
}
