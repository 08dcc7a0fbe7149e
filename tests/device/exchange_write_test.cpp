#include <gtest/gtest.h>

#include <string>

#include "exchange_rig.h"

using namespace vaskiro::config;
using namespace vaskiro::device;
using namespace vaskiro::device::test;

namespace {

// Index of the data report for a block part in a complete Write: S, E, then
// d(0), D(0), d(1), ...
std::size_t dataReport(int block, int part) { return 2 + 2 * static_cast<std::size_t>(block) + (part - 1); }

constexpr std::size_t W = 3;  // payload byte k of a write request is report byte 3 + k

}  // namespace

TEST(ExchangeWrite, SendsFortyNineReportsInOrderAndAnnouncesCompletion) {
    Rig rig;
    EXPECT_EQ(rig.write(), std::nullopt);

    ASSERT_EQ(rig.port.sent.size(), 49u);
    std::string codes;
    for (const Report& report : rig.port.sent) codes += static_cast<char>(report[1]);
    std::string expected = "SE";
    for (int b = 0; b < 23; ++b) expected += "dD";
    EXPECT_EQ(codes, expected + "Z");
    for (int b = 0; b < 23; ++b) {
        EXPECT_EQ(rig.port.sent[dataReport(b, 1)][2], b);
        EXPECT_EQ(rig.port.sent[dataReport(b, 2)][2], b);
    }
    for (const Report& report : rig.port.sent) EXPECT_EQ(report[0], 0x00);
    EXPECT_EQ(rig.device->receivedReports(), rig.port.sent);

    EXPECT_EQ(rig.port.log,
              (std::vector<std::string>{"Appware Version:1.00", "Serial Number: 12345", "Data downloaded"}));
    EXPECT_EQ(rig.port.eventsFrom(rig.port.events.size() - 3),
              (std::vector<std::string>{"send Z", "log Data downloaded", "info Download Complete"}));
    EXPECT_TRUE(rig.exchange.idle());
}

TEST(ExchangeWrite, Block0Part1OfTheDefaultImageIsByteExact) {
    Rig rig;
    rig.write();
    const Report expected = {0x00, 0x64, 0x00,
                             0x55,                                            // payload 0
                             0xC0, 0xA8, 0x00, 0x06, 0xC0, 0xA8, 0x00, 0x01,  // 1-8
                             0xFF, 0xFF, 0xFF, 0x00,                          // 9-12
                             0xBA, 0xC0,                                      // 13-14: 47808
                             0x00, 0x00, 0x30, 0x39,                          // 15-18: 12345
                             0x00,                                            // 19
                             0x5F, 0x5F, 0x5F, 0x5F, 0x5F, 0x5F, 0x5F, 0x5F}; // 20-27; 28-61 zero
    EXPECT_EQ(rig.port.sent[dataReport(0, 1)], expected);
}

TEST(ExchangeWrite, NameAndPasswordPartsCarryTheirFillsAndCarriedBytes) {
    Rig rig;
    rig.image.setText(TextField::DevicePassword, "ABCDEFGHIJKLMNO");
    rig.write();
    const auto& sent = rig.port.sent;

    EXPECT_EQ(slice(sent[dataReport(0, 2)], W, 32), concat({text("VASKIRO", 24), repeat(0xFF, 7), {0x00}}));

    const Report& input1 = sent[dataReport(2, 1)];
    EXPECT_EQ(slice(input1, W, 33), concat({text("Input 1", 32), {0x30}}));
    EXPECT_EQ(slice(input1, W + 33, 29), repeat(0xFF, 29));  // left by block 0 part 2

    const Report& place = sent[dataReport(22, 1)];
    EXPECT_EQ(slice(place, W, 48), concat({text("Earth", 24), text("BACnet Device", 24)}));
    EXPECT_EQ(slice(place, W + 48, 14), repeat(0xFF, 14));

    const Report& password = sent[dataReport(22, 2)];
    EXPECT_EQ(slice(password, W, 16), concat({text("ABCDEFGHIJKL", 13), {'N', 'O', 0x00}}));
    EXPECT_EQ(slice(password, W + 16, 46), repeat(0xFF, 46));
}

TEST(ExchangeWrite, UnsetBytesCarryOverIntoTheNextWrite) {
    Rig rig;
    rig.write();
    EXPECT_EQ(rig.port.sent[0][2], 0);
    EXPECT_EQ(rig.port.sent[1][2], 0);
    EXPECT_EQ(rig.port.sent[48][2], 22);

    rig.port.sent.clear();
    rig.write();
    ASSERT_EQ(rig.port.sent.size(), 49u);
    EXPECT_EQ(rig.port.sent[0][2], 22);  // S and E still hold the last block number
    EXPECT_EQ(rig.port.sent[1][2], 22);
    const Report& settings = rig.port.sent[dataReport(0, 1)];
    EXPECT_EQ(slice(settings, W + 28, 10), repeat(0xFF, 10));  // left by the password part
    EXPECT_EQ(slice(settings, W + 44, 18), repeat(0xFF, 18));
}

TEST(ExchangeWrite, DeviceEndsHoldingWhatAWriteOfItsImageSends) {
    Rig rig;
    rig.device->storeImage(ConfigurationImage{});
    rig.write();
    SimulatedDevice fresh;
    for (int b = 0; b < 23; ++b)
        for (int p = 1; p <= 2; ++p) EXPECT_EQ(rig.device->blockPart(b, p), fresh.blockPart(b, p)) << b << "/" << p;
}
