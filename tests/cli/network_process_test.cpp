// discover and check against devices simulated by simulate-network and
// against peers scripted here to misbehave, on loopback addresses and ports
// the kernel has just handed out.

#include <atomic>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

#include "core/data_file.h"
#include "tool_run.h"

using namespace vaskiro::core;

namespace {

int boundSocket(const char* address, int port) {
    const int s = socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in at{AF_INET, htons(static_cast<std::uint16_t>(port)), {}, {}};
    inet_pton(AF_INET, address, &at.sin_addr);
    bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at);
    return s;
}

// A BACnet device played by the test: it hears its address and the port's broadcasts, and answers each request
// with the datagrams its script gives, written out by hand as hex with ID where the request's invoke ID goes.
// A reply that starts with "!" leaves from another port of the same address.
class ScriptedPeer {
public:
    using Script = std::function<std::vector<std::string>(const std::vector<std::uint8_t>& request)>;
    ScriptedPeer(const char* address, int port, Script script)
        : m_unicast(boundSocket(address, port)),
          m_broadcast(boundSocket("0.0.0.0", port)),
          m_otherPort(boundSocket(address, 0)),
          m_thread([this, script] { serve(script); }) {}
    ~ScriptedPeer() {
        m_stop = true;
        m_thread.join();
        for (int s : {m_unicast, m_broadcast, m_otherPort}) close(s);
    }

private:
    void serve(const Script& script) {
        pollfd polls[] = {{m_unicast, POLLIN, 0}, {m_broadcast, POLLIN, 0}};
        while (!m_stop) {
            if (poll(polls, 2, 20) <= 0) continue;
            for (const pollfd& p : polls) {
                std::vector<std::uint8_t> request(1500);
                sockaddr_in from{};
                socklen_t length = sizeof from;
                const ssize_t got = recvfrom(p.fd, request.data(), request.size(), MSG_DONTWAIT,
                                             reinterpret_cast<sockaddr*>(&from), &length);
                if (got < 8) continue;
                request.resize(static_cast<std::size_t>(got));
                for (std::string reply : script(request)) {
                    const bool other = reply.front() == '!';
                    std::istringstream in(reply.substr(other ? 1 : 0));
                    std::vector<std::uint8_t> bytes;
                    for (std::string octet; in >> octet;)
                        bytes.push_back(octet == "ID" ? request[8]
                                                      : static_cast<std::uint8_t>(std::stoul(octet, nullptr, 16)));
                    sendto(other ? m_otherPort : m_unicast, bytes.data(), bytes.size(), 0,
                           reinterpret_cast<sockaddr*>(&from), length);
                }
            }
        }
    }

    int m_unicast, m_broadcast, m_otherPort;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

bool isWhoIs(const std::vector<std::uint8_t>& request) { return request[6] == 0x10 && request[7] == 0x08; }
// A ReadProperty of a device property numbered below 128: 19 nn at its end.
int readPropertyOf(const std::vector<std::uint8_t>& request) {
    return request[6] == 0x00 && request[9] == 0x0C ? request.back() : -1;
}

const char* const kIAm = "81 0A 00 14 01 00 10 00 C4 02 00 30 39 22 05 C4 91 03 21 00";  // device 12345, vendor 0
// The defaults' object-name "VASKIRO", location "Earth" and description "BACnet Device", acknowledged.
const std::map<int, std::string> kAcks = {
    {0x4D, "81 0A 00 1C 01 00 30 ID 0C 0C 02 00 30 39 19 4D 3E 75 08 00 56 41 53 4B 49 52 4F 3F"},
    {0x3A, "81 0A 00 1A 01 00 30 ID 0C 0C 02 00 30 39 19 3A 3E 75 06 00 45 61 72 74 68 3F"},
    {0x1C, "81 0A 00 22 01 00 30 ID 0C 0C 02 00 30 39 19 1C 3E 75 0E 00 42 41 43 6E 65 74 20 44 65 76 69 63 65 3F"},
};

// Answers Who-Is, and ReadProperty with what `replies` holds for the property, else the right value.
ScriptedPeer::Script answering(std::map<int, std::vector<std::string>> replies = {}) {
    return [replies](const std::vector<std::uint8_t>& request) -> std::vector<std::string> {
        if (isWhoIs(request)) return {kIAm};
        const int property = readPropertyOf(request);
        if (replies.count(property)) return replies.at(property);
        return property < 0 ? std::vector<std::string>{} : std::vector<std::string>{kAcks.at(property)};
    };
}

class NetworkCheck : public VaskiroTool {
protected:
    void SetUp() override {
        VaskiroTool::SetUp();
        m_port = std::to_string(freePort());
        ConfigurationImage image;
        image.SetDefaults();
        image.setAddress(AddressField::IPAddress, {127, 0, 0, 1});
        image.setBacnetPort(std::stoi(m_port));
        ASSERT_TRUE(writeDataFile(path("site.dat"), image));
        image.setText(TextField::DeviceName, "Boiler 2");
        ASSERT_TRUE(writeDataFile(path("other.dat"), image));
        ASSERT_EQ(runTool("--simulate=" + path("state.dat") + " write " + path("site.dat")).code, 0);
    }
    std::string simulator(const std::string& at = "") { return "simulate-network --for 30 " + path("state.dat") + at; }
    std::string m_port;
};

}  // namespace

TEST_F(NetworkCheck, FindsTheWrittenDeviceAndTellsWhatDiffers) {
    Process device(simulator(), "answering on");
    ASSERT_EQ(device.ready, "Simulated BACnet device 12345 answering on 127.0.0.1:" + m_port);

    ToolRun found;  // a device that answers at once is checked well within the bound
    EXPECT_LT(secondsFor([&] { found = runTool("check " + path("site.dat") + " --timeout 3"); }), 1.8);
    EXPECT_EQ(found.code, 0) << found.out;
    EXPECT_EQ(found.out, "BACnet device 12345 answered from 127.0.0.1:" + m_port +
                             "\naddress: ok\nport: ok\nobject-name: ok\nlocation: ok\ndescription: ok\n"
                             "Device found on the network as configured\n");

    ToolRun differs = runTool("check " + path("other.dat") + " --timeout 0.5");
    EXPECT_EQ(differs.code, 3);
    EXPECT_TRUE(holds(differs.out, "\nobject-name: differs: device has \"VASKIRO\"\n"));

    ToolRun discover = runTool("discover --to 127.0.0.1:" + m_port + " --timeout 0.5 --instance 12345");
    EXPECT_EQ(discover.code, 0);
    EXPECT_EQ(discover.out, "12345\t127.0.0.1:" + m_port + "\t0\tVASKIRO\n");
    EXPECT_EQ(runTool("discover --to 127.0.0.1:" + m_port + " --timeout 0.5 --json").out,
              "{\"instance\":12345,\"address\":\"127.0.0.1:" + m_port +
                  "\",\"vendor\":0,\"name\":\"VASKIRO\",\"duplicate\":false}\n");
}

// A Write carries 23 characters of the location: the device is checked against those.
TEST_F(NetworkCheck, ATextTheDeviceKeepsInPartIsCheckedAsItKeepsIt) {
    ConfigurationImage image;
    ASSERT_EQ(readDataFile(path("site.dat"), image).outcome, LoadOutcome::Loaded);
    image.setText(TextField::Location, "Plant room 4, north wing");
    ASSERT_TRUE(writeDataFile(path("wide.dat"), image));
    ASSERT_EQ(runTool("--simulate=" + path("state.dat") + " write " + path("wide.dat")).code, 0);
    Process device(simulator(), "answering on");
    ToolRun check = runTool("check " + path("wide.dat") + " --timeout 0.5");
    EXPECT_EQ(check.code, 0) << check.out;
    EXPECT_TRUE(holds(check.out, "\nlocation: ok (the device keeps 23 of the 24 characters configured)\n"));
}

TEST_F(NetworkCheck, NothingAnsweringExitsWithOne) {
    ToolRun check = runTool("check " + path("site.dat") + " --timeout 0.3");
    EXPECT_EQ(check.code, 1);
    EXPECT_TRUE(holds(check.out, "Nothing answered as BACnet device 12345 at 127.0.0.1:" + m_port));
    EXPECT_EQ(runTool("discover --to 127.0.0.1:" + m_port + " --timeout 0.3").code, 1);
    ToolRun watch = runTool("--timeout 0.2 watch " + path("site.dat"));
    EXPECT_EQ(watch.code, 1);
    EXPECT_TRUE(holds(watch.out, "Nothing answered as BACnet device 12345"));
}

TEST_F(NetworkCheck, TwoDevicesWithOneInstanceAreBothFlagged) {
    Process first(simulator(" --at 127.0.0.2:" + m_port), "answering on");
    Process second(simulator(" --at 127.0.0.3:" + m_port), "answering on");
    ASSERT_FALSE(first.ready.empty() || second.ready.empty());
    const std::string broadcast = " --to 127.255.255.255:" + m_port + " --timeout 0.5";

    ToolRun check = runTool("check " + path("site.dat") + broadcast);
    EXPECT_EQ(check.code, 3);
    EXPECT_TRUE(holds(check.out, "duplicate instance"));

    ToolRun discover = runTool("discover" + broadcast);
    EXPECT_EQ(discover.code, 0);
    EXPECT_EQ(discover.out, "12345\t127.0.0.2:" + m_port + "\t0\tVASKIRO\tduplicate instance\n12345\t127.0.0.3:" +
                                m_port + "\t0\tVASKIRO\tduplicate instance\n");
}

TEST_F(NetworkCheck, ASecondDeviceWithTheInstanceIsHeardThroughTheBroadcast) {
    Process configured(simulator(" --at 127.0.0.1:" + m_port), "answering on");
    Process second(simulator(" --at 127.0.0.2:" + m_port), "answering on");
    ToolRun check = runTool("check " + path("site.dat") + " --broadcast 127.255.255.255 --timeout 1");
    EXPECT_EQ(check.code, 3);
    EXPECT_TRUE(holds(check.out, "More than one device answers as instance 12345: 127.0.0.1:" + m_port +
                                     ", 127.0.0.2:" + m_port + "."));
    EXPECT_EQ(runTool("check " + path("site.dat") + " --broadcast 127.0.0").out,
              "Bad value: --broadcast 127.0.0 is not ADDRESS or ADDRESS:PORT.\n");
}

TEST_F(NetworkCheck, NoReplyIsExitOneWithinTheBoundAndNamesAreReadAtOnce) {
    auto iAmOnly = [](const std::vector<std::uint8_t>& request) {
        return isWhoIs(request) ? std::vector<std::string>{kIAm} : std::vector<std::string>{};
    };
    ToolRun check, discover;
    {
        ScriptedPeer device("127.0.0.1", std::stoi(m_port), iAmOnly);
        EXPECT_LT(secondsFor([&] { check = runTool("--timeout 0.5 check " + path("site.dat")); }), 2.0);
    }
    EXPECT_EQ(check.code, 1);
    EXPECT_TRUE(holds(check.out, "\nobject-name: cannot read: no reply\n"));
    ScriptedPeer a("127.0.0.2", std::stoi(m_port), iAmOnly), b("127.0.0.3", std::stoi(m_port), iAmOnly),
        c("127.0.0.4", std::stoi(m_port), iAmOnly);
    EXPECT_LT(secondsFor([&] { discover = runTool("discover --to 127.255.255.255:" + m_port + " --timeout 1"); }), 2.0);
    EXPECT_EQ(discover.code, 0);
    const std::string unread = "\t0\t(object-name not read: no reply)\tduplicate instance\n";
    EXPECT_EQ(discover.out, "12345\t127.0.0.2:" + m_port + unread + "12345\t127.0.0.3:" + m_port + unread +
                                "12345\t127.0.0.4:" + m_port + unread);
}

TEST_F(NetworkCheck, OnlyTheExactReplyCountsAndALostOneIsAskedAgain) {
    // Before the right answer: an Error of another service (0F), an Abort from a client (70), the answer from
    // another port, for another instance (30 3A), and for another property (3A).
    ScriptedPeer forged(
        "127.0.0.1", std::stoi(m_port),
        answering({{0x4D,
                    {"81 0A 00 0D 01 00 50 ID 0F 91 02 91 20", "81 0A 00 09 01 00 70 ID 04", "!" + kAcks.at(0x4D),
                     "81 0A 00 1C 01 00 30 ID 0C 0C 02 00 30 3A 19 4D 3E 75 08 00 41 41 41 41 41 41 41 3F",
                     kAcks.at(0x3A), kAcks.at(0x4D)}}}));
    ToolRun check = runTool("check " + path("site.dat") + " --timeout 1");
    EXPECT_EQ(check.code, 0) << check.out;
    EXPECT_TRUE(holds(check.out, "object-name: ok\n"));

    std::atomic<int> asked = 0;
    ScriptedPeer::Script dropFirst = [&asked](const std::vector<std::uint8_t>& request) {
        const bool answer = readPropertyOf(request) != 0x4D || ++asked > 1;
        return answer ? answering()(request) : std::vector<std::string>{};
    };
    ScriptedPeer recovering("127.0.0.3", std::stoi(m_port), dropFirst);
    ToolRun retried = runTool("check " + path("site.dat") + " --to 127.0.0.3 --broadcast 127.0.0.3 --timeout 1");
    EXPECT_TRUE(holds(retried.out, "object-name: ok\n"));
    EXPECT_EQ(asked, 2);
}

TEST_F(NetworkCheck, NamesAreShownEscapedAndUnreadableOnesSaidAtOnce) {
    // object-name "A\nB" ESC "[2J" (41 0A 42 1B 5B 32 4A), location an Abort by the device, description a
    // Reject; then an object-name in character set 2 and location an Error.
    ToolRun check, discover, unreadable;
    {
        ScriptedPeer device(
            "127.0.0.1", std::stoi(m_port),
            answering({{0x4D, {"81 0A 00 1C 01 00 30 ID 0C 0C 02 00 30 39 19 4D 3E 75 08 00 41 0A 42 1B 5B 32 4A 3F"}},
                       {0x3A, {"81 0A 00 09 01 00 71 ID 04"}},
                       {0x1C, {"81 0A 00 09 01 00 60 ID 09"}}}));
        check = runTool("check " + path("site.dat") + " --timeout 1");
        discover = runTool("discover --to 127.0.0.1:" + m_port + " --timeout 0.5");
    }
    EXPECT_EQ(check.code, 3);
    EXPECT_TRUE(holds(check.out,
                      "object-name: differs: device has \"A\\nB\\x1b[2J\"\nlocation: cannot read: the "
                      "device aborted the request (reason 4)\ndescription: cannot read: the device "
                      "rejected the request (reason 9)\n"));
    EXPECT_EQ(discover.out, "12345\t127.0.0.1:" + m_port + "\t0\tA\\nB\\x1b[2J\n");
    ScriptedPeer device("127.0.0.1", std::stoi(m_port),
                        answering({{0x4D, {"81 0A 00 15 01 00 30 ID 0C 0C 02 00 30 39 19 4D 3E 72 02 41 3F"}},
                                   {0x3A, {"81 0A 00 0D 01 00 50 ID 0C 91 02 91 20"}}}));
    EXPECT_LT(secondsFor([&] { unreadable = runTool("check " + path("site.dat") + " --timeout 3"); }), 2.0);
    EXPECT_EQ(unreadable.code, 1);
    EXPECT_TRUE(holds(unreadable.out,
                      "object-name: cannot read: the device sent object-name in character set 2, "
                      "which this tool cannot read\nlocation: cannot read: the device answered with "
                      "error class 2, code 32\n"));
}

TEST_F(NetworkCheck, EveryNumberOptionHasItsRangeSaidInOneLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"--timeout 1e300 check x.dat", "--timeout: takes 0.05 to 600 seconds, not 1e300"},
        {"simulate-network x.dat --for 0", "--for: takes 0.05 to 86400 seconds, not 0"},
        {"discover --instance 4194304", "--instance: takes 0 to 4194303, not 4194304"},
        {"watch x.dat --bbmd 127.0.0.1 --ttl 65536", "--ttl: takes 1 to 65535 seconds, not 65536"},
        {"commission w.csv --base b.dat --start-at 0", "--start-at: takes 1 to 1000000, not 0"},
        {"sheet --record r.csv --row 1e9 -o x.html", "--row: takes 1 to 1000000, not 1e9"}};
    for (const auto& [arguments, message] : cases) {
        ToolRun run = runTool(arguments);
        EXPECT_EQ(run.code, 2) << arguments;
        EXPECT_EQ(run.out, "vaskiro: " + std::string(message) + " (try --help)\n") << arguments;
    }
}
