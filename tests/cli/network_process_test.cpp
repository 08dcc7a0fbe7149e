// discover and check against devices simulated by simulate-network, on
// loopback addresses and ports the kernel has just handed out.

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include "core/data_file.h"
#include "tool_run.h"

using namespace vaskiro::config;

namespace {

int freePort() {
    const int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    close(s);
    return ntohs(address.sin_port);
}

// simulate-network in the background, from its first line (it answers from
// then on) until the test ends; --for bounds it should the test not.
class SimulatedNetworkDevice {
public:
    explicit SimulatedNetworkDevice(const std::string& arguments) {
        int fds[2];
        if (pipe(fds) != 0) return;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
            const std::string command = "exec " + std::string(VASKIRO_TOOL) + " simulate-network --for 30 " + arguments;
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        m_out = fdopen(fds[0], "r");
        char line[256] = {};
        if (m_out && fgets(line, sizeof line, m_out)) firstLine = line;
    }
    ~SimulatedNetworkDevice() {
        if (m_pid > 0) kill(m_pid, SIGTERM);
        int status = 0;
        if (m_pid > 0) waitpid(m_pid, &status, 0);
        if (m_out) fclose(m_out);
    }
    std::string firstLine;

private:
    pid_t m_pid = -1;
    FILE* m_out = nullptr;
};

class NetworkCheck : public VaskiroTool {
protected:
    void SetUp() override {
        VaskiroTool::SetUp();
        m_port = std::to_string(freePort());
        ConfigurationImage image;
        image.SetDefaults();
        image.setAddress(AddressField::IPAddress, {127, 0, 0, 1});
        image.setBacnetPort(std::stoi(m_port));
        ASSERT_TRUE(writeDataFile(path("site.dat"), image).ok);
        image.setText(TextField::DeviceName, "Boiler 2");
        ASSERT_TRUE(writeDataFile(path("other.dat"), image).ok);
        ASSERT_EQ(runTool("--simulate=" + path("state.dat") + " write " + path("site.dat")).code, 0);
    }
    std::string m_port;
};

}  // namespace

TEST_F(NetworkCheck, FindsTheWrittenDeviceAndTellsWhatDiffers) {
    SimulatedNetworkDevice device(path("state.dat"));
    ASSERT_EQ(device.firstLine, "Simulated BACnet device 12345 answering on 127.0.0.1:" + m_port + "\n");

    ToolRun found = runTool("check " + path("site.dat") + " --timeout 0.5");
    EXPECT_EQ(found.code, 0) << found.out;
    EXPECT_EQ(found.out, "BACnet device 12345 answered from 127.0.0.1:" + m_port +
                             "\naddress: ok\nport: ok\nobject-name: ok\nlocation: ok\ndescription: ok\n"
                             "Device found on the network as configured\n");

    ToolRun differs = runTool("check " + path("other.dat") + " --timeout 0.5");
    EXPECT_EQ(differs.code, 3);
    EXPECT_NE(differs.out.find("\nobject-name: differs: device has \"VASKIRO\"\n"), std::string::npos) << differs.out;

    ToolRun discover = runTool("discover --to 127.0.0.1:" + m_port + " --timeout 0.5 --instance 12345");
    EXPECT_EQ(discover.code, 0);
    EXPECT_EQ(discover.out, "12345\t127.0.0.1:" + m_port + "\t0\tVASKIRO\n");
}

TEST_F(NetworkCheck, NothingAnsweringExitsWithOne) {
    ToolRun check = runTool("check " + path("site.dat") + " --timeout 0.3");
    EXPECT_EQ(check.code, 1);
    EXPECT_NE(check.out.find("Nothing answered as BACnet device 12345 at 127.0.0.1:" + m_port), std::string::npos);
    EXPECT_EQ(runTool("discover --to 127.0.0.1:" + m_port + " --timeout 0.3").code, 1);
}

TEST_F(NetworkCheck, TwoDevicesWithOneInstanceAreBothFlagged) {
    SimulatedNetworkDevice first(path("state.dat") + " --at 127.0.0.2:" + m_port);
    SimulatedNetworkDevice second(path("state.dat") + " --at 127.0.0.3:" + m_port);
    ASSERT_FALSE(first.firstLine.empty() || second.firstLine.empty());
    const std::string broadcast = " --to 127.255.255.255:" + m_port + " --timeout 0.5";

    ToolRun check = runTool("check " + path("site.dat") + broadcast);
    EXPECT_EQ(check.code, 3);
    EXPECT_NE(check.out.find("duplicate instance"), std::string::npos) << check.out;

    ToolRun discover = runTool("discover" + broadcast);
    EXPECT_EQ(discover.code, 0);
    EXPECT_EQ(discover.out, "12345\t127.0.0.2:" + m_port + "\t0\tVASKIRO\tduplicate instance\n12345\t127.0.0.3:" +
                                m_port + "\t0\tVASKIRO\tduplicate instance\n");
}
