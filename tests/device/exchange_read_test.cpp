#include "exchange_rig.h"

using namespace vaskiro::core;
using namespace vaskiro::device;
using namespace vaskiro::device::test;

namespace {

BlockPayload payload(const Bytes& bytes) {
    BlockPayload part{};
    std::copy(bytes.begin(), bytes.end(), part.begin());
    return part;
}

}  // namespace

TEST(ExchangeRead, StoresEachPartAsTheBlockMapSays) {
    Rig rig;
    rig.device->setBlockPart(0, 1,
                             payload(concat({{0x00, 172, 16,   0,    9,    172,  16,   0,    1,    255, 255,
                                              0,    0,   0xFF, 0xFF, 0x01, 0x02, 0x03, 0x04, 0x81, 0xBD},
                                             repeat(0, 17),
                                             {0x80, 0x00, 0x00, 0x01, 0xFF, 0x00}})));
    rig.device->setBlockPart(0, 2, payload(repeat('N', 26)));
    rig.device->setBlockPart(2, 1, payload(repeat('i', 32)));
    rig.device->setBlockPart(22, 1, payload(concat({repeat('L', 24), repeat('D', 24)})));
    rig.device->setBlockPart(22, 2, payload(repeat('p', 16)));
    std::fill_n(rig.image.bytes().begin() + 12 + 24, 8, 0x77);  // DeviceName bytes 24-31 are not carried
    rig.image.bytes()[1373] = 0x42;                             // nor is the reserved byte
    EXPECT_EQ(rig.read(), std::nullopt);
    ASSERT_EQ(rig.sent.size(), 47u);
    for (std::size_t b = 0; b < 23; ++b) {
        EXPECT_EQ(slice(rig.sent[1 + 2 * b], 0, 3), (Bytes{0x00, 'r', static_cast<std::uint8_t>(b)}));
        EXPECT_EQ(slice(rig.sent[2 + 2 * b], 0, 3), (Bytes{0x00, 'R', static_cast<std::uint8_t>(b)}));
    }
    EXPECT_EQ(rig.lastEvents(4), (Events{"send R", "populate", "log Data read", "info Read Complete"}));
    const ConfigurationImage& image = rig.image;
    EXPECT_EQ(slice(image, 0, 4), (Bytes{172, 16, 0, 9}));
    EXPECT_EQ(slice(image, 1324, 2), (Bytes{1, 0}));  // DHCP on, InvertInput 1 off
    EXPECT_EQ(slice(image, 1340, 2), (Bytes{1, 1}));  // InvertInput 16, InvertOutput 1
    EXPECT_EQ(slice(image, 1357, 16), concat({repeat(0, 8), repeat(1, 8)}));
    EXPECT_EQ(slice(image, 1373, 12), (Bytes{0x42, 0, 0, 0xFF, 0xFF, 0, 0, 4, 3, 2, 1, 'L'}));
    EXPECT_EQ(slice(image, 1448, 4), (Bytes{0xBD, 0, 0, 0}));
    EXPECT_EQ(slice(image, 12, 34), concat({repeat('N', 23), {0}, repeat(0x77, 8), {'i', 'i'}}));
    EXPECT_EQ(image.name(NameGroup::Input, 1), std::string(31, 'i'));
    EXPECT_EQ(image.text(TextField::Description), std::string(23, 'D'));
    EXPECT_EQ(image.text(TextField::DevicePassword), std::string(15, 'p'));
}
