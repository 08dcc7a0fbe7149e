#include "core/configuration_image.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vaskiro::config;

namespace {

std::vector<std::uint8_t> slice(const ConfigurationImage& image, std::size_t offset, std::size_t n) {
    return {image.bytes().begin() + static_cast<long>(offset),
            image.bytes().begin() + static_cast<long>(offset + n)};
}

ConfigurationImage defaults() {
    ConfigurationImage image;
    image.SetDefaults();
    return image;
}

}  // namespace

TEST(ConfigurationImage, IsExactly1560BytesAndStartsZero) {
    ConfigurationImage image;
    static_assert(sizeof(ImageBytes) == 1560);
    for (auto b : image.bytes()) ASSERT_EQ(b, 0);
}

TEST(ConfigurationImage, DefaultsHaveTheFactoryBytes) {
    ConfigurationImage image = defaults();
    EXPECT_EQ(slice(image, 0, 12), (std::vector<std::uint8_t>{0xC0, 0xA8, 0x00, 0x06, 0xC0, 0xA8, 0x00,
                                                             0x01, 0xFF, 0xFF, 0xFF, 0x00}));
    std::vector<std::uint8_t> name(32, 0);
    const char* vaskiro = "VASKIRO";
    std::copy(vaskiro, vaskiro + 7, name.begin());
    EXPECT_EQ(slice(image, 12, 32), name);
    EXPECT_EQ(slice(image, 1376, 4), (std::vector<std::uint8_t>{0xC0, 0xBA, 0x00, 0x00}));
    EXPECT_EQ(slice(image, 1380, 4), (std::vector<std::uint8_t>{0x39, 0x30, 0x00, 0x00}));
    for (int n = 0; n < 8; ++n) {
        EXPECT_EQ(slice(image, 1448 + 4 * n, 4), (std::vector<std::uint8_t>{0x5F, 0, 0, 0}));
        EXPECT_EQ(slice(image, 1480 + 4 * n, 4), (std::vector<std::uint8_t>{0x00, 0x00, 0x80, 0x3F}));
        EXPECT_EQ(slice(image, 1512 + 4 * n, 4), (std::vector<std::uint8_t>{0x00, 0x00, 0x80, 0x44}));
    }
    // Flags, DHCP and the reserved bytes are zero.
    for (std::size_t i = 1324; i < 1376; ++i) EXPECT_EQ(image.bytes()[i], 0) << i;
    EXPECT_EQ(slice(image, 1544, 9), (std::vector<std::uint8_t>{'T', 'u', 'r', 'n', 'p', 'i', 'k', 'e', 0}));
    EXPECT_EQ(image.bytes()[1559], 0);
}

TEST(ConfigurationImage, DefaultNamesCarryTheChannelWithoutPadding) {
    ConfigurationImage image = defaults();
    EXPECT_EQ(image.name(NameGroup::Input, 9), "Input 9");
    EXPECT_EQ(image.name(NameGroup::Input, 16), "Input 16");
    EXPECT_EQ(image.name(NameGroup::Output, 1), "Output 1");
    EXPECT_EQ(image.name(NameGroup::Analogue, 8), "Analogue 8");
    EXPECT_EQ(slice(image, 44 + 32 * 11, 9), (std::vector<std::uint8_t>{'I', 'n', 'p', 'u', 't', ' ', '1', '2', 0}));
    EXPECT_EQ(slice(image, 1068 + 32 * 7, 11),
              (std::vector<std::uint8_t>{'A', 'n', 'a', 'l', 'o', 'g', 'u', 'e', ' ', '8', 0}));
    EXPECT_EQ(image.text(TextField::Location), "Earth");
    EXPECT_EQ(image.text(TextField::Description), "BACnet Device");
}

TEST(ConfigurationImage, SetDefaultsReplacesWhateverWasThere) {
    ConfigurationImage image;
    image.bytes().fill(0xAA);
    image.SetDefaults();
    EXPECT_EQ(image, defaults());
}

TEST(ConfigurationImage, ShortTextKeepsTheBytesBehindItsNul) {
    ConfigurationImage image = defaults();
    image.setText(TextField::Location, "AB");
    EXPECT_EQ(slice(image, 1384, 6), (std::vector<std::uint8_t>{0x41, 0x42, 0x00, 0x74, 0x68, 0x00}));
    EXPECT_EQ(image.text(TextField::Location), "AB");
}

TEST(ConfigurationImage, TextWithoutNulReadsAsTheWholeFieldAndNoFurther) {
    ConfigurationImage image = defaults();
    std::fill_n(image.bytes().begin() + 1384, 32, 'x');   // Location, Description follows
    EXPECT_EQ(image.text(TextField::Location), std::string(32, 'x'));
    std::fill_n(image.bytes().begin() + 1544, 16, 'p');   // password ends the image
    EXPECT_EQ(image.text(TextField::DevicePassword), std::string(16, 'p'));
    std::fill_n(image.bytes().begin() + 44, 32, 'n');
    EXPECT_EQ(image.name(NameGroup::Input, 1), std::string(32, 'n'));
    EXPECT_EQ(image.name(NameGroup::Input, 2), "Input 2");
}

TEST(ConfigurationImage, OverlongTextIsClippedInsideItsField) {
    ConfigurationImage image = defaults();
    image.setText(TextField::DevicePassword, std::string(40, 'z'));
    EXPECT_EQ(image.text(TextField::DevicePassword), std::string(15, 'z'));
    EXPECT_EQ(image.bytes()[1559], 0);
    image.setName(NameGroup::Input, 1, std::string(50, 'q'));
    EXPECT_EQ(image.name(NameGroup::Input, 1), std::string(31, 'q'));
    EXPECT_EQ(image.name(NameGroup::Input, 2), "Input 2");
}

TEST(ConfigurationImage, FlagsReadAnyNonZeroAsOnAndStoreOneOrZero) {
    ConfigurationImage image = defaults();
    image.bytes()[1325] = 2;  // InvertInput 1
    EXPECT_TRUE(image.flag(FlagGroup::InvertInput, 1));
    image.setFlag(FlagGroup::InvertInput, 1, true);
    EXPECT_EQ(image.bytes()[1325], 1);
    image.setFlag(FlagGroup::OutputStartStatus, 16, true);
    EXPECT_EQ(image.bytes()[1372], 1);
    image.setFlag(FlagGroup::InvertOutput, 1, true);
    EXPECT_EQ(image.bytes()[1341], 1);
    image.setDhcpEnable(true);
    EXPECT_EQ(image.bytes()[1324], 1);
}

TEST(ConfigurationImage, NumbersAreLittleEndian) {
    ConfigurationImage image;
    image.setBacnetPort(-2);
    EXPECT_EQ(slice(image, 1376, 4), (std::vector<std::uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(image.bacnetPort(), -2);
    image.setObjectIdentifier(0x80000001u);
    EXPECT_EQ(slice(image, 1380, 4), (std::vector<std::uint8_t>{0x01, 0x00, 0x00, 0x80}));
    image.setAnalogueUnitCode(8, 200);
    EXPECT_EQ(slice(image, 1476, 4), (std::vector<std::uint8_t>{200, 0, 0, 0}));
    EXPECT_EQ(image.analogueUnitCode(8), 200u);
}

TEST(ConfigurationImage, FloatsRoundToTheNearestSingle) {
    ConfigurationImage image;
    image.setAnalogueValue(FloatGroup::AnalogueScaling, 1, 0.1);
    EXPECT_EQ(slice(image, 1480, 4), (std::vector<std::uint8_t>{0xCD, 0xCC, 0xCC, 0x3D}));
    EXPECT_EQ(image.analogueValue(FloatGroup::AnalogueScaling, 1), 0.1f);
    EXPECT_NE(static_cast<double>(image.analogueValue(FloatGroup::AnalogueScaling, 1)), 0.1);
    image.setAnalogueValue(FloatGroup::COVIncrement, 8, -2.5);
    EXPECT_EQ(slice(image, 1540, 4), (std::vector<std::uint8_t>{0x00, 0x00, 0x20, 0xC0}));
}

TEST(ConfigurationImage, ChannelsOutsideTheirRangeAreRefused) {
    ConfigurationImage image;
    EXPECT_THROW(image.name(NameGroup::Input, 0), std::out_of_range);
    EXPECT_THROW(image.setName(NameGroup::Analogue, 9, "x"), std::out_of_range);
    EXPECT_THROW(image.setFlag(FlagGroup::InvertOutput, 17, true), std::out_of_range);
    EXPECT_THROW(image.analogueUnitCode(9), std::out_of_range);
    EXPECT_THROW(image.readU32(1557), std::out_of_range);
}
