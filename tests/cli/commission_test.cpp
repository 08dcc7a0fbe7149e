// Runs `vaskiro commission` as a process and plays the technician: plugs a
// simulated device (a file in the simulated folder) when asked to connect
// one, and pulls it when asked to disconnect it.

#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/data_file.h"
#include "csv/csv.h"
#include "tool_run.h"

using namespace vaskiro::config;
namespace fs = std::filesystem;

namespace {

class Commission : public VaskiroTool {
protected:
    void SetUp() override {
        VaskiroTool::SetUp();
        fs::create_directories(m_dir / "devices");
        ConfigurationImage base;
        base.SetDefaults();
        ASSERT_TRUE(writeDataFile(m_dir / "base.dat", base).ok);
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
            if (text.starts_with(interruptAt)) kill(pid, SIGINT);
        }
        int status = pclose(out);
        run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }

    // The as-left record's lines, each by column name.
    std::vector<std::map<std::string, std::string>> recorded() const {
        std::ifstream in(m_dir / "worklist-as-left.csv", std::ios::binary);
        auto records = vaskiro::csv::parse(std::string{std::istreambuf_iterator<char>(in), {}}).table.records;
        std::vector<std::map<std::string, std::string>> lines;
        for (std::size_t r = 1; r < records.size(); ++r) {
            lines.emplace_back();
            for (std::size_t c = 0; c < records[r].size(); ++c) lines.back()[records[0][c]] = records[r][c];
        }
        return lines;
    }

    ConfigurationImage device(const std::string& serial) const {
        ConfigurationImage image;
        image.SetDefaults();
        readDataFile(fs::exists(m_dir / serial) ? m_dir / serial : m_dir / "devices" / serial, image);
        return image;
    }
};

const std::string kThreeRows = "tag,ip,object-id,name\nAHU-1,10.0.0.1,1001,AHU 1\nAHU-2,10.0.0.2,1002,\"AHU, 2\"\n"
                               "AHU-3,10.0.0.3,1003,AHU 3\n";

class CommissionFormats : public Commission, public ::testing::WithParamInterface<std::string> {};

TEST_P(CommissionFormats, ThreeRowsInOrderLeaveThreeRecordLines) {
    ToolRun run = commission(GetParam(), "", {"501", "502", "503"});
    ASSERT_EQ(run.code, 0) << run.out;
    for (const char* step : {"Connect device for 2 (AHU-2)", "Row 2: writing", "2 of 3 done", "All 3 rows done."})
        EXPECT_NE(run.out.find(step), std::string::npos) << step;
    auto lines = recorded();
    ASSERT_EQ(lines.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        std::string n = std::to_string(i + 1), serial = std::to_string(501 + i);
        EXPECT_EQ(lines[i]["row"] + lines[i]["tag"] + lines[i]["serial"] + lines[i]["verify"] + lines[i]["network"],
                  n + "AHU-" + n + serial + "verifiednot checked");
        EXPECT_EQ(device(serial).objectIdentifier(), 1001 + i);
    }
    EXPECT_EQ(device("502").text(TextField::DeviceName), "AHU, 2");
    EXPECT_EQ(lines[0]["time"].size(), 25u) << lines[0]["time"];  // 2026-12-06T21:40:05+01:00
}

INSTANTIATE_TEST_SUITE_P(Worklist, CommissionFormats,
                         ::testing::Values(kThreeRows, "\xEF\xBB\xBFtag;ip;object-id;name\r\nAHU-1;10.0.0.1;1001;AHU 1\r\n"
                                                       "AHU-2;10.0.0.2;1002;AHU, 2\r\nAHU-3;10.0.0.3;1003;AHU 3\r\n"));

TEST_F(Commission, ABadWorklistIsRefusedWithRowAndColumnBeforeAnyDevice) {
    ToolRun run = commission("tag,ip,object-id\nA,10.0.0.1,7\nB,10.0.0.300,8\nC,10.0.0.3,7\n", "", {"501"});
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.out.find("row 2, column ip: must be four numbers"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("row 3, column object-id: 7 is also row 1's"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("Connect device"), std::string::npos);
    EXPECT_FALSE(fs::exists(m_dir / "worklist-as-left.csv"));
}

TEST_F(Commission, ADevicePresentedTwiceIsRefusedUnlessAgain) {
    ToolRun run = commission(kThreeRows, "", {"501", "501", "502", "503"});
    EXPECT_EQ(run.code, 0) << run.out;
    EXPECT_NE(run.out.find("Device 501 refused: already commissioned as 1"), std::string::npos) << run.out;
    EXPECT_EQ(recorded().size(), 3u);
    EXPECT_EQ(device("501").objectIdentifier(), 1001u);

    ToolRun again = commission(kThreeRows, "--start-at 3 --again", {"501"});
    EXPECT_EQ(again.code, 0) << again.out;
    EXPECT_EQ(device("501").objectIdentifier(), 1003u);
}

TEST_F(Commission, AnInterruptedRunResumesWithStartAt) {
    ToolRun first = commission(kThreeRows, "", {"501", "502", "503"}, "1 of 3 done");
    EXPECT_EQ(first.code, 130) << first.out;
    EXPECT_NE(first.out.find("Stopped. Resume with --start-at 2."), std::string::npos) << first.out;
    EXPECT_EQ(recorded().size(), 1u);

    ToolRun rest = commission(kThreeRows, "--start-at 2", {"502", "503"});
    EXPECT_EQ(rest.code, 0) << rest.out;
    auto lines = recorded();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2]["row"] + lines[2]["serial"], "3503");
}

TEST_F(Commission, ANetworkCheckWithoutAnswerIsRecordedAndStopsTheRun) {
    ToolRun run = commission("ip,port,object-id\n127.0.0.1,47999,1001\n", "--check-network", {"501"});
    EXPECT_EQ(run.code, 1) << run.out;
    EXPECT_NE(run.out.find("Row 1 is not commissioned. Resume with --start-at 1 --again"), std::string::npos) << run.out;
    auto lines = recorded();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["network"].rfind("Nothing answered as BACnet device 1001 at 127.0.0.1:47999", 0), 0u);
}

}  // namespace
