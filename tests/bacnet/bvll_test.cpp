#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "bacnet/bvll.h"
#include "bacnet/client.h"
#include "bacnet/simulated/simulated_bbmd.h"
#include "bacnet/udp_socket.h"
#include "hex_bytes.h"

using namespace vaskiro::bacnet;

namespace {

const std::vector<std::uint8_t> kWhoIsNpdu = hex("01 00 10 08");  // version 1, no routing, Who-Is without range

// 81 BACnet/IP, the function, the length of the whole datagram (2 octets), then the fields.
const std::pair<LinkMessage, const char*> kLinkMessages[] = {
    {BvlcResult{kBvlcSuccess}, "81 00 00 06 00 00"},
    {BvlcResult{kRegisterForeignDeviceNak}, "81 00 00 06 00 30"},
    {BvlcResult{kDeleteForeignDeviceEntryNak}, "81 00 00 06 00 50"},
    {BvlcResult{kDistributeBroadcastNak}, "81 00 00 06 00 60"},
    {RegisterForeignDevice{60}, "81 05 00 06 00 3C"},                                     // TTL 60 s
    {DeleteForeignDeviceEntry{{{10, 0, 0, 7}, 47808}}, "81 08 00 0A 0A 00 00 07 BA C0"},  // 10.0.0.7:47808
    {DistributeBroadcastToNetwork{kWhoIsNpdu}, "81 09 00 08 01 00 10 08"},
    {ForwardedNpdu{{{192, 168, 1, 20}, 47809}, kWhoIsNpdu}, "81 04 00 0E C0 A8 01 14 BA C1 01 00 10 08"},
    {OriginalNpdu{true, kWhoIsNpdu}, "81 0B 00 08 01 00 10 08"},
    {OriginalNpdu{false, kWhoIsNpdu}, "81 0A 00 08 01 00 10 08"},
};

TEST(Bvll, EachMessageAsItsBytes) {
    EXPECT_EQ(encodeNpdu(WhoIs{}), kWhoIsNpdu);
    for (const auto& [message, bytes] : kLinkMessages) {
        EXPECT_EQ(encodeLink(message), hex(bytes)) << bytes;
        const auto decoded = decodeLink(hex(bytes));
        ASSERT_TRUE(decoded) << bytes << ": " << decoded.error();
        EXPECT_EQ(*decoded, message) << bytes;
    }
}

TEST(Bvll, RefusesWhatIsMalformedOrNotForThisTool) {
    // Length off by one, cut short, a byte too many, Read-Broadcast-Distribution-Table (0x02), not BACnet/IP.
    for (const char* bytes :
         {"81 00 00 07 00 30", "81 00 00 05 00", "81 05 00 07 00 3C 00", "81 08 00 09 0A 00 00 07 BA", "81 02 00 04",
          "82 00 00 06 00 00", "81 04 00 09 C0 A8 01 14 BA"})
        EXPECT_FALSE(decodeLink(hex(bytes))) << bytes;
    EXPECT_FALSE(decode(hex("81 00 00 06 00 30")));  // a BVLC-Result carries no NPDU
}

TEST(Bvll, ResultCodesAreNamed) {
    EXPECT_EQ(bvlcResultText(0x0030), "Register-Foreign-Device NAK");
    EXPECT_EQ(bvlcResultText(0x0050), "Delete-Foreign-Device-Table-Entry NAK");
    EXPECT_EQ(bvlcResultText(0x0060), "Distribute-Broadcast-To-Network NAK");
    EXPECT_EQ(bvlcResultText(0x0070), "result code 0x0070");
}

// A client registered for 1 s with the simulated BBMD, kept for 1.2 s, then closed; what each said.
struct Registration {
    std::string bbmd;
    std::vector<std::string> events, notes;
};
Registration registerFor1s(bool refuseRenewal) {
    auto bbmd = SimulatedBbmd::open({{127, 0, 0, 1}, 0}, {}).value();
    Registration said{formatEndpoint(bbmd->endpoint()), {}, {}};
    bbmd->onEvent([&](const std::string& line) { said.events.push_back(line); });
    std::atomic<bool> stop{false};
    std::thread serving([&] { bbmd->serve(stop, SimulatedBbmd::Clock::now() + std::chrono::seconds(10)); });
    {
        auto client = openClient(0, ForeignDevice{bbmd->endpoint(), std::chrono::seconds(1)},
                                 std::chrono::milliseconds(500), [&](const std::string& n) { said.notes.push_back(n); })
                          .value();
        EXPECT_TRUE(client->registered());
        if (refuseRenewal) bbmd->refuseRegistrations();
        client->wait(Client::Clock::now() + std::chrono::milliseconds(1200), [] { return false; });
    }
    stop = true;
    serving.join();
    return said;
}

TEST(ForeignDevice, RenewsAtHalfTheTtlAndDeletesItsEntryAtTheEnd) {
    const Registration said = registerFor1s(false);
    EXPECT_TRUE(said.notes.empty()) << said.notes.front();
    ASSERT_GE(said.events.size(), 4u);  // renewed at 0.5 s and 1 s
    EXPECT_NE(said.events[0].find("registered for 1 s (1 in the table)"), std::string::npos) << said.events[0];
    EXPECT_NE(said.events[1].find("renewed for 1 s (1 in the table)"), std::string::npos) << said.events[1];
    EXPECT_NE(said.events.back().find("deleted (0 in the table)"), std::string::npos) << said.events.back();
}

TEST(ForeignDevice, ARenewalRefusedIsSaidOnce) {
    const Registration said = registerFor1s(true);
    ASSERT_EQ(said.notes.size(), 1u);
    EXPECT_EQ(said.notes[0],
              "The registration with the BBMD at " + said.bbmd +
                  " was lost: it refused to renew it (Register-Foreign-Device NAK); devices beyond it no "
                  "longer hear this tool's broadcasts.");
}

// A BBMD played here accepts each registration, refuses the broadcast and the deletion; what the client sends.
TEST(ForeignDevice, ABroadcastOrADeletionRefusedIsSaid) {
    auto bbmd = UdpSocket::open({{127, 0, 0, 1}, 0}, false).value();
    std::vector<std::vector<std::uint8_t>> heard;
    std::thread playing([&] {
        UdpSocket* sockets[] = {bbmd.get()};
        while (UdpSocket::waitReadable(sockets, std::chrono::seconds(3)) >= 0) {
            auto received = bbmd->receive();
            if (!received) continue;
            heard.push_back(received->bytes);
            const std::uint8_t function = received->bytes[1];
            (void)bbmd->sendTo(hex(function == 0x05   ? "81 00 00 06 00 00"
                                   : function == 0x09 ? "81 00 00 06 00 60"
                                                      : "81 00 00 06 00 50"),
                               received->from);
            if (function == 0x08) break;
        }
    });
    std::vector<std::string> notes;
    const std::string at = formatEndpoint(bbmd->localEndpoint());
    std::uint16_t port = 0;
    {
        auto client = openClient(0, ForeignDevice{bbmd->localEndpoint(), std::chrono::seconds(60)},
                                 std::chrono::milliseconds(500), [&](const std::string& n) { notes.push_back(n); })
                          .value();
        port = client->localEndpoint().port;
        EXPECT_TRUE(client->sendWhoIs({{127, 255, 255, 255}, 47808}, WhoIs{}));
        client->wait(Client::Clock::now() + std::chrono::milliseconds(100), [] { return false; });
    }
    playing.join();
    ASSERT_GE(heard.size(), 4u);
    EXPECT_EQ(heard[0], hex("81 05 00 06 00 3C"));
    EXPECT_EQ(heard[1], hex("81 09 00 08 01 00 10 08"));
    EXPECT_EQ(heard[2], hex("81 05 00 06 00 3C"));  // registered again at once
    auto deletion = hex("81 08 00 0A 7F 00 00 01 00 00");
    deletion[8] = static_cast<std::uint8_t>(port >> 8), deletion[9] = static_cast<std::uint8_t>(port);
    EXPECT_EQ(heard.back(), deletion);
    EXPECT_EQ(notes,
              (std::vector<std::string>{
                  "The registration with the BBMD at " + at +
                      " was lost: it refused a broadcast (Distribute-Broadcast-To-Network NAK); registering again.",
                  "The BBMD at " + at +
                      " refused to delete the registration (Delete-Foreign-Device-Table-Entry NAK); the "
                      "registration lapses after its time-to-live (60 s)."}));
}

}  // namespace
