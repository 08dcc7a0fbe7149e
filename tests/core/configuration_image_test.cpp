#include "core/configuration_image.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace vaskiro::core;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes slice(const ConfigurationImage& image, std::size_t offset, std::size_t n) {
    return {image.bytes().begin() + static_cast<long>(offset), image.bytes().begin() + static_cast<long>(offset + n)};
}

ConfigurationImage defaults() {
    ConfigurationImage image;
    image.bytes().fill(0xAA);  // whatever was there goes
    image.SetDefaults();
    return image;
}

// A change to the default image and the bytes it leaves at an offset.
struct Stored {
    const char* name;
    std::function<void(ConfigurationImage&)> change;
    std::size_t offset;
    Bytes bytes;
};
std::ostream& operator<<(std::ostream& out, const Stored& c) { return out << c.name; }

class ConfigurationImageStores : public ::testing::TestWithParam<Stored> {};

}  // namespace

TEST_P(ConfigurationImageStores, TheLiteralBytes) {
    ConfigurationImage image = defaults();
    GetParam().change(image);
    EXPECT_EQ(slice(image, GetParam().offset, GetParam().bytes.size()), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ConfigurationImageStores,
    ::testing::Values(
        Stored{"DefaultAddresses", [](auto&) {}, 0, {0xC0, 0xA8, 0x00, 0x06, 0xC0, 0xA8, 0x00, 0x01, 0xFF, 0xFF, 0xFF, 0x00}},
        Stored{"DefaultNameAndInput1", [](auto&) {}, 12 + 28, {0, 0, 0, 0, 'I', 'n', 'p', 'u', 't', ' ', '1', 0}},
        Stored{"DefaultAnalogue8", [](auto&) {}, 1068 + 32 * 7, {'A', 'n', 'a', 'l', 'o', 'g', 'u', 'e', ' ', '8', 0}},
        Stored{"DefaultFlagsAndReserved", [](auto&) {}, 1324, Bytes(52, 0)},
        Stored{"DefaultPortIdentifierLocation", [](auto&) {}, 1376, {0xC0, 0xBA, 0, 0, 0x39, 0x30, 0, 0, 'E', 'a', 'r', 't', 'h', 0}},
        Stored{"DefaultUnit8AndScaling1", [](auto&) {}, 1448 + 28, {0x5F, 0, 0, 0, 0x00, 0x00, 0x80, 0x3F}},
        Stored{"DefaultCov8", [](auto&) {}, 1540, {0x00, 0x00, 0x80, 0x44}},
        Stored{"DefaultPassword", [](auto&) {}, 1544, {'T', 'u', 'r', 'n', 'p', 'i', 'k', 'e', 0, 0, 0, 0, 0, 0, 0, 0}},
        Stored{"ShortTextKeepsTheBytesBehindItsNul", [](auto& i) { i.setText(TextField::Location, "AB"); }, 1384,
               {0x41, 0x42, 0x00, 0x74, 0x68, 0x00}},
        Stored{"OverlongPasswordIsClipped", [](auto& i) { i.setText(TextField::DevicePassword, std::string(40, 'z')); },
               1558, {'z', 0}},
        Stored{"OverlongNameIsClipped", [](auto& i) { i.setName(NameGroup::Input, 1, std::string(50, 'q')); }, 74,
               {'q', 0, 'I'}},
        Stored{"FlagsStoreOne", [](auto& i) {
                   i.setDhcpEnable(true);
                   i.bytes()[1325] = 2;
                   i.setFlag(FlagGroup::InvertInput, 1, i.flag(FlagGroup::InvertInput, 1));
                   i.setFlag(FlagGroup::InvertOutput, 1, true);
               }, 1324, {1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
        Stored{"LastOutputStart", [](auto& i) { i.setFlag(FlagGroup::OutputStartStatus, 16, true); }, 1372, {1, 0}},
        Stored{"PortIsLittleEndian", [](auto& i) { i.setBacnetPort(-2); }, 1376, {0xFE, 0xFF, 0xFF, 0xFF}},
        Stored{"IdentifierIsLittleEndian", [](auto& i) { i.setObjectIdentifier(0x80000001u); }, 1380, {0x01, 0x00, 0x00, 0x80}},
        Stored{"UnitCode", [](auto& i) { i.setAnalogueUnitCode(8, 200); }, 1476, {200, 0, 0, 0}},
        Stored{"FloatRoundsToNearestSingle", [](auto& i) { i.setAnalogueValue(FloatGroup::AnalogueScaling, 1, 0.1); },
               1480, {0xCD, 0xCC, 0xCC, 0x3D}},
        Stored{"NegativeFloat", [](auto& i) { i.setAnalogueValue(FloatGroup::COVIncrement, 8, -2.5); }, 1540,
               {0x00, 0x00, 0x20, 0xC0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConfigurationImage, TextsReadToTheirNulOrTheFieldsEnd) {
    static_assert(sizeof(ImageBytes) == 1560);
    ConfigurationImage image = defaults();
    EXPECT_EQ(image.text(TextField::Description), "BACnet Device");
    std::fill_n(image.bytes().begin() + 1384, 32, 'x');  // Location, Description follows
    EXPECT_EQ(image.text(TextField::Location), std::string(32, 'x'));
    std::fill_n(image.bytes().begin() + 1544, 16, 'p');  // password ends the image
    EXPECT_EQ(image.text(TextField::DevicePassword), std::string(16, 'p'));
    image.bytes()[1326] = 2;
    EXPECT_TRUE(image.flag(FlagGroup::InvertInput, 2));
    EXPECT_THROW(image.setName(NameGroup::Analogue, 9, "x"), std::out_of_range);
    EXPECT_THROW(image.readU32(1557), std::out_of_range);
}
