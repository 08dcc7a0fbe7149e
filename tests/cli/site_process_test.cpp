// A whole site on loopback: simulate-network --folder serves hundreds of
// devices from one process; survey and discover take them all at once.

#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>
#include <thread>

#include "core/data_file.h"
#include "tool_run.h"

using namespace vaskiro::core;

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class Site : public VaskiroTool {
protected:
    void SetUp() override {
        VaskiroTool::SetUp();
        m_port = freePort();
        std::filesystem::create_directories(m_dir / "served");
        std::filesystem::create_directories(m_dir / "record");
    }
    // Device `instance` at the `n`th address from 127.0.`subnet`.1, as the simulated site counts (no .0 or .255).
    ConfigurationImage device(std::uint32_t instance, std::uint8_t subnet, int n, const char* location = "Earth") {
        ConfigurationImage image;
        image.SetDefaults();
        image.setAddress(AddressField::IPAddress, {127, 0, std::uint8_t(subnet + n / 254), std::uint8_t(1 + n % 254)});
        image.setBacnetPort(m_port);
        image.setObjectIdentifier(instance);
        image.setText(TextField::Location, location);
        return image;
    }
    void save(const char* folder, int n, const ConfigurationImage& image) {
        char name[16];
        std::snprintf(name, sizeof name, "%03d.dat", n);
        ASSERT_TRUE(writeDataFile(m_dir / folder / name, image));
    }
    std::string serve(const std::string& base) {
        return "simulate-network --for 20 --folder " + path("served") + " --at " + base + ":" + std::to_string(m_port);
    }
    int m_port = 0;
};

TEST_F(Site, ASurveyOfTwoHundredGivesEachDeviceItsVerdictWithinTheBound) {
    // 197 devices served as recorded, but 10 and 20 with another location and 30 with another description; 197
    // to 199 recorded where nothing answers; a second device with 50's instance, and one that no entry names.
    for (int n = 0; n < 200; ++n) {
        ConfigurationImage recorded = device(20000 + n, n < 197 ? 2 : 3, n < 197 ? n : n - 197);
        save("record", n, recorded);
        if (n == 10 || n == 20) recorded.setText(TextField::Location, "Roof");
        if (n == 30) recorded.setText(TextField::Description, "Spare");
        if (n < 197) save("served", n, recorded);
    }
    save("served", 197, device(20050, 2, 197));
    save("served", 198, device(40000, 2, 198));
    Process site(serve("127.0.2.1"), "Simulated site of 199 devices answering");
    ASSERT_FALSE(site.ready.empty()) << site.all;

    ToolRun survey;
    const double seconds = secondsFor([&] { survey = runTool("survey " + path("record") + " --timeout 1"); });
    EXPECT_LT(seconds, 3.5);  // the timeout, the duplicate window (1 s), and room for a loaded machine
    EXPECT_EQ(survey.code, 3);
    const std::vector<std::string> lines = linesOf(survey.out);
    ASSERT_EQ(lines.size(), 202u) << survey.out;
    const std::string port = ":" + std::to_string(m_port);
    std::map<int, std::string> unusual{
        {10, "differs: location"}, {20, "differs: location"}, {30, "differs: description"},
        {50, "duplicate"},         {197, "no answer"},        {198, "no answer"},
        {199, "no answer"}};
    for (int n = 0; n < 200; ++n) {
        const std::string address = n < 197 ? "127.0.2." + std::to_string(n + 1) : "127.0.3." + std::to_string(n - 196);
        char label[16];
        std::snprintf(label, sizeof label, "%03d.dat", n);
        const std::string start = std::string(label) + "\t" + std::to_string(20000 + n) + "\t" + address + port + "\t" +
                                  (unusual.count(n) ? unusual[n] : "passed");
        EXPECT_EQ(lines[n].substr(0, start.size()), start);
    }
    EXPECT_TRUE(
        holds(lines[50], "More than one device answers as instance 20050: 127.0.2.51" + port + ", 127.0.2.198" + port));
    EXPECT_EQ(lines[200], "-\t40000\t127.0.2.199" + port + "\tnot in the record: instance 40000 at 127.0.2.199" + port);
    EXPECT_EQ(lines[201], "200 devices: 193 passed, 3 no answer, 3 differ, 1 duplicate; 1 not in the record");

    ASSERT_EQ(runTool("survey " + path("record") + " --timeout 1 --json --parallel 8 --html " + path("r.html")).code,
              3);
    std::ifstream report(path("r.html"));
    const std::string html((std::istreambuf_iterator<char>(report)), std::istreambuf_iterator<char>());
    // One table, the failures first.
    EXPECT_TRUE(holds(html, "<tr><td>010.dat</td><td>20010</td><td>127.0.2.11" + port +
                                "</td><td>differs: location</td><td>BACnet device 20010 answered from 127.0.2.11" +
                                port +
                                " but differs from the configuration: / location: differs: device has "
                                "&quot;Roof&quot;</td></tr>\n<tr><td>020.dat</td>"));
    EXPECT_LT(html.find("not in the record: instance 40000"), html.find("<td>000.dat</td>"));
}

TEST_F(Site, CtrlCEndsTheSurveyAtOnceWithWhatItFound) {
    for (int n = 0; n < 3; ++n) save("record", n, device(20000 + n, 3, n));
    Process survey("survey " + path("record") + " --timeout 20");
    std::this_thread::sleep_for(std::chrono::seconds(1));  // started, and long before a silent device is given up
    survey.interrupt();
    ToolRun ended;
    const double seconds = wallSeconds([&] { ended.code = survey.finish(); });
    EXPECT_LT(seconds, 1.0);
    EXPECT_EQ(ended.code, 130);
    EXPECT_TRUE(holds(survey.all, "002.dat\t20002\t127.0.3.3:" + std::to_string(m_port) + "\tnot checked\t"));
    EXPECT_TRUE(holds(survey.all, "3 devices: 3 not checked\n"));
}

TEST_F(Site, DiscoverListsFiveHundredAnsweringAtOnce) {
    for (int n = 0; n < 500; ++n) save("served", n, device(50000 + n, 4, n));
    Process site(serve("127.0.4.1"), "Simulated site of 500 devices answering");
    ASSERT_FALSE(site.ready.empty()) << site.all;
    ToolRun discover;
    const double seconds = secondsFor(
        [&] { discover = runTool("discover --to 127.255.255.255:" + std::to_string(m_port) + " --timeout 2"); });
    EXPECT_LT(seconds, 3.5);
    EXPECT_EQ(discover.code, 0);
    const std::vector<std::string> lines = linesOf(discover.out);
    ASSERT_EQ(lines.size(), 500u) << discover.out.substr(0, 2000);
    for (int n = 0; n < 500; ++n)
        EXPECT_EQ(lines[n], std::to_string(50000 + n) + "\t127.0." + std::to_string(4 + n / 254) + "." +
                                std::to_string(1 + n % 254) + ":" + std::to_string(m_port) + "\t0\tVASKIRO");
}

TEST_F(Site, SurveyAndDiscoverReachTheSiteThroughItsBbmdAndLeaveNoEntry) {
    for (int n = 0; n < 5; ++n) save("served", n, device(60000 + n, 5, n));
    const std::string bbmd = "127.0.5.1:" + std::to_string(freePort());
    Process site(serve("127.0.5.1") + " --bbmd " + bbmd, "Simulated site of 5 devices answering");
    ASSERT_TRUE(holds(site.all, "Simulated BBMD answering on " + bbmd)) << site.all;
    const ToolRun survey = runTool("survey " + path("served") + " --timeout 1 --ttl 20 --bbmd " + bbmd);
    EXPECT_EQ(survey.code, 0) << survey.out;
    EXPECT_EQ(linesOf(survey.out).back(), "5 devices: 5 passed");
    EXPECT_FALSE(site.lineWith("registered for 20 s (1 in the table)").empty()) << site.all;
    EXPECT_FALSE(site.lineWith("deleted (0 in the table)").empty()) << site.all;
    // A broadcast to a port no device listens on reaches them all through the BBMD alone.
    const ToolRun discover =
        runTool("discover --to 127.255.255.255:" + std::to_string(freePort()) + " --timeout 1 --bbmd " + bbmd);
    EXPECT_EQ(linesOf(discover.out).size(), 5u) << discover.out;
    EXPECT_TRUE(holds(discover.out, "60004\t127.0.5.5:" + std::to_string(m_port) + "\t0\tVASKIRO\n"));
    EXPECT_FALSE(site.lineWith("deleted (0 in the table)").empty()) << site.all;
}

}  // namespace
