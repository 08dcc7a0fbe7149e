// Runs `vaskiro commission` as a process and plays the technician: plugs a
// simulated device (a file in the simulated folder) when asked to connect
// one, and pulls it when asked to disconnect it.

#include <fstream>
#include <regex>
#include <vector>

#include "core/data_file.h"
#include "csv/csv.h"
#include "tool_run.h"

using namespace vaskiro::core;
namespace fs = std::filesystem;

namespace {

const std::regex kIsoTime(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)");

class Commission : public VaskiroTool {
protected:
    void SetUp() override {
        VaskiroTool::SetUp();
        fs::create_directories(m_dir / "devices");
        ConfigurationImage base;
        base.SetDefaults();
        ASSERT_TRUE(writeDataFile(m_dir / "base.dat", base));
    }

    // Plugs `devices` (serial numbers) one at a time as the tool asks; sends
    // Ctrl-C once a line begins with `interruptAt`.
    ToolRun commission(const std::string& worklist, const std::string& args, std::vector<std::string> devices,
                       const std::string& interruptAt = "\x01") {
        std::ofstream(m_dir / "worklist.csv", std::ios::binary) << worklist;
        // The shell says its process id, which the tool then takes over.
        std::string command = "echo $$; exec " + std::string(VASKIRO_TOOL) + " --simulate=" + path("devices") +
                              " commission " + path("worklist.csv") + " --base " + path("base.dat") + " " + args;
        FILE* out = popen((command + " 2>&1").c_str(), "r");
        char line[512] = "";
        pid_t pid = fgets(line, sizeof line, out) ? std::stoi(line) : 0;
        ToolRun run;
        std::size_t next = 0;
        fs::path plugged;
        while (fgets(line, sizeof line, out)) {
            std::string text = line;
            run.out += text;
            // Unplugged devices wait on a shelf, keeping their settings.
            if (text.starts_with("Connect device for") && next < devices.size()) {
                plugged = m_dir / "devices" / devices[next];
                fs::path shelved = m_dir / devices[next++];
                fs::exists(shelved) ? fs::rename(shelved, plugged) : void(std::ofstream(plugged));
            }
            if (text.starts_with("Disconnect the device")) fs::rename(plugged, m_dir / plugged.filename());
            if (text.starts_with(interruptAt) && pid > 0) kill(pid, SIGINT);
        }
        int status = pclose(out);
        run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }

    // The as-left record, a line per device and the header: row, tag, serial,
    // object-id, name, verify, network, and whether the time is ISO 8601 with an offset.
    std::string recorded() const {
        std::ifstream in(m_dir / "worklist-as-left.csv", std::ios::binary);
        std::string lines;
        const auto parsed = vaskiro::csv::parse(std::string{std::istreambuf_iterator<char>(in), {}});
        for (auto& r : parsed.value().records)
            lines += r[1] + "|" + r[2] + "|" + r[3] + "|" + r[11] + "|" + r[10] + "|" + r[r.size() - 3] + "|" +
                     r[r.size() - 2] + (std::regex_match(r[0], kIsoTime) ? "\n" : " (time " + r[0] + ")\n");
        return lines;
    }
};

const std::string kThreeRows =
    "tag,ip,object-id,name\nAHU-1,10.0.0.1,1001,AHU 1\nAHU-2,10.0.0.2,1002,\"AHU, 2\"\n"
    "AHU-3,10.0.0.3,1003,AHU 3\n";
const std::string kHeader = "row|tag|serial|object-id|name|verify|network (time time)\n";
const std::string kRecorded[] = {"1|AHU-1|501|1001|AHU 1|verified|not checked\n",
                                 "2|AHU-2|502|1002|AHU, 2|verified|not checked\n",
                                 "3|AHU-3|503|1003|AHU 3|verified|not checked\n"};

class CommissionFormats : public Commission, public ::testing::WithParamInterface<std::string> {};

TEST_P(CommissionFormats, ThreeRowsInOrderLeaveThreeRecordLines) {
    ToolRun run = commission(GetParam(), "", {"501", "502", "503"});
    ASSERT_EQ(run.code, 0) << run.out;
    EXPECT_TRUE(holds(run.out,
                      "Connect device for 2 (AHU-2)\nRow 2: identifying\nRow 2: device 502, version 1.00\nRow 2: "
                      "writing\nRow 2: verifying\n2 of 3 done\nDisconnect the device\n"));
    EXPECT_EQ(recorded(), kHeader + kRecorded[0] + kRecorded[1] + kRecorded[2]);
}

INSTANTIATE_TEST_SUITE_P(Worklist, CommissionFormats,
                         ::testing::Values(kThreeRows,
                                           "\xEF\xBB\xBFtag;ip;object-id;name\r\nAHU-1;10.0.0.1;1001;AHU 1\r\n"
                                           "AHU-2;10.0.0.2;1002;AHU, 2\r\nAHU-3;10.0.0.3;1003;AHU 3\r\n"));

// A row commissioned again (--again) is one device: the sheet shows its
// latest attempt, the device's own version of each text and the checkout's
// marks put into the record; a base text the device would cut is refused.
TEST_F(Commission, ARetriedRowIsOneDeviceWithWhatTheDeviceHoldsAndItsCheckout) {
    ConfigurationImage base;
    base.SetDefaults();
    base.setText(TextField::Location, "Plant room 1, east wing!");  // 24 characters: the device keeps 23
    ASSERT_TRUE(writeDataFile(m_dir / "base.dat", base));
    EXPECT_EQ(commission(kThreeRows, "", {"501"}).code, 2);
    base.setText(TextField::Location, "Plant room 1, east wing");
    ASSERT_TRUE(writeDataFile(m_dir / "base.dat", base));
    ASSERT_EQ(commission(kThreeRows, "", {"501", "502", "503"}).code, 0);
    ASSERT_EQ(commission(kThreeRows, "--start-at 2 --again", {"502", "503"}).code, 0);
    std::ofstream(m_dir / "marks.csv") << "point,object,name,value,read at,stale,checked\noutput.7,x,P,off,,no,no\n";
    const std::string record = path("worklist-as-left.csv");
    EXPECT_EQ(runTool("record-checkout " + record + " 2 " + path("marks.csv")).out,
              "Row 2: 0 of 1 checked; not checked: output.7\n");
    ASSERT_EQ(runTool("sheet --record " + record + " -o " + path("sheet.html")).out,
              "Sheet Saved: " + path("sheet.html") + " (3 devices)\n");
    std::ifstream in(m_dir / "sheet.html");
    const std::string html{std::istreambuf_iterator<char>(in), {}};
    EXPECT_TRUE(holds(html, "<td>Plant room 1, east wing</td>"));
    EXPECT_TRUE(holds(html, "<td>Output 7</td><td class=\"mark\" width=\"12%\">no</td>"));
}

TEST_F(Commission, ABadWorklistIsRefusedWithRowAndColumnBeforeAnyDevice) {
    ToolRun run = commission("tag,ip,object-id\nA,10.0.0.1,7\nB,10.0.0.300,8\nC,10.0.0.3,7\n", "", {"501"});
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(holds(run.out, "row 2, column ip: must be four numbers"));
    EXPECT_TRUE(holds(run.out, "row 3, column object-id: 7 is also row 1's"));
    EXPECT_FALSE(fs::exists(m_dir / "worklist-as-left.csv"));
}

TEST_F(Commission, ADevicePresentedTwiceIsRefusedUnlessAgain) {
    ToolRun run = commission(kThreeRows, "", {"501", "501", "502", "503"});
    EXPECT_EQ(run.code, 0) << run.out;
    EXPECT_TRUE(holds(run.out, "Device 501 refused: already commissioned as 1"));
    ToolRun again = commission(kThreeRows, "--start-at 3 --again", {"501"});
    EXPECT_EQ(again.code, 0) << again.out;
    EXPECT_EQ(recorded(),
              kHeader + kRecorded[0] + kRecorded[1] + kRecorded[2] + "3|AHU-3|501|1003|AHU 3|verified|not checked\n");
}

TEST_F(Commission, AnInterruptedRunResumesWithStartAt) {
    ToolRun first = commission(kThreeRows, "", {"501", "502", "503"}, "1 of 3 done");
    EXPECT_EQ(first.code, 130) << first.out;
    EXPECT_TRUE(holds(first.out, "Stopped. Resume with --start-at 2."));
    EXPECT_EQ(recorded(), kHeader + kRecorded[0]);
    ToolRun rest = commission(kThreeRows, "--start-at 2", {"502", "503"});
    EXPECT_EQ(rest.code, 0) << rest.out;
    EXPECT_EQ(recorded(), kHeader + kRecorded[0] + kRecorded[1] + kRecorded[2]);
}

TEST_F(Commission, ANetworkCheckWithoutAnswerIsRecordedAndStopsTheRun) {
    ToolRun run = commission("ip,port,object-id\n127.0.0.1,47999,1001\n", "--check-network", {"501"});
    EXPECT_EQ(run.code, 1) << run.out;
    EXPECT_TRUE(holds(run.out, "Row 1 is not commissioned. Resume with --start-at 1 --again"));
    EXPECT_TRUE(
        holds(recorded(), "1||501|1001|VASKIRO|verified|Nothing answered as BACnet device 1001 at 127.0.0.1:47999"));
    std::ifstream in(m_dir / "worklist-as-left.csv", std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;  // the header and one line for the device
}

}  // namespace
