#include <gtest/gtest.h>

#include <span>
#include <sstream>

#include "bacnet/client.h"
#include "bacnet/codec.h"
#include "bacnet/configured_device.h"
#include "bacnet/point_values.h"
#include "bacnet/simulated/simulated_responder.h"
#include "hex_bytes.h"

using namespace vaskiro::bacnet;

namespace {

vaskiro::core::ConfigurationImage defaults() {
    vaskiro::core::ConfigurationImage image;
    image.SetDefaults();
    return image;
}

// Each request's encoded answer (none: ""), as `answer` gives it.
template <class Answer>
void expectAnswers(std::span<const std::pair<const char*, const char*>> exchanges, Answer answer) {
    for (const auto& [request, reply] : exchanges) {
        auto answered = answer(decode(hex(request)).value().message);
        EXPECT_EQ(answered ? encode(*answered, false) : std::vector<std::uint8_t>{}, hex(reply)) << request;
    }
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
    {"AbortByClient", Abort{1, 4, false}, false, "81 0A 00 09 01 00 70 01 04"},
    // ReadProperty object-list[0]: ... 19 4C property 76, 29 00 context tag 2 array index 0.
    {"ReadArrayLength", ReadProperty{1, {8, 12345}, kObjectList, 0}, false,
     "81 0A 00 13 01 04 00 05 01 0C 0C 02 00 30 39 19 4C 29 00"},
    // 00 05 01 0E: ReadPropertyMultiple; 0C object, 1E [1] opens the list of 09 [0] property (19 [1] index), 1F closes.
    {"ReadMultiple", ReadPropertyMultiple{1, {{{8, 12345}, {{kObjectName, {}}, {kObjectList, 0}}}}}, false,
     "81 0A 00 17 01 04 00 05 01 0E 0C 02 00 30 39 1E 09 4D 09 4C 19 00 1F"},
    // 0C: segmented, more follows; max APDU 05, invoke ID 01, sequence 00, window 01, service 0C.
    {"SegmentedRequest", SegmentedRequest{1}, false, "81 0A 00 0C 01 04 0C 05 01 00 01 0C"},
    // A ReadProperty header without its object: cut short, so missing-required-parameter (5).
    {"InvalidRequest", InvalidRequest{1, 5}, false, "81 0A 00 0A 01 04 00 05 01 0C"},
    // 05 SubscribeCOV: 09 [0] process 1, 1C [1] binary-input 3 (type 3 << 22 | 3), 29 00 [2] unconfirmed,
    // 3A 01 2C [3] lifetime 300 s; without [2] and [3], the cancellation.
    {"SubscribeCov", SubscribeCov{1, 1, {3, 3}, false, 300}, false,
     "81 0A 00 16 01 04 00 05 01 05 09 01 1C 00 C0 00 03 29 00 3A 01 2C"},
    {"CancelCov", SubscribeCov{2, 1, {3, 3}}, false, "81 0A 00 11 01 04 00 05 02 05 09 01 1C 00 C0 00 03"},
    // 10 02 UnconfirmedCOVNotification: process 1, 1C device 12345, 2C binary-input 3, 39 F0 240 s left,
    // 4E values: 09 55 present-value 2E 91 01 active 2F, 09 6F status-flags 2E 82 04 00 (4 bits clear) 2F, 4F.
    {"CovNotification", CovNotification{1, {8, 12345}, {3, 3}, 240, hex("09 55 2E 91 01 2F 09 6F 2E 82 04 00 2F")},
     false,
     "81 0A 00 25 01 00 10 02 09 01 1C 02 00 30 39 2C 00 C0 00 03 39 F0 4E 09 55 2E 91 01 2F 09 6F 2E 82 04 00 2F 4F"},
    // 0F WriteProperty: 0C binary-output 2 (01 00 00 02), 19 55 present-value, 3E 91 01 active 3F, 49 08 priority 8;
    // 3E 00 3F a Null, which releases priority 8.
    {"WriteActiveAtPriority8", WriteProperty{3, {4, 2}, kPresentValue, {}, hex("91 01"), 8}, false,
     "81 0A 00 17 01 04 00 05 03 0F 0C 01 00 00 02 19 55 3E 91 01 3F 49 08"},
    {"WriteNullAtPriority8", WriteProperty{4, {4, 2}, kPresentValue, {}, hex("00"), 8}, false,
     "81 0A 00 16 01 04 00 05 04 0F 0C 01 00 00 02 19 55 3E 00 3F 49 08"},
    // 20 SimpleAck, invoke ID 3, service 0F.
    {"SimpleAck", SimpleAck{3, 15}, false, "81 0A 00 09 01 00 20 03 0F"},
    // ReadPropertyMultiple of binary-input 3: 09 55 present-value, 09 6F status-flags.
    {"ReadPointMultiple", ReadPropertyMultiple{5, {{{3, 3}, {{kPresentValue, {}}, {kStatusFlags, {}}}}}}, false,
     "81 0A 00 15 01 04 00 05 05 0E 0C 00 C0 00 03 1E 09 55 09 6F 1F"},
    // present-value of analog-input 1 (00 00 00 01): 44 Real 21.5 = 41 AC 00 00.
    {"AckReal", ReadPropertyAck{1, {0, 1}, kPresentValue, 21.5f}, false,
     "81 0A 00 17 01 00 30 01 0C 0C 00 00 00 01 19 55 3E 44 41 AC 00 00 3F"},
    {"AckObjectListElement", ReadPropertyAck{1, {8, 12345}, kObjectList, ObjectId{3, 1}, 2}, false,
     "81 0A 00 19 01 00 30 01 0C 0C 02 00 30 39 19 4C 29 02 3E C4 00 C0 00 01 3F"},
};

class ExactBytes : public ::testing::TestWithParam<Exact> {};

}  // namespace

TEST_P(ExactBytes, EncodeAndDecode) {
    const Exact& row = GetParam();
    EXPECT_EQ(encode(row.message, row.broadcast), hex(row.bytes));
    const auto decoded = decode(hex(row.bytes));
    ASSERT_TRUE(decoded) << decoded.error();
    EXPECT_EQ(decoded->message, row.message);
    EXPECT_EQ(decoded->broadcast, row.broadcast);
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
    {"RoutedIAm", "81 0B 00 18 01 08 00 05 01 2A 10 00 C4 02 00 30 39 22 05 C4 91 03 21 00", IAm{12345, 1476, 3, 0}, 5},
    {"GlobalWhoIsWithHopCount", "81 0B 00 0C 01 20 FF FF 00 FF 10 08", WhoIs{}, std::nullopt},
    {"DestinationSourceAndHopCount", "81 0B 00 15 01 28 FF FF 00 00 07 06 C0 A8 00 09 BA C0 FE 10 08", WhoIs{}, 7},
    {"Ucs2Text", "81 0A 00 19 01 00 30 01 0C 0C 02 00 30 39 19 4D 3E 75 05 04 00 48 00 E9 3F",
     ReadPropertyAck{1, {8, 12345}, kObjectName, std::string("H\xC3\xA9")}, std::nullopt},
    {"Latin1Text", "81 0A 00 15 01 00 30 01 0C 0C 02 00 30 39 19 3A 3E 72 05 E9 3F",
     ReadPropertyAck{1, {8, 12345}, kLocation, std::string("\xC3\xA9")}, std::nullopt},
    {"Set0NotUtf8ReadAsWindows1252", "81 0A 00 15 01 00 30 01 0C 0C 02 00 30 39 19 1C 3E 72 00 80 3F",
     ReadPropertyAck{1, {8, 12345}, kDescription, std::string("\xE2\x82\xAC")}, std::nullopt},
    {"ArrayIndexAndAList", "81 0A 00 18 01 00 30 01 0C 0C 02 00 30 39 19 4D 29 01 3E 21 07 21 08 3F",
     ReadPropertyAck{1, {8, 12345}, kObjectName, OtherValue{2}, 1}, std::nullopt},
    {"ConstructedValue", "81 0A 00 16 01 00 30 01 0C 0C 02 00 30 39 19 4D 3E 0E 91 00 0F 3F",
     ReadPropertyAck{1, {8, 12345}, kObjectName, OtherValue{0}}, std::nullopt},
    {"EmptyList", "81 0A 00 12 01 00 30 01 0C 0C 02 00 30 39 19 1E 3E 3F",
     ReadPropertyAck{1, {8, 12345}, kDeviceAddressBinding, OtherValue{0}}, std::nullopt},
    // 72 02 41: a string of 2 octets in character set 2 (JIS X 0208), which needs tables to read.
    {"Charset2Text", "81 0A 00 15 01 00 30 01 0C 0C 02 00 30 39 19 4D 3E 72 02 41 3F",
     ReadPropertyAck{1, {8, 12345}, kObjectName, UnreadableText{"in character set 2"}}, std::nullopt},
    {"Ucs2OddLength", "81 0A 00 15 01 00 30 01 0C 0C 02 00 30 39 19 4D 3E 72 04 41 3F",
     ReadPropertyAck{1, {8, 12345}, kObjectName, UnreadableText{"in UCS-2 cut inside a character"}}, std::nullopt},
    // 0E: ReadPropertyMultiple's acknowledgement; its results are kept as they came.
    {"ReadMultipleAck", "81 0A 00 16 01 00 30 01 0E 0C 02 00 30 39 1E 29 4D 4E 21 07 4F 1F",
     ReadPropertyMultipleAck{1, hex("0C 02 00 30 39 1E 29 4D 4E 21 07 4F 1F")}, std::nullopt},
    {"ReadPropertyCutShort", "81 0A 00 0F 01 04 00 05 01 0C 0C 02 00 30 39", InvalidRequest{1, 5}, std::nullopt},
    // 21 4D: the property as an application tag, not context tag 1: invalid-tag (4).
    {"ReadPropertyWrongTag", "81 0A 00 11 01 04 00 05 01 0C 0C 02 00 30 39 21 4D", InvalidRequest{1, 4}, std::nullopt},
    {"ReadPropertyTooLong", "81 0A 00 12 01 04 00 05 01 0C 0C 02 00 30 39 19 4D 00", InvalidRequest{1, 7},
     std::nullopt},
};

class ReceivedBytes : public ::testing::TestWithParam<Received> {};

}  // namespace

TEST_P(ReceivedBytes, Decode) {
    const auto decoded = decode(hex(GetParam().bytes));
    ASSERT_TRUE(decoded) << decoded.error();
    EXPECT_EQ(decoded->message, GetParam().message);
    EXPECT_EQ(decoded->sourceNetwork, GetParam().sourceNetwork);
}
INSTANTIATE_TEST_SUITE_P(Messages, ReceivedBytes, ::testing::ValuesIn(kReceived),
                         [](const auto& info) { return std::string(info.param.name); });

// ReadPropertyMultiple-ACK results: binary-input 3 (0C 00 C0 00 03, 1E): 29 55 present-value 4E 91 01 4F,
// 29 6F status-flags 4E 82 04 80 (in-alarm set) 4F, 29 4D object-name 5E 91 02 91 20 (unknown-property) 5F, 1F;
// analog-input 1 (0C 00 00 00 01): 29 55 4E 44 41 AC 00 00 (21.5) 4F, 29 4D 4E 75 03 00 41 31 ("A1") 4F.
TEST(PointValues, ReadAccessResults) {
    const auto readings =
        readAccessResults(hex("0C 00 C0 00 03 1E 29 55 4E 91 01 4F 29 6F 4E 82 04 80 4F 29 4D 5E 91 02 "
                              "91 20 5F 1F 0C 00 00 00 01 1E 29 55 4E 44 41 AC 00 00 4F 29 4D 4E 75 03 "
                              "00 41 31 4F 1F"));
    ASSERT_TRUE(readings);
    ASSERT_EQ(readings->size(), 5u);
    EXPECT_EQ((*readings)[0].values, std::vector<Primitive>{Enumerated{1}});
    EXPECT_EQ((*readings)[1].values.front(), Primitive(BitString{{true, false, false, false}}));
    EXPECT_EQ((*readings)[2].error, "error class 2, code 32");
    EXPECT_EQ((*readings)[3].object, (ObjectId{0, 1}));
    EXPECT_EQ((*readings)[3].values, std::vector<Primitive>{21.5f});
    EXPECT_EQ((*readings)[4].values, std::vector<Primitive>{std::string("A1")});
    for (const char* bad : {"0C 00 C0 00 03 1E 29 55 4E 91 01", "0C 00 C0 00 03 1E 29 55 6E 6F 1F", "1E 1F"})
        EXPECT_FALSE(readAccessResults(hex(bad))) << bad;
}

// A COV notification's values: 09 55 2E 91 00 2F inactive, 09 6F 2E 82 04 00 2F; a value of type 5 (Double) is
// not read; a text in character set 2 cannot be.
TEST(PointValues, CovValues) {
    const auto values = propertyValues(hex("09 55 2E 91 00 2F 39 08 09 6F 2E 82 04 00 2F 09 1C 2E 55 08 00 00 00 00 00 "
                                           "00 00 00 2F 09 4D 2E 72 02 41 2F"),
                                       {3, 3});
    ASSERT_TRUE(values);
    ASSERT_EQ(values->size(), 4u);
    EXPECT_EQ((*values)[0].values, std::vector<Primitive>{Enumerated{0}});
    EXPECT_EQ((*values)[1].values.front(), Primitive(BitString{{false, false, false, false}}));
    EXPECT_EQ((*values)[2].error, "a value this tool does not read");
    EXPECT_EQ((*values)[3].error, "the device sent a text in character set 2, which this tool cannot read");
    EXPECT_FALSE(propertyValues(hex("09 55 2E 91 00"), {3, 3}));
}

TEST(Decode, ForwardedIAmNamesTheDeviceBehindTheBbmd) {
    const auto decoded = decode(hex("81 04 00 1A C0 A8 00 09 BA C0 01 00 10 00 C4 02 00 30 39 22 05 C4 91 03 21 00"));
    ASSERT_TRUE(decoded) << decoded.error();
    EXPECT_EQ(decoded->forwardedFrom, (Endpoint{{192, 168, 0, 9}, 47808}));
}

TEST(Decode, RefusesWhatIsMalformed) {
    for (const char* bytes :
         {"", "82 0A 00 08 01 00 10 08", "81 0B 00 09 01 00 10 08", "81 05 00 08 01 00 10 08", "81 0A 00 07 01 80 00",
          "81 0B 00 0B 01 08 00 05 00 10 08", "81 0B 00 0A 01 00 10 08 09 05",
          "81 0B 00 10 01 00 10 08 0B 40 00 00 1B 40 00 00", "81 0A 00 09 01 00 10 08 00", "81 0A 00 09 01 00 38 01 0C",
          "81 0A 00 13 01 00 30 01 0C 0C 02 00 30 39 19 4D 3E 1F 3F", "81 0A 00 0B 01 00 10 00 C4 02 00"})
        EXPECT_FALSE(decode(hex(bytes))) << bytes;
}

TEST(Decode, EveryCutIsRefused) {
    for (const char* whole : {kExact[3].bytes, kExact[6].bytes, kExact[8].bytes, kReceived[2].bytes}) {
        const auto bytes = hex(whole);
        for (std::size_t size = 4; size < bytes.size(); ++size) {
            std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
            cut[3] = static_cast<std::uint8_t>(size);
            EXPECT_FALSE(decode(cut)) << whole << " cut to " << size;
        }
    }
}

TEST(Endpoints, ParseAndFormat) {
    EXPECT_EQ(parseEndpoint("127.0.0.1", 47808), (Endpoint{{127, 0, 0, 1}, 47808}));
    EXPECT_EQ(parseEndpoint("10.1.2.255:47900", 47808), (Endpoint{{10, 1, 2, 255}, 47900}));
    for (const char* bad : {"", "1.2.3", "1.2.3.256", "1.2.3.4:", "1.2.3.4:0", "1.2.3.4:65536", "1.2.3.4 ", "a.b.c.d"})
        EXPECT_FALSE(parseEndpoint(bad, 47808)) << bad;
    EXPECT_EQ(formatEndpoint({{192, 168, 0, 6}, 47808}), "192.168.0.6:47808");
    // The device an image configures, or why none can be asked for.
    EXPECT_EQ(formatEndpoint(configuredDevice(defaults())->at), "192.168.0.6:47808");
    vaskiro::core::ConfigurationImage image = defaults();
    image.setDhcpEnable(true);
    EXPECT_EQ(formatEndpoint(configuredDevice(image)->at), "255.255.255.255:47808");
    image.setBacnetPort(0);
    EXPECT_EQ(configuredDevice(image).error(), "The BACnet port 0 is not a UDP port (1 to 65535).");
}

TEST(SimulatedDevice, AnswersFromItsConfiguration) {
    vaskiro::core::ConfigurationImage image = defaults();
    const std::pair<const char*, const char*> exchanges[] = {
        {"81 0B 00 08 01 00 10 08", "81 0A 00 14 01 00 10 00 C4 02 00 30 39 22 05 C4 91 03 21 00"},
        {"81 0B 00 0E 01 00 10 08 0A 30 3A 1A 30 3A", ""},
        {"81 0A 00 11 01 04 00 05 01 0C 0C 02 00 30 39 19 3A",
         "81 0A 00 1A 01 00 30 01 0C 0C 02 00 30 39 19 3A 3E 75 06 00 45 61 72 74 68 3F"},
        {"81 0A 00 11 01 04 00 05 01 0C 0C 02 00 30 39 19 55", "81 0A 00 0D 01 00 50 01 0C 91 02 91 20"},
        {"81 0A 00 11 01 04 00 05 01 0C 0C 02 00 30 3A 19 4D", "81 0A 00 0D 01 00 50 01 0C 91 01 91 1F"},
        {"81 0A 00 0A 01 04 00 05 02 1A", "81 0A 00 09 01 00 60 02 09"},
    };
    expectAnswers(exchanges, [&](const Message& request) { return answer(image, {}, request); });
}

// Requests as a third-party client sends them, and the replies worked out from the configuration below.
// Objects: device 02 00 30 39 (wildcard 02 3F FF FF), binary-input 1 00 C0 00 01, binary-output 2 01 00 00 02,
// analog-input 1 00 00 00 01. Acks: 30 01 0C, the object, the property (19 nn, or 1A nn nn), 3E value 3F.
TEST(SimulatedDevice, PresentsTheDeviceAndItsPointsToAnyClient) {
    vaskiro::core::ConfigurationImage image = defaults();
    image.setFlag(vaskiro::core::FlagGroup::InvertInput, 1, true);
    image.setFlag(vaskiro::core::FlagGroup::OutputStartStatus, 2, true);
    const std::pair<const char*, const char*> exchanges[] = {
        // object-list[0] of the wildcard device: 41 objects (21 29), the ack naming the device's own instance.
        {"81 0A 00 13 01 04 00 05 01 0C 0C 02 3F FF FF 19 4C 29 00",
         "81 0A 00 16 01 00 30 01 0C 0C 02 00 30 39 19 4C 29 00 3E 21 29 3F"},
        {"81 0A 00 13 01 04 00 05 01 0C 0C 02 00 30 39 19 4C 29 02",
         "81 0A 00 19 01 00 30 01 0C 0C 02 00 30 39 19 4C 29 02 3E C4 00 C0 00 01 3F"},
        // object-list[42]: invalid-array-index (42); object-name[1]: property-is-not-an-array (50).
        {"81 0A 00 13 01 04 00 05 01 0C 0C 02 00 30 39 19 4C 29 2A", "81 0A 00 0D 01 00 50 01 0C 91 02 91 2A"},
        {"81 0A 00 13 01 04 00 05 01 0C 0C 02 00 30 39 19 4D 29 01", "81 0A 00 0D 01 00 50 01 0C 91 02 91 32"},
        // object-type device (91 08); protocol-services-supported: 41 bits, 7 unused, subscribeCOV (5),
        // readProperty (12), readPropertyMultiple (14), writeProperty (15), who-Is (34);
        // protocol-object-types-supported: 55 bits, 1 unused,
        // analog-input 0, binary-input 3, binary-output 4, device 8; device-address-binding: an empty list.
        {"81 0A 00 11 01 04 00 05 01 0C 0C 02 00 30 39 19 4F",
         "81 0A 00 14 01 00 30 01 0C 0C 02 00 30 39 19 4F 3E 91 08 3F"},
        {"81 0A 00 11 01 04 00 05 01 0C 0C 02 00 30 39 19 61",
         "81 0A 00 1B 01 00 30 01 0C 0C 02 00 30 39 19 61 3E 85 07 07 04 0B 00 00 20 00 3F"},
        {"81 0A 00 11 01 04 00 05 01 0C 0C 02 00 30 39 19 60",
         "81 0A 00 1C 01 00 30 01 0C 0C 02 00 30 39 19 60 3E 85 08 01 98 80 00 00 00 00 00 3F"},
        {"81 0A 00 11 01 04 00 05 01 0C 0C 02 00 30 39 19 1E", "81 0A 00 12 01 00 30 01 0C 0C 02 00 30 39 19 1E 3E 3F"},
        // binary-input 1: present-value inactive, polarity reverse (inverted), status-flags 4 bits all clear,
        // property-list: present-value, description, status-flags, event-state, out-of-service, polarity.
        {"81 0A 00 11 01 04 00 05 01 0C 0C 00 C0 00 01 19 55",
         "81 0A 00 14 01 00 30 01 0C 0C 00 C0 00 01 19 55 3E 91 00 3F"},
        {"81 0A 00 11 01 04 00 05 01 0C 0C 00 C0 00 01 19 54",
         "81 0A 00 14 01 00 30 01 0C 0C 00 C0 00 01 19 54 3E 91 01 3F"},
        {"81 0A 00 11 01 04 00 05 01 0C 0C 00 C0 00 01 19 6F",
         "81 0A 00 15 01 00 30 01 0C 0C 00 C0 00 01 19 6F 3E 82 04 00 3F"},
        {"81 0A 00 12 01 04 00 05 01 0C 0C 00 C0 00 01 1A 01 73",
         "81 0A 00 1F 01 00 30 01 0C 0C 00 C0 00 01 1A 01 73 3E 91 55 91 1C 91 6F 91 24 91 51 91 54 3F"},
        // binary-output 2 starts active: relinquish-default 1; a priority array of 16.
        {"81 0A 00 11 01 04 00 05 01 0C 0C 01 00 00 02 19 68",
         "81 0A 00 14 01 00 30 01 0C 0C 01 00 00 02 19 68 3E 91 01 3F"},
        {"81 0A 00 13 01 04 00 05 01 0C 0C 01 00 00 02 19 57 29 00",
         "81 0A 00 16 01 00 30 01 0C 0C 01 00 00 02 19 57 29 00 3E 21 10 3F"},
        // analog-input 1: units 95 (no-units), cov-increment 1024.0 (real 44 80 00 00), its name.
        {"81 0A 00 11 01 04 00 05 01 0C 0C 00 00 00 01 19 75",
         "81 0A 00 14 01 00 30 01 0C 0C 00 00 00 01 19 75 3E 91 5F 3F"},
        {"81 0A 00 11 01 04 00 05 01 0C 0C 00 00 00 01 19 16",
         "81 0A 00 17 01 00 30 01 0C 0C 00 00 00 01 19 16 3E 44 44 80 00 00 3F"},
        {"81 0A 00 11 01 04 00 05 01 0C 0C 00 00 00 01 19 4D",
         "81 0A 00 1F 01 00 30 01 0C 0C 00 00 00 01 19 4D 3E 75 0B 00 41 6E 61 6C 6F 67 75 65 20 31 3F"},
        // binary-input 17 does not exist: unknown-object.
        {"81 0A 00 11 01 04 00 05 01 0C 0C 00 C0 00 11 19 55", "81 0A 00 0D 01 00 50 01 0C 91 01 91 1F"},
        // Truncated, wrongly tagged, too long: Reject 5, 4, 7; segmented: Abort 4 with the server bit.
        {"81 0A 00 0D 01 04 00 05 01 0C 0C 02 00", "81 0A 00 09 01 00 60 01 05"},
        {"81 0A 00 11 01 04 00 05 01 0C 0C 02 00 30 39 21 4D", "81 0A 00 09 01 00 60 01 04"},
        {"81 0A 00 12 01 04 00 05 01 0C 0C 02 00 30 39 19 4D 00", "81 0A 00 09 01 00 60 01 07"},
        {"81 0A 00 0E 01 04 0C 05 01 00 01 0C 0C 02", "81 0A 00 09 01 00 71 01 04"},
        // The whole object-list (205 octets) for a client that takes at most 50 (00): no segmentation, so Abort.
        {"81 0A 00 11 01 04 00 00 01 0C 0C 02 00 30 39 19 4C", "81 0A 00 09 01 00 71 01 04"},
        // ReadPropertyMultiple: device object-name and object-list[0]; ALL of binary-input 99, which is not
        // there (29 08, then 5E the error: object, unknown-object 5F).
        {"81 0A 00 20 01 04 00 05 01 0E 0C 02 3F FF FF 1E 09 4D 09 4C 19 00 1F 0C 00 C0 00 63 1E 09 08 1F",
         "81 0A 00 35 01 00 30 01 0E 0C 02 00 30 39 1E 29 4D 4E 75 08 00 56 41 53 4B 49 52 4F 4F 29 4C 39 00 4E 21 29 "
         "4F 1F 0C 00 C0 00 63 1E 29 08 5E 91 01 91 1F 5F 1F"},
    };
    SimulatedDevice device(image, {});
    expectAnswers(exchanges, [&](const Message& request) { return device.answer(request); });
}

TEST(Client, WhenTheBacnetPortIsTakenItListensOnItsOwnAndSaysSo) {
    std::string warning;
    auto holder = UdpSocket::open({{127, 0, 0, 1}, 0}, false);
    ASSERT_TRUE(holder) << holder.error();
    auto client = Client::open((*holder)->localEndpoint().port, warning);
    ASSERT_TRUE(client) << client.error();
    EXPECT_NE(warning.find("devices that broadcast their I-Am may be missed"), std::string::npos) << warning;
}

// WriteProperty on binary-output 2 (01 00 00 02) at priority 8 and its priority-array[8] (19 57 29 08): active
// (91 01), then released (00); refused: write-access-denied (28) on binary-input 1, value-out-of-range (25) for
// 91 02, invalid-data-type (09) for a Real (44 3F 80 00 00). SubscribeCOV of binary-input 3: a SimpleAck (20 01 05);
// confirmed notifications: services (05), cov-subscription-failed (2B); binary-input 99: unknown-object (1F).
TEST(SimulatedDevice, TakesCommandsAndSubscriptions) {
    vaskiro::core::ConfigurationImage image = defaults();
    const std::pair<const char*, const char*> exchanges[] = {
        {"81 0A 00 17 01 04 00 05 03 0F 0C 01 00 00 02 19 55 3E 91 01 3F 49 08", "81 0A 00 09 01 00 20 03 0F"},
        {"81 0A 00 13 01 04 00 05 01 0C 0C 01 00 00 02 19 57 29 08",
         "81 0A 00 16 01 00 30 01 0C 0C 01 00 00 02 19 57 29 08 3E 91 01 3F"},
        {"81 0A 00 11 01 04 00 05 01 0C 0C 01 00 00 02 19 55",
         "81 0A 00 14 01 00 30 01 0C 0C 01 00 00 02 19 55 3E 91 01 3F"},
        {"81 0A 00 16 01 04 00 05 04 0F 0C 01 00 00 02 19 55 3E 00 3F 49 08", "81 0A 00 09 01 00 20 04 0F"},
        {"81 0A 00 13 01 04 00 05 01 0C 0C 01 00 00 02 19 57 29 08",
         "81 0A 00 15 01 00 30 01 0C 0C 01 00 00 02 19 57 29 08 3E 00 3F"},
        {"81 0A 00 17 01 04 00 05 03 0F 0C 00 C0 00 01 19 55 3E 91 01 3F 49 08",
         "81 0A 00 0D 01 00 50 03 0F 91 02 91 28"},
        {"81 0A 00 17 01 04 00 05 03 0F 0C 01 00 00 02 19 55 3E 91 02 3F 49 08",
         "81 0A 00 0D 01 00 50 03 0F 91 02 91 25"},
        {"81 0A 00 1A 01 04 00 05 03 0F 0C 01 00 00 02 19 55 3E 44 3F 80 00 00 3F 49 08",
         "81 0A 00 0D 01 00 50 03 0F 91 02 91 09"},
        {"81 0A 00 16 01 04 00 05 01 05 09 01 1C 00 C0 00 03 29 01 3A 01 2C", "81 0A 00 0D 01 00 50 01 05 91 05 91 2B"},
        {"81 0A 00 16 01 04 00 05 01 05 09 01 1C 00 C0 00 63 29 00 3A 01 2C", "81 0A 00 0D 01 00 50 01 05 91 01 91 1F"},
        {"81 0A 00 16 01 04 00 05 01 05 09 01 1C 00 C0 00 03 29 00 3A 01 2C", "81 0A 00 09 01 00 20 01 05"},
    };
    SimulatedDevice device(image, {});
    expectAnswers(exchanges, [&](const Message& request) { return device.answer(request); });
    // At once a notification of binary-input 3: 3A 01 2C 300 s left, inactive, no flags; then none until a change.
    auto told = device.takeNotifications();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(encode(told.front().second, false),
              hex("81 0A 00 26 01 00 10 02 09 01 1C 02 00 30 39 2C 00 C0 00 03 3A 01 "
                  "2C 4E 09 55 2E 91 00 2F 09 6F 2E 82 04 00 2F 4F"));
    EXPECT_TRUE(device.takeNotifications().empty());
    EXPECT_EQ(device.points().apply("input.3 on"), "");
    EXPECT_EQ(device.takeNotifications().size(), 1u);
}

TEST(SimulatedPoints, LinesSetInputsAndAnalogues) {
    vaskiro::core::ConfigurationImage image = defaults();
    SimulatedPoints points(image);
    EXPECT_EQ(points.apply("analogue.8 -21.5"), "");
    EXPECT_EQ(points.analogue(8), -21.5f);
    EXPECT_EQ(points.apply("input.16 on"), "");
    EXPECT_TRUE(points.input(16));
    for (const char* bad : {"input.17 on", "input.0 on", "input.3 maybe", "analogue.2 nan", "analogue.9 1",
                            "output.1 on", "input.3 on now", "input3 on", "analogue.2 21.5x", ""})
        EXPECT_NE(points.apply(bad), "") << bad;
}
