// The commissioning run as a window drives it: events in, row states and
// prompts out, with the retry, skip and resume that only the window offers.
// (The tool's loop over it is tested through the tool, tests/cli.)

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "commission/commission_run.h"

using namespace vaskiro::commission;
namespace fs = std::filesystem;

namespace {

struct Script {
    const char* events;  // c/C device came (alone/with another), g went, iSERIAL/I identified or not,
                         // w/W write done or not, v/V verified or not, s stop, k skip, r retry
    Phase phase;
    const char* states;  // per row: w waiting, c connect now, d done, f failed, s skipped, r refused
    const char* prompt;
    const char* lastLine;
};

// Names each case by its events, so that its test name stays the same from run to run.
void PrintTo(const Script& script, std::ostream* out) { *out << '"' << script.events << '"'; }

class Run : public ::testing::TestWithParam<Script> {
protected:
    void SetUp() override {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        m_dir = fs::temp_directory_path() / ("commission_run_" + name);
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // Plays `events` on a fresh run of three rows over the record.
    std::unique_ptr<CommissionRun> play(const std::string& events, bool resume = false) {
        vaskiro::core::ConfigurationImage base;
        base.SetDefaults();
        auto list = readWorklist("tag,ip,object-id\nAHU-1,10.0.0.1,1\nAHU-2,10.0.0.2,2\nAHU-3,10.0.0.3,3\n", base);
        EXPECT_TRUE(list.has_value());
        EXPECT_TRUE(m_record.open(m_dir / "record.csv"));
        auto run =
            std::make_unique<CommissionRun>(*list, m_record, RunOptions{false, 1, false, resume},
                                            [this](CommissionRun::Channel, const std::string& line) { m_last = line; });
        run->start();
        std::istringstream in(events);
        for (std::string e; in >> e;) {
            switch (e[0]) {
            case 'c':
            case 'C': run->deviceCame(e[0] == 'C'); break;
            case 'g': run->deviceWent(); break;
            case 's': run->stopRequested(); break;
            case 'k': run->skipRow(); break;
            case 'r': run->retryRow(); break;
            case 'i': run->stepFinished({true, e.substr(1), "1.00", {}}); break;
            default: run->stepFinished({e[0] == 'w' || e[0] == 'v', {}, {}, "no answer"});
            }
        }
        return run;
    }

    static std::string states(const CommissionRun& run) {
        std::string letters;
        for (int i = 0; i < 3; ++i) letters += "wcIWVNdfsr"[static_cast<int>(run.status(i).state)];
        return letters;
    }

    fs::path m_dir;
    AsLeftRecord m_record;
    std::string m_last;
};

TEST_P(Run, EventsLeadToRowStates) {
    auto run = play(GetParam().events);
    EXPECT_EQ(run->phase(), GetParam().phase);
    EXPECT_EQ(states(*run), GetParam().states);
    EXPECT_EQ(run->prompt(), GetParam().prompt);
    EXPECT_EQ(m_last, GetParam().lastLine);
}

INSTANTIATE_TEST_SUITE_P(
    Commission, Run,
    ::testing::Values(
        Script{"c i501 w v g c i502 w v g c i503 w v", Phase::Finished, "ddd", "3 of 3 rows done", "All 3 rows done."},
        Script{"C", Phase::AwaitingRemoval, "rww", "Unplug every VASKIRO, then connect only the one for row 1 (AHU-1)",
               "Disconnect the device"},
        Script{"C g", Phase::AwaitingDevice, "cww", "Connect device for row 1 (AHU-1)", "Connect device for 1 (AHU-1)"},
        Script{"c I", Phase::AwaitingRemoval, "rww", "Disconnect the refused device", "Disconnect the device"},
        Script{"c I g", Phase::AwaitingDevice, "cww", "Connect device for row 1 (AHU-1)",
               "Connect device for 1 (AHU-1)"},
        Script{"c i501 W", Phase::RowFailed, "fww", "Row 1 failed: retry or skip it",
               "Row 1 is not commissioned. Resume with --start-at 1."},
        Script{"c i501 W k", Phase::AwaitingRemoval, "sww", "Disconnect the device", "Disconnect the device"},
        Script{"c i501 W k g", Phase::AwaitingDevice, "scw", "Connect device for row 2 (AHU-2)",
               "Connect device for 2 (AHU-2)"},
        Script{"c i501 w V r c i501 w v", Phase::AwaitingRemoval, "dww", "Disconnect the device",
               "Disconnect the device"},
        Script{"c i501 w v g c i501", Phase::AwaitingRemoval, "drw", "Disconnect the refused device",
               "Disconnect the device"},
        Script{"c i501 s", Phase::RunningStep, "Www", "Writing row 1 (AHU-1); stopping after this step",
               "Row 1: writing"},
        Script{"c i501 s w v", Phase::Stopped, "dww", "Stopped", "Stopped. Resume with --start-at 2."},
        Script{"c s i501", Phase::Stopped, "www", "Stopped", "Stopped. Resume with --start-at 1."},
        Script{"c i501 w V s", Phase::Stopped, "fww", "Stopped",
               "Row 1 is not commissioned. Resume with --start-at 1 --again (its device is in the record)."},
        Script{"k k k", Phase::Finished, "sss", "0 of 3 rows done", "0 of 3 rows done."}));

TEST_F(Run, ARefusalSaysWhyOnItsRowUntilTheDeviceIsGone) {
    auto run = play("c i501 w v g c i501");
    EXPECT_EQ(run->status(1).reason, "device 501 is already commissioned as row 1");
    EXPECT_EQ(m_last, "Disconnect the device");
    run->deviceWent();
    EXPECT_EQ(run->status(1).reason, "");
}

TEST_F(Run, ASkippedRowKeepsNoReason) { EXPECT_EQ(play("c i501 W k")->status(0).reason, ""); }

TEST_F(Run, AResumedRunMarksRecordedRowsDoneAndBeginsAfterThem) {
    play("c i501 w v g c i502 w V");
    auto resumed = play("", true);
    EXPECT_EQ(states(*resumed), "dcw");
    EXPECT_EQ(resumed->status(0).serial, "501");
    EXPECT_EQ(resumed->prompt(), "Connect device for row 2 (AHU-2)");
    EXPECT_EQ(m_last, "Connect device for 2 (AHU-2)");
    EXPECT_EQ(states(*play("c i502 w v", true)), "ddw");  // the failed row's own device is taken again
    // Counted over the whole worklist, not the two rows resumed.
    EXPECT_EQ(play("c i503 w v", true)->prompt(), "3 of 3 rows done");
}

}  // namespace
