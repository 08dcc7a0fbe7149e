#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "commission/as_left_record.h"
#include "commission/worklist.h"

namespace vaskiro::commission {

struct RunOptions {
    bool checkNetwork = false;
    int startAt = 1;     // the first row to commission (1: the first under the header)
    bool again = false;  // accept a device that the record already holds
    // Rows that the record holds as done are not commissioned again; the
    // run begins with the first row that is not (a resumed run).
    bool skipRecorded = false;
};

// Refused: the device attached for the row was turned away (the reason
// says why) and has to be taken away before the row's own can come.
enum class RowState {
    Waiting,
    ConnectNow,
    Identifying,
    Writing,
    Verifying,
    CheckingNetwork,
    Done,
    Failed,
    Skipped,
    Refused
};

struct RowStatus {
    RowState state = RowState::Waiting;
    std::string serial;  // once identified
    std::string reason;  // why it failed or its device was refused; empty in every other state
};

// What the run waits for.
enum class Phase {
    AwaitingDevice,   // a device for the current row to be connected
    RunningStep,      // the shell to run `step()` and call stepFinished()
    AwaitingRemoval,  // every device to be taken away
    RowFailed,        // the current row is not commissioned: retry, skip or stop
    Stopped,
    Finished,
};

enum class Step { Identify, Write, Verify, CheckNetwork };

// How a step that the shell ran went.
struct StepResult {
    bool ok = false;
    std::string serial, version;  // Identify: who the device said it was
    std::string detail;           // CheckNetwork: "passed" or why not; otherwise why it failed, when known
    // Verify: what the device gave back, so that the record keeps the device's version of every text.
    std::optional<core::ConfigurationImage> readBack = std::nullopt;
};

// Commissions a worklist's rows in order, one device each: waits for it,
// refuses a device already in the record (unless `again`), writes the row's
// configuration, verifies, optionally checks it on the network, appends the
// record, and waits until the device is taken away. It never waits itself:
// the shell tells it what happened (a device came or went, a step finished,
// a stop was asked for) and runs the step it asks for, on whatever thread
// it likes, so the same run serves a console loop and a window.
//
// A stop asked for during a step takes effect once the device is known
// (before anything is written) or when the row is over, so that a Write in
// progress ends cleanly and what it did is recorded.
class CommissionRun {
public:
    enum class Channel { Out, Err };
    using Say = std::function<void(Channel, const std::string& line)>;

    CommissionRun(Worklist list, AsLeftRecord& record, RunOptions options, Say say);

    // Says what is to be done and asks for the first row's device.
    void start();

    // Events.
    void deviceCame(bool severalAttached);
    void deviceWent();
    void stepFinished(const StepResult& result);
    void stopRequested();
    // While a row has failed: commission it once more (its own device is
    // accepted again), or leave it and go on with the next row.
    void retryRow();
    void skipRow();

    Phase phase() const { return m_phase; }
    bool running() const { return m_phase != Phase::Stopped && m_phase != Phase::Finished; }
    bool stopAsked() const { return m_stopAsked; }
    Step step() const { return m_step; }
    int currentIndex() const { return m_index; }  // into rows()
    const WorklistRow& currentRow() const { return m_list.rows[static_cast<std::size_t>(m_index)]; }
    const std::vector<WorklistRow>& rows() const { return m_list.rows; }
    const RowStatus& status(int index) const { return m_status[static_cast<std::size_t>(index)]; }
    // What the technician is to do now, e.g. "Connect device for row 2 (AHU-2)";
    // always in step with the current row's state. One line: the reason of a
    // failure or refusal is the row's, in status().
    std::string prompt() const;

private:
    void askForDevice();
    void beginStep(Step step, const char* what);
    void identified(const StepResult& result);
    void finishRow(bool reached, const std::string& networkResult);
    void refuse(const std::string& reason, const std::string& line);
    void fail(const std::string& reason, bool recorded);
    void awaitRemoval();
    void stop(int resumeRow);
    void advance();
    void finish();
    int nextIndex() const;  // the next row still waiting, or -1
    void say(Channel channel, const std::string& line) const { m_say(channel, line); }
    std::string rowName() const;

    Worklist m_list;
    AsLeftRecord& m_record;
    RunOptions m_options;
    Say m_say;
    std::vector<RowStatus> m_status;
    Phase m_phase = Phase::AwaitingDevice;
    Step m_step = Step::Identify;
    int m_index = 0;
    int m_total = 0, m_done = 0;
    bool m_stopAsked = false;
    bool m_retrying = false;
    bool m_advanceAfterRemoval = false;  // the attached device's row is over: done or skipped
    bool m_severalRefused = false;       // the refusal was of several devices at once
    AsLeftEntry m_entry;
    bool m_verified = false;
};

}  // namespace vaskiro::commission
