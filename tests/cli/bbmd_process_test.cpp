// discover, check and watch as a foreign device of the BBMD that
// simulate-network --bbmd plays. On loopback every address is on one subnet,
// so the site stands for one behind a router by listening on a port the
// tool's own broadcast does not go to: a plain Who-Is reaches nobody, while
// the BBMD distributes it to the device whatever its port, and forwards the
// device's I-Am back.

#include "core/data_file.h"
#include "tool_run.h"

using namespace vaskiro::core;

namespace {

class ForeignDevice : public VaskiroTool {
protected:
    void SetUp() override {
        VaskiroTool::SetUp();
        m_device = std::to_string(freePort());
        m_bbmd = "127.0.0.1:" + std::to_string(freePort());
        m_elsewhere = " --to 127.255.255.255:" + std::to_string(freePort()) + " --timeout 1";
        ConfigurationImage image;
        image.SetDefaults();
        image.setAddress(AddressField::IPAddress, {127, 0, 0, 1});
        image.setBacnetPort(std::stoi(m_device));
        ASSERT_TRUE(writeDataFile(path("site.dat"), image));
        ASSERT_EQ(runTool("--simulate=" + path("state.dat") + " write " + path("site.dat")).code, 0);
    }
    std::unique_ptr<Process> site(const std::string& options = "") {
        return std::make_unique<Process>(
            "simulate-network --for 30 " + path("state.dat") + " --bbmd " + m_bbmd + options, "BBMD answering on");
    }
    std::string m_device, m_bbmd, m_elsewhere;
};

TEST_F(ForeignDevice, ReachesThroughTheBbmdWhatABroadcastDoesNotAndDeletesItsEntry) {
    auto bbmd = site();
    ASSERT_FALSE(bbmd->ready.empty()) << bbmd->all;
    EXPECT_EQ(runTool("discover" + m_elsewhere).code, 1);
    EXPECT_EQ(runTool("check " + path("site.dat") + m_elsewhere).code, 1);

    const ToolRun discover = runTool("discover" + m_elsewhere + " --bbmd " + m_bbmd);
    EXPECT_EQ(discover.code, 0) << discover.out;
    EXPECT_EQ(discover.out, "12345\t127.0.0.1:" + m_device + "\t0\tVASKIRO\n");
    EXPECT_FALSE(bbmd->lineWith("deleted (0 in the table)").empty()) << bbmd->all;
    const ToolRun check = runTool("check " + path("site.dat") + m_elsewhere + " --bbmd " + m_bbmd + " --ttl 30");
    EXPECT_EQ(check.code, 0) << check.out;
    EXPECT_TRUE(holds(check.out, "Device found on the network as configured"));
    EXPECT_TRUE(holds(bbmd->lineWith("deleted (0 in the table)"), "127.0.0.1:")) << bbmd->all;
    EXPECT_TRUE(holds(bbmd->all, "registered for 30 s (1 in the table)"));

    // A run ended by a signal deletes its entry too.
    Process watch("watch " + path("site.dat") + m_elsewhere + " --bbmd " + m_bbmd + " --for 20", "Watching");
    ASSERT_FALSE(watch.ready.empty()) << watch.all;
    watch.interrupt();
    EXPECT_EQ(watch.finish(), 0) << watch.all;
    EXPECT_FALSE(bbmd->lineWith("deleted (0 in the table)").empty()) << bbmd->all;
}

TEST_F(ForeignDevice, ARefusingOrSilentBbmdIsSaidPlainly) {
    auto bbmd = site(" --refuse-registrations");
    ASSERT_FALSE(bbmd->ready.empty()) << bbmd->all;
    for (const std::string& command : {std::string("discover"), "check " + path("site.dat")}) {
        const ToolRun refused = runTool(command + m_elsewhere + " --bbmd " + m_bbmd);
        EXPECT_EQ(refused.code, 1);
        EXPECT_EQ(refused.out, "The BBMD at " + m_bbmd + " refused the registration (Register-Foreign-Device NAK).\n");
    }
    const std::string silent = "127.0.0.1:" + std::to_string(freePort());
    for (const std::string& command : {std::string("discover"), "watch " + path("site.dat")}) {
        const ToolRun unanswered = runTool(command + m_elsewhere + " --bbmd " + silent);
        EXPECT_EQ(unanswered.code, 1);
        EXPECT_EQ(unanswered.out, "No answer from the BBMD at " + silent + " to Register-Foreign-Device.\n");
    }
    EXPECT_EQ(runTool("discover --bbmd 127.0.0").out, "Bad value: --bbmd 127.0.0 is not ADDRESS or ADDRESS:PORT.\n");
}

}  // namespace
