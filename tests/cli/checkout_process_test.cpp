// watch and drive against simulate-network on a loopback port: points set
// through the device's standard input, polling where it refuses COV, a
// device killed and started again, commands read back, and outputs released
// on every way out. The device's priority arrays are read here by hand.

#include <sstream>

#include "core/data_file.h"
#include "tool_run.h"

using namespace vaskiro::core;
using Clock = std::chrono::steady_clock;

namespace {

class Checkout : public VaskiroTool {
protected:
    void SetUp() override {
        VaskiroTool::SetUp();
        // A port the kernel hands out, for the device; a socket of its own, for reading the priority arrays.
        m_device = {AF_INET, htons(static_cast<std::uint16_t>(freePort())), {htonl(INADDR_LOOPBACK)}, {}};
        m_socket = socket(AF_INET, SOCK_DGRAM, 0);
        ConfigurationImage image;
        image.SetDefaults();
        image.setAddress(AddressField::IPAddress, {127, 0, 0, 1});
        image.setBacnetPort(ntohs(m_device.sin_port));
        ASSERT_TRUE(writeDataFile(path("site.dat"), image));
        ASSERT_EQ(runTool("--simulate=" + path("state.dat") + " write " + path("site.dat")).code, 0);
    }
    void TearDown() override {
        simulated.reset();
        close(m_socket);
        VaskiroTool::TearDown();
    }
    // The priority-array (19 57) of binary-output N (01 00 00 0N): the octets between 3E and 3F of the reply.
    std::string priorityArray(int output) {
        const std::uint8_t request[] = {0x81, 0x0A, 0x00, 0x11, 0x01,
                                        0x04, 0x00, 0x05, 0x01, 0x0C,
                                        0x0C, 0x01, 0x00, 0x00, static_cast<std::uint8_t>(output),
                                        0x19, 0x57};
        sendto(m_socket, request, sizeof request, 0, reinterpret_cast<sockaddr*>(&m_device), sizeof m_device);
        pollfd p{m_socket, POLLIN, 0};
        std::uint8_t reply[200];
        const ssize_t got = poll(&p, 1, 1000) > 0 ? recv(m_socket, reply, sizeof reply, 0) : 0;
        std::ostringstream hex;
        for (ssize_t i = 17; i < got - 1; ++i) hex << (i > 17 ? " " : "") << std::hex << int{reply[i]};
        return hex.str();
    }
    std::string device(const char* options = "") {
        return "simulate-network --for 30 " + path("state.dat") + " " + options;
    }
    // The device, answering on its port until the test ends.
    void startDevice(const char* options = "") {
        simulated = std::make_unique<Process>(device(options), "answering on");
        ASSERT_NE(simulated->ready, "");
    }
    std::unique_ptr<Process> simulated;

    sockaddr_in m_device{};
    int m_socket = -1;
};

const char* const kEmpty = "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0";
const char* const kOnAt8 = "0 0 0 0 0 0 0 91 1 0 0 0 0 0 0 0 0";

}  // namespace

TEST_F(Checkout, WatchSeesAnInputSetAtTheDeviceWithinASecond) {
    ASSERT_NO_FATAL_FAILURE(startDevice());
    Process watch("watch --json --for 20 " + path("site.dat"));
    ASSERT_NE(watch.lineWith("\"kind\":\"analogue\",\"channel\":8"), "") << watch.all;
    ASSERT_NE(watch.lineWith("40 by COV"), "") << watch.all;
    // Beneath the COV increment (1024 by default), but read every 2 s.
    simulated->write("analogue.2 0.1\n");
    EXPECT_NE(watch.lineWith("\"channel\":2,\"object\":\"analog-input,2\",\"name\":\"Analogue 2\",\"value\":0.1",
                             std::chrono::seconds(3)),
              "")
        << watch.all;
    const auto set = Clock::now();
    simulated->write("input.3 on\n");
    const std::string line = watch.lineWith("\"channel\":3", std::chrono::seconds(1));
    EXPECT_LT(Clock::now() - set, std::chrono::seconds(1));
    EXPECT_TRUE(holds(line,
                      "\"kind\":\"input\",\"channel\":3,\"object\":\"binary-input,3\",\"name\":\"Input 3\","
                      "\"value\":\"on\",\"units\":null,\"flags\":[],\"read_at\":\"20"))
        << watch.all;
    watch.interrupt();
    EXPECT_EQ(watch.finish(), 0) << watch.all;
}

TEST_F(Checkout, ARefusedSubscriptionIsPolled) {
    ASSERT_NO_FATAL_FAILURE(startDevice("--no-cov"));
    Process watch("watch --for 20 " + path("site.dat"));
    ASSERT_NE(watch.lineWith("0 by COV, 40 read every second"), "") << watch.all;
    simulated->write("analogue.2 21.5\n");
    EXPECT_NE(watch.lineWith("analogue.2\tanalog-input,2\tAnalogue 2\t21.5 No Units\tnormal", std::chrono::seconds(2)),
              "")
        << watch.all;
}

TEST_F(Checkout, DriveHoldsUntilReleaseAndWatchReleasesOnCtrlC) {
    ASSERT_NO_FATAL_FAILURE(startDevice());
    ToolRun on = runTool("drive " + path("site.dat") + " output.2 on");
    EXPECT_EQ(on.code, 0) << on.out;
    EXPECT_TRUE(holds(on.out, "output.2 on, held at priority 8; it stays so until"));
    EXPECT_EQ(priorityArray(2), kOnAt8);
    EXPECT_EQ(runTool("drive " + path("site.dat") + " output.2 release").code, 0);
    EXPECT_EQ(priorityArray(2), kEmpty);
    EXPECT_EQ(runTool("drive " + path("site.dat") + " output.2 on --priority 17").code, 2);

    Process watch("watch --for 20 " + path("site.dat"));
    ASSERT_NE(watch.lineWith("by COV"), "") << watch.all;
    watch.write("output.5 on\n");
    ASSERT_NE(watch.lineWith("output.5\tbinary-output,5\tOutput 5\ton\tnormal\tread "), "") << watch.all;
    EXPECT_EQ(priorityArray(5), kOnAt8);
    watch.interrupt();
    EXPECT_EQ(watch.finish(), 0) << watch.all;
    EXPECT_TRUE(holds(watch.all, "Every output driven was released."));
    EXPECT_EQ(priorityArray(5), kEmpty);
}

TEST_F(Checkout, DriveSaysWhatReallyCommandsTheOutput) {
    ASSERT_NO_FATAL_FAILURE(startDevice());
    const std::string drive = "drive " + path("site.dat") + " ";
    struct Step {
        std::string arguments;
        int code;
        std::string says;
    };
    const Step steps[] = {
        {"output.2 on --priority 5", 0, "output.2 on, held at priority 5"},
        {"output.2 off", 4, "output.2 still on: held at priority 5 by another command"},
        {"output.2 release", 4, "output.2 released at priority 8; still on: held at priority 5 by another command"},
        {"output.2 release --priority 5", 0, "output.2 released at priority 5; now off, its relinquish-default"},
        {"output.3 on", 0, "output.3 on, held at priority 8"},
        {"output.3 release --priority 9", 4, "still on: held at priority 8 by another command"},
        {"output.4 off", 0,
         "output.3 held on at priority 8, perhaps left by an earlier session: release it with: "
         "vaskiro drive " +
             path("site.dat") + " output.3 release"},
    };
    for (const Step& step : steps) {
        const ToolRun run = runTool(drive + step.arguments);
        EXPECT_EQ(run.code, step.code) << step.arguments << '\n' << run.out;
        EXPECT_NE(run.out.find(step.says), std::string::npos) << step.arguments << '\n' << run.out;
    }
}

// Each way out that can be caught releases; one that cannot (kill -9) is said by the next run.
TEST_F(Checkout, EveryEndReleasesAndALeftoverIsSaidNextTime) {
    ASSERT_NO_FATAL_FAILURE(startDevice());
    for (const char* end : {"SIGHUP", "closed output", "end of input", "SIGKILL"}) {
        Process watch("watch --for 20 " + path("site.dat"));
        ASSERT_NE(watch.lineWith("by COV"), "") << end << '\n' << watch.all;
        watch.write("output.5 on\n");
        ASSERT_NE(watch.lineWith("output.5 on, held at priority 8 until released"), "") << end << '\n' << watch.all;
        const std::string how = end;
        if (how == "SIGHUP") watch.interrupt(SIGHUP);
        if (how == "SIGKILL") watch.interrupt(SIGKILL);
        if (how == "end of input") watch.closeInput();
        if (how == "closed output") watch.closeOutput();
        EXPECT_EQ(watch.finish(), how == "SIGKILL" ? 128 : 0) << end << '\n' << watch.all;
        EXPECT_EQ(priorityArray(5), how == "SIGKILL" ? kOnAt8 : kEmpty) << end << '\n' << watch.all;
    }
    const ToolRun next = runTool("watch --for 0.1 " + path("site.dat") + " < /dev/null");
    const std::string release = "release it with: vaskiro drive " + path("site.dat") + " output.5 release";
    EXPECT_TRUE(holds(next.out, "output.5 held on at priority 8, perhaps left by an earlier session: " + release));
}

TEST_F(Checkout, ADeviceKilledIsSaidAndOneStartedAgainIsFollowed) {
    ASSERT_NO_FATAL_FAILURE(startDevice());
    Process watch("--timeout 0.5 watch --for 20 " + path("site.dat"));
    ASSERT_NE(watch.lineWith("40 by COV"), "") << watch.all;
    simulated.reset();  // killed (SIGKILL)
    EXPECT_NE(watch.lineWith("BACnet device 12345: no reply since ", std::chrono::seconds(4)), "") << watch.all;
    ASSERT_NO_FATAL_FAILURE(startDevice());
    simulated->write("input.3 on\n");
    EXPECT_NE(
        watch.lineWith("BACnet device 12345: answers again; subscribed again and read afresh", std::chrono::seconds(4)),
        "")
        << watch.all;
    EXPECT_TRUE(holds(watch.all, "input.3\tbinary-input,3\tInput 3\ton\tnormal\tread "));
    // Gone again with an output held: the release that cannot be made is said, and the exit is 1.
    watch.write("output.16 on\noutput.17 on\n");
    EXPECT_NE(watch.lineWith("Not understood: \"output.17 on\""), "") << watch.all;
    simulated.reset();  // killed (SIGKILL)
    watch.interrupt();
    EXPECT_EQ(watch.finish(), 1) << watch.all;
    const std::string release = "Release each with: vaskiro drive " + path("site.dat") + " output.N release";
    EXPECT_TRUE(
        holds(watch.all, "RELEASE FAILED: these outputs are still commanded on the device: output.16\n" + release));
}

TEST_F(Checkout, ADeviceThatLeavesReadPropertyMultipleUnansweredIsReadByReadProperty) {
    ASSERT_NO_FATAL_FAILURE(startDevice("--ignore-read-multiple"));
    const auto start = Clock::now();
    const ToolRun on = runTool("--timeout 1 drive " + path("site.dat") + " output.6 on");
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(on.code, 0) << on.out;
    EXPECT_EQ(priorityArray(6), kOnAt8);
}
