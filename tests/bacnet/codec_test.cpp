#include <gtest/gtest.h>

#include <sstream>

#include "bacnet/client.h"
#include "bacnet/codec.h"
#include "bacnet/simulated_responder.h"

using namespace vaskiro::bacnet;

namespace {

std::vector<std::uint8_t> hex(const char* text) {
    std::vector<std::uint8_t> bytes;
    std::istringstream in(text);
    unsigned value = 0;
    while (in >> std::hex >> value) bytes.push_back(static_cast<std::uint8_t>(value));
    return bytes;
}

struct Exact {
    const char* name;
    Message message;
    bool broadcast;
    const char* bytes;
};

const Exact kExact[] = {
    {"WhoIsAll", WhoIs{}, true, "81 0B 00 08 01 00 10 08"},
    {"WhoIsOne", WhoIs{12345, 12345}, false, "81 0A 00 0E 01 00 10 08 0A 30 39 1A 30 39"},
    {"WhoIsEveryInstance", WhoIs{0, 4194303}, true, "81 0B 00 0E 01 00 10 08 09 00 1B 3F FF FF"},
    {"IAm", IAm{12345, 1476, 3, 0}, false, "81 0A 00 14 01 00 10 00 C4 02 00 30 39 22 05 C4 91 03 21 00"},
    {"IAmVendor260", IAm{12345, 1476, 3, 260}, true, "81 0B 00 15 01 00 10 00 C4 02 00 30 39 22 05 C4 91 03 22 01 04"},
    {"ReadObjectName", ReadProperty{1, {8, 12345}, kObjectName}, false,
     "81 0A 00 11 01 04 00 05 01 0C 0C 02 00 30 39 19 4D"},
    {"AckObjectName", ReadPropertyAck{1, {8, 12345}, kObjectName, std::string("VASKIRO")}, false,
     "81 0A 00 1C 01 00 30 01 0C 0C 02 00 30 39 19 4D 3E 75 08 00 56 41 53 4B 49 52 4F 3F"},
    {"AckVendor", ReadPropertyAck{2, {8, 12345}, kVendorIdentifier, 7u}, false,
     "81 0A 00 14 01 00 30 02 0C 0C 02 00 30 39 19 78 3E 21 07 3F"},
    {"ErrorUnknownProperty", Error{1, 12, 2, 32}, false, "81 0A 00 0D 01 00 50 01 0C 91 02 91 20"},
    {"Reject", Reject{1, 9}, false, "81 0A 00 09 01 00 60 01 09"},
    {"AbortByServer", Abort{1, 4, true}, false, "81 0A 00 09 01 00 71 01 04"},
};

class ExactBytes : public ::testing::TestWithParam<Exact> {};

}  // namespace

TEST_P(ExactBytes, EncodeAndDecode) {
    const Exact& row = GetParam();
    EXPECT_EQ(encode(row.message, row.broadcast), hex(row.bytes));
    Decoded decoded = decode(hex(row.bytes));
    ASSERT_TRUE(decoded.datagram) << decoded.error;
    EXPECT_EQ(decoded.datagram->message, row.message);
    EXPECT_EQ(decoded.datagram->broadcast, row.broadcast);
}
INSTANTIATE_TEST_SUITE_P(Messages, ExactBytes, ::testing::ValuesIn(kExact),
                         [](const auto& info) { return std::string(info.param.name); });

namespace {

struct Received {
    const char* name;
    const char* bytes;
    Message message;
    std::optional<std::uint16_t> sourceNetwork;
};

const Received kReceived[] = {
    {"RoutedIAm", "81 0B 00 18 01 08 00 05 01 2A 10 00 C4 02 00 30 39 22 05 C4 91 03 21 00", IAm{12345, 1476, 3, 0},
     5},
    {"GlobalWhoIsWithHopCount", "81 0B 00 0C 01 20 FF FF 00 FF 10 08", WhoIs{}, std::nullopt},
    {"DestinationSourceAndHopCount", "81 0B 00 15 01 28 FF FF 00 00 07 06 C0 A8 00 09 BA C0 FE 10 08", WhoIs{}, 7},
    {"Ucs2Text", "81 0A 00 19 01 00 30 01 0C 0C 02 00 30 39 19 4D 3E 75 05 04 00 48 00 E9 3F",
     ReadPropertyAck{1, {8, 12345}, kObjectName, std::string("H\xC3\xA9")}, std::nullopt},
    {"Latin1Text", "81 0A 00 15 01 00 30 01 0C 0C 02 00 30 39 19 3A 3E 72 05 E9 3F",
     ReadPropertyAck{1, {8, 12345}, kLocation, std::string("\xC3\xA9")}, std::nullopt},
    {"Set0NotUtf8ReadAsWindows1252", "81 0A 00 15 01 00 30 01 0C 0C 02 00 30 39 19 1C 3E 72 00 80 3F",
     ReadPropertyAck{1, {8, 12345}, kDescription, std::string("\xE2\x82\xAC")}, std::nullopt},
    {"ArrayIndexAndAList", "81 0A 00 18 01 00 30 01 0C 0C 02 00 30 39 19 4D 29 01 3E 21 07 21 08 3F",
     ReadPropertyAck{1, {8, 12345}, kObjectName, OtherValue{2}}, std::nullopt},
    {"ConstructedValue", "81 0A 00 16 01 00 30 01 0C 0C 02 00 30 39 19 4D 3E 0E 91 00 0F 3F",
     ReadPropertyAck{1, {8, 12345}, kObjectName, OtherValue{0}}, std::nullopt},
};

class ReceivedBytes : public ::testing::TestWithParam<Received> {};

}  // namespace

TEST_P(ReceivedBytes, Decode) {
    Decoded decoded = decode(hex(GetParam().bytes));
    ASSERT_TRUE(decoded.datagram) << decoded.error;
    EXPECT_EQ(decoded.datagram->message, GetParam().message);
    EXPECT_EQ(decoded.datagram->sourceNetwork, GetParam().sourceNetwork);
}
INSTANTIATE_TEST_SUITE_P(Messages, ReceivedBytes, ::testing::ValuesIn(kReceived),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Decode, ForwardedIAmNamesTheDeviceBehindTheBbmd) {
    Decoded decoded = decode(hex("81 04 00 1A C0 A8 00 09 BA C0 01 00 10 00 C4 02 00 30 39 22 05 C4 91 03 21 00"));
    ASSERT_TRUE(decoded.datagram) << decoded.error;
    EXPECT_EQ(decoded.datagram->forwardedFrom, (Endpoint{{192, 168, 0, 9}, 47808}));
}

TEST(Decode, RefusesWhatIsMalformed) {
    for (const char* bytes : {"", "82 0A 00 08 01 00 10 08", "81 0B 00 09 01 00 10 08", "81 05 00 08 01 00 10 08",
                              "81 0A 00 07 01 80 00", "81 0B 00 0B 01 08 00 05 00 10 08",
                              "81 0B 00 0A 01 00 10 08 09 05", "81 0B 00 10 01 00 10 08 0B 40 00 00 1B 40 00 00",
                              "81 0A 00 09 01 00 10 08 00", "81 0A 00 09 01 00 38 01 0C",
                              "81 0A 00 15 01 00 30 01 0C 0C 02 00 30 39 19 4D 3E 72 01 41 3F",
                              "81 0A 00 13 01 00 30 01 0C 0C 02 00 30 39 19 4D 3E 1F 3F",
                              "81 0A 00 0B 01 00 10 00 C4 02 00"})
        EXPECT_FALSE(decode(hex(bytes)).datagram) << bytes;
}

TEST(Decode, EveryCutIsRefused) {
    for (const char* whole : {kExact[3].bytes, kExact[6].bytes, kExact[8].bytes, kReceived[2].bytes}) {
        const auto bytes = hex(whole);
        for (std::size_t size = 4; size < bytes.size(); ++size) {
            std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
            cut[3] = static_cast<std::uint8_t>(size);
            EXPECT_FALSE(decode(cut).datagram) << whole << " cut to " << size;
        }
    }
}

TEST(Endpoints, ParseAndFormat) {
    EXPECT_EQ(parseEndpoint("127.0.0.1", 47808), (Endpoint{{127, 0, 0, 1}, 47808}));
    EXPECT_EQ(parseEndpoint("10.1.2.255:47900", 47808), (Endpoint{{10, 1, 2, 255}, 47900}));
    for (const char* bad : {"", "1.2.3", "1.2.3.256", "1.2.3.4:", "1.2.3.4:0", "1.2.3.4:65536", "1.2.3.4 ", "a.b.c.d"})
        EXPECT_FALSE(parseEndpoint(bad, 47808)) << bad;
    EXPECT_EQ(formatEndpoint({{192, 168, 0, 6}, 47808}), "192.168.0.6:47808");
}

TEST(SimulatedDevice, AnswersFromItsConfiguration) {
    vaskiro::config::ConfigurationImage image;
    image.SetDefaults();
    const std::pair<const char*, const char*> exchanges[] = {
        {"81 0B 00 08 01 00 10 08", "81 0A 00 14 01 00 10 00 C4 02 00 30 39 22 05 C4 91 03 21 00"},
        {"81 0B 00 0E 01 00 10 08 0A 30 3A 1A 30 3A", ""},
        {"81 0A 00 11 01 04 00 05 01 0C 0C 02 00 30 39 19 3A",
         "81 0A 00 1A 01 00 30 01 0C 0C 02 00 30 39 19 3A 3E 75 06 00 45 61 72 74 68 3F"},
        {"81 0A 00 11 01 04 00 05 01 0C 0C 02 00 30 39 19 4B", "81 0A 00 0D 01 00 50 01 0C 91 02 91 20"},
        {"81 0A 00 11 01 04 00 05 01 0C 0C 02 00 30 3A 19 4D", "81 0A 00 0D 01 00 50 01 0C 91 01 91 1F"},
        {"81 0A 00 0A 01 04 00 05 02 0F", "81 0A 00 09 01 00 60 02 09"},
    };
    for (const auto& [request, reply] : exchanges) {
        auto answered = answer(image, {}, decode(hex(request)).datagram->message);
        EXPECT_EQ(answered ? encode(*answered, false) : std::vector<std::uint8_t>{}, hex(reply)) << request;
    }
}

TEST(Client, WhenTheBacnetPortIsTakenItListensOnItsOwnAndSaysSo) {
    std::string error, warning;
    auto holder = UdpSocket::open({{127, 0, 0, 1}, 0}, false, error);
    ASSERT_TRUE(holder) << error;
    auto client = Client::open(holder->localEndpoint().port, error, warning);
    ASSERT_TRUE(client) << error;
    EXPECT_NE(warning.find("devices that broadcast their I-Am may be missed"), std::string::npos) << warning;
}
