#include <gtest/gtest.h>

#include <string>

#include "exchange_rig.h"

using namespace vaskiro::config;
using namespace vaskiro::device;
using namespace vaskiro::device::test;

namespace {

BlockPayload payload(const Bytes& bytes) {
    BlockPayload part{};
    std::copy(bytes.begin(), bytes.end(), part.begin());
    return part;
}

// Every field the link carries, set away from its default and within what
// the link carries of it.
ConfigurationImage everythingChanged() {
    ConfigurationImage image = defaultImage();
    image.setAddress(AddressField::IPAddress, {10, 1, 2, 3});
    image.setAddress(AddressField::GatewayAddress, {10, 1, 2, 254});
    image.setAddress(AddressField::SubnetMask, {255, 255, 254, 0});
    image.setDhcpEnable(true);
    image.setBacnetPort(65000);
    image.setObjectIdentifier(4194302);
    image.setText(TextField::DeviceName, "Boiler house controller");  // 23
    image.setText(TextField::Location, "Plant room, level minus");
    image.setText(TextField::Description, "Heating and hot water 2");
    image.setText(TextField::DevicePassword, "Twelve chars");
    for (int n = 1; n <= 16; ++n) {
        image.setName(NameGroup::Input, n, "Input name number " + std::to_string(n) + " of sixteen!");
        image.setName(NameGroup::Output, n, "Out " + std::to_string(n));
        image.setFlag(FlagGroup::InvertInput, n, n % 3 == 0);
        image.setFlag(FlagGroup::InvertOutput, n, n % 5 == 1);
        image.setFlag(FlagGroup::OutputStartStatus, n, n > 12);
    }
    for (int n = 1; n <= 8; ++n) {
        image.setName(NameGroup::Analogue, n, std::string(30, static_cast<char>('a' + n)));
        image.setAnalogueUnitCode(n, static_cast<std::uint32_t>(60 + 20 * n));
        image.setAnalogueValue(FloatGroup::AnalogueScaling, n, 0.1 * n);
        image.setAnalogueValue(FloatGroup::COVIncrement, n, -2.5 * n);
    }
    return image;
}

}  // namespace

TEST(ExchangeRead, SendsFortySevenRequestsAndShowsTheDeviceSettingsAtTheEnd) {
    Rig rig;
    ConfigurationImage onDevice = everythingChanged();
    rig.device->storeImage(onDevice);
    EXPECT_EQ(rig.read(), std::nullopt);

    ASSERT_EQ(rig.port.sent.size(), 47u);
    EXPECT_EQ(rig.port.sent[0][1], 'S');
    for (int b = 0; b < 23; ++b) {
        const Report& first = rig.port.sent[1 + 2 * static_cast<std::size_t>(b)];
        const Report& second = rig.port.sent[2 + 2 * static_cast<std::size_t>(b)];
        EXPECT_EQ(slice(first, 0, 3), (Bytes{0x00, 'r', static_cast<std::uint8_t>(b)}));
        EXPECT_EQ(slice(second, 0, 3), (Bytes{0x00, 'R', static_cast<std::uint8_t>(b)}));
    }
    EXPECT_EQ(rig.port.eventsFrom(rig.port.events.size() - 4),
              (std::vector<std::string>{"send R", "populate", "log Data read", "info Read Complete"}));
    EXPECT_EQ(rig.image, onDevice);
    EXPECT_TRUE(rig.exchange.idle());
}

TEST(ExchangeRead, StoresEachPartAsTheBlockMapSays) {
    Rig rig;
    rig.device->setBlockPart(0, 1, payload(concat({{0x00, 172, 16, 0, 9, 172, 16, 0, 1, 255, 255, 0, 0, 0xFF, 0xFF,
                                                   0x01, 0x02, 0x03, 0x04, 0x81, 0xBD},
                                                  repeat(0, 17),
                                                  {0x80, 0x00, 0x00, 0x01, 0xFF, 0x00}})));
    rig.device->setBlockPart(0, 2, payload(repeat('N', 26)));
    rig.device->setBlockPart(2, 1, payload(repeat('i', 32)));
    rig.device->setBlockPart(22, 1, payload(concat({repeat('L', 24), repeat('D', 24)})));
    rig.device->setBlockPart(22, 2, payload(repeat('p', 16)));
    std::fill_n(rig.image.bytes().begin() + 12 + 24, 8, 0x77);  // DeviceName bytes 24-31 are not carried
    rig.image.bytes()[1373] = 0x42;                              // nor is the reserved byte
    rig.read();

    const ConfigurationImage& image = rig.image;
    EXPECT_EQ(slice(image, 0, 4), (Bytes{172, 16, 0, 9}));
    EXPECT_EQ(image.bacnetPort(), 65535);
    EXPECT_EQ(image.objectIdentifier(), 0x01020304u);
    EXPECT_EQ(image.bytes()[1324], 1);
    EXPECT_EQ(image.analogueUnitCode(1), 0xBDu);
    EXPECT_EQ(image.flag(FlagGroup::InvertInput, 16), true);
    EXPECT_EQ(image.flag(FlagGroup::InvertInput, 1), false);
    EXPECT_EQ(image.flag(FlagGroup::InvertOutput, 1), true);
    EXPECT_EQ(slice(image, 1357, 16), concat({repeat(0, 8), repeat(1, 8)}));
    EXPECT_EQ(slice(image, 12, 32), concat({repeat('N', 23), {0}, repeat(0x77, 8)}));
    EXPECT_EQ(image.name(NameGroup::Input, 1), std::string(31, 'i'));
    EXPECT_EQ(image.name(NameGroup::Input, 2), "Input 2");
    EXPECT_EQ(image.text(TextField::Location), std::string(23, 'L'));
    EXPECT_EQ(image.text(TextField::Description), std::string(23, 'D'));
    EXPECT_EQ(image.text(TextField::DevicePassword), std::string(15, 'p'));
    EXPECT_EQ(image.bytes()[1373], 0x42);
}

TEST(ExchangeRead, WriteThenReadRoundTripsEverySettingTheLinkCarries) {
    Rig writer;
    writer.image = everythingChanged();
    ASSERT_EQ(writer.write(), std::nullopt);

    ConfigurationImage readBack = defaultImage();
    RecordingPort port(writer.device.get());
    DeviceExchange reader(readBack, port);
    reader.startRead();
    ASSERT_EQ(runExchange(reader, *writer.device, std::chrono::seconds(2), std::chrono::milliseconds(10)),
              std::nullopt);
    EXPECT_EQ(readBack, writer.image);
}

TEST(ExchangeRead, InterruptedReadLeavesTheImageUntouched) {
    Rig rig;
    rig.device->storeImage(everythingChanged());
    const ConfigurationImage before = rig.image;
    rig.device->disconnectAfter(20);
    EXPECT_EQ(rig.read(), AbandonReason::Disconnected);
    EXPECT_EQ(rig.image, before);
    EXPECT_EQ(rig.port.eventsFrom(rig.port.events.size() - 2),
              (std::vector<std::string>{"log Exchange abandoned", "error VASKIRO was disconnected"}));
    EXPECT_TRUE(rig.exchange.idle());
}
