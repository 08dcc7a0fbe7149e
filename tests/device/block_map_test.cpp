#include "device/block_codec.h"

#include "exchange_rig.h"

using namespace vaskiro::core;
using namespace vaskiro::device;
using namespace vaskiro::device::test;

namespace {

Report encoded(const ConfigurationImage& image, int block, int part) {
    Report report;
    report.fill(0xEE);
    encodeBlockPart(image, block, part, report);
    return report;
}

}  // namespace

TEST(BlockMapWrite, SettingsPartPacksFlagsHighHalfFirstAndCutsPortAndUnitCodes) {
    ConfigurationImage image = defaultImage();
    image.setFlag(FlagGroup::InvertInput, 16, true);
    image.bytes()[1341 + 9] = 2;  // InvertOutput 10 as a data file may hold it
    image.setFlag(FlagGroup::OutputStartStatus, 8, true);
    image.bytes()[1324] = 2;
    image.setBacnetPort(0x12345);
    image.setObjectIdentifier(0xDEADBEEF);
    image.setAnalogueUnitCode(1, 0x12C);
    const Report report = encoded(image, 0, 1);
    EXPECT_EQ(slice(report, W + 38, 6), (Bytes{0x80, 0x00, 0x02, 0x00, 0x00, 0x80}));
    EXPECT_EQ(slice(report, W + 13, 7), (Bytes{0x23, 0x45, 0xDE, 0xAD, 0xBE, 0xEF, 0x01}));
    EXPECT_EQ(slice(report, W + 20, 2), (Bytes{0x2C, 0x5F}));
    EXPECT_EQ(slice(report, W + 28, 10), repeat(0xEE, 10));
    image.setFlag(FlagGroup::InvertInput, 16, false);
    image.setFlag(FlagGroup::InvertInput, 1, true);
    EXPECT_EQ(slice(encoded(image, 0, 1), W + 38, 2), (Bytes{0x00, 0x01}));
}

TEST(BlockMapWrite, TextPartsCarryTheirFixedCuts) {
    ConfigurationImage image = defaultImage();
    image.setText(TextField::DeviceName, "ABCDEFGHIJKLMNOPQRSTUVWX");
    EXPECT_EQ(slice(encoded(image, 0, 2), W, 62),
              concat({text("ABCDEFGHIJKLMNOPQRSTUVWX", 24), repeat(0xFF, 7), {0x00}, repeat(0xFF, 30)}));
    std::fill_n(image.bytes().begin() + 44 + 64, 32, 'n');  // input 3, no NUL
    EXPECT_EQ(slice(encoded(image, 3, 1), W, 34), concat({repeat('n', 32), {0x30, 0xEE}}));
    image.setText(TextField::Location, std::string(24, 'L'));
    EXPECT_EQ(slice(encoded(image, 22, 1), W, 62),
              concat({repeat('L', 23), {0}, text("BACnet Device", 23), {0}, repeat(0xEE, 14)}));
}
