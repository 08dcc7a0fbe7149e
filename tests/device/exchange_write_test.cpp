#include "exchange_rig.h"

using namespace vaskiro::core;
using namespace vaskiro::device;
using namespace vaskiro::device::test;

namespace {

// Index of the data report for a block part in a complete Write: S, E, then d(0), D(0), d(1), ...
std::size_t dataReport(int block, int part) { return 2 + 2 * static_cast<std::size_t>(block) + (part - 1); }

}  // namespace

TEST(ExchangeWrite, SendsFortyNineReportsAndBlock0Part1IsByteExact) {
    Rig rig;
    EXPECT_EQ(rig.write(), std::nullopt);
    std::string codes, expected("S\0E\0", 4);
    for (const Report& report : rig.sent) codes += {static_cast<char>(report[1]), static_cast<char>(report[2])};
    for (char b = 0; b < 23; ++b) expected += {'d', b, 'D', b};
    EXPECT_EQ(codes, expected + "Z\x16");
    EXPECT_EQ(rig.device->receivedReports(), rig.sent);
    EXPECT_EQ(rig.log, (Events{"Appware Version:1.00", "Serial Number: 12345", "Data downloaded"}));
    EXPECT_EQ(rig.lastEvents(3), (Events{"send Z", "log Data downloaded", "info Download Complete"}));
    const Report block0 = {0x00, 0x64, 0x00,
                           0x55,                                             // payload 0
                           0xC0, 0xA8, 0x00, 0x06, 0xC0, 0xA8, 0x00, 0x01,   // 1-8
                           0xFF, 0xFF, 0xFF, 0x00,                           // 9-12
                           0xBA, 0xC0,                                       // 13-14: 47808
                           0x00, 0x00, 0x30, 0x39,                           // 15-18: 12345
                           0x00,                                             // 19
                           0x5F, 0x5F, 0x5F, 0x5F, 0x5F, 0x5F, 0x5F, 0x5F};  // 20-27; 28-61 zero
    EXPECT_EQ(rig.sent[dataReport(0, 1)], block0);
}

// Each part fills only its own bytes; the rest of the report is what the
// previous request left there, also into the next Write.
TEST(ExchangeWrite, PartsCarryTheirFillsAndLeaveTheRestAsItWas) {
    Rig rig;
    rig.image.setText(TextField::DevicePassword, "ABCDEFGHIJKLMNO");
    rig.write();
    const auto& sent = rig.sent;
    EXPECT_EQ(slice(sent[dataReport(0, 2)], W, 32), concat({text("VASKIRO", 24), repeat(0xFF, 7), {0x00}}));
    EXPECT_EQ(slice(sent[dataReport(2, 1)], W, 62), concat({text("Input 1", 32), {0x30}, repeat(0xFF, 29)}));
    EXPECT_EQ(slice(sent[dataReport(22, 1)], W, 62),
              concat({text("Earth", 24), text("BACnet Device", 24), repeat(0xFF, 14)}));
    EXPECT_EQ(slice(sent[dataReport(22, 2)], W, 62),
              concat({text("ABCDEFGHIJKL", 13), {'N', 'O', 0x00}, repeat(0xFF, 46)}));

    rig.sent.clear();
    rig.write();
    EXPECT_EQ(rig.sent[0][2], 22);  // S and E still hold the last block number
    EXPECT_EQ(rig.sent[1][2], 22);
    EXPECT_EQ(slice(rig.sent[dataReport(0, 1)], W + 28, 10), repeat(0xFF, 10));  // left by the password part
}
