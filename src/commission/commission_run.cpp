#include "commission/commission_run.h"

#include <algorithm>

namespace vaskiro::commission {

CommissionRun::CommissionRun(Worklist list, AsLeftRecord& record, RunOptions options, Say say)
    : m_list(std::move(list)),
      m_record(record),
      m_options(options),
      m_say(std::move(say)),
      m_status(m_list.rows.size()) {}

void CommissionRun::start() {
    int rows = static_cast<int>(m_list.rows.size());
    m_index = -1;
    for (int i = 0; i < rows; ++i) {
        RowStatus& status = m_status[static_cast<std::size_t>(i)];
        if (i < m_options.startAt - 1) {
            status.state = RowState::Skipped;
        } else if (const std::string* serial = m_record.serialDoneAt(m_list.rows[static_cast<std::size_t>(i)].row);
                   serial && m_options.skipRecorded) {
            status = {RowState::Done, *serial, {}};
        } else {
            ++m_total;
            if (m_index < 0) m_index = i;
        }
    }
    say(Channel::Out, "Commissioning " + std::to_string(m_total) + " of " + std::to_string(rows) +
                          " rows; as-left record: " + m_record.path().string());
    if (m_index < 0) {
        m_index = 0;
        finish();
        return;
    }
    askForDevice();
}

void CommissionRun::deviceCame(bool severalAttached) {
    if (m_phase != Phase::AwaitingDevice) return;
    const WorklistRow& row = currentRow();
    m_advanceAfterRemoval = false;
    m_entry = AsLeftEntry{{}, row.row, row.tag, {}, {}, row.image, {}, "not checked"};
    // The next step waits until none is attached: the advice is to take them all away.
    m_severalRefused = severalAttached;
    if (severalAttached)
        return refuse("several VASKIRO are connected",
                      "Several VASKIRO are connected: unplug them all, then connect "
                      "only the one for row " +
                          std::to_string(row.row) + ".");
    beginStep(Step::Identify, "identifying");
}

void CommissionRun::deviceWent() {
    if (m_phase != Phase::AwaitingRemoval) return;
    if (m_advanceAfterRemoval)
        advance();
    else
        askForDevice();
}

void CommissionRun::stepFinished(const StepResult& result) {
    if (m_phase != Phase::RunningStep) return;
    switch (m_step) {
    case Step::Identify: identified(result); break;
    case Step::Write:
        if (!result.ok) return fail(result.detail.empty() ? "the Write did not complete" : result.detail, false);
        beginStep(Step::Verify, "verifying");
        break;
    case Step::Verify:
        m_verified = result.ok;
        if (result.readBack) m_entry.image = *result.readBack;
        m_entry.verify = result.ok ? "verified" : "failed";
        if (m_options.checkNetwork) return beginStep(Step::CheckNetwork, "checking on the network");
        finishRow(true, {});
        break;
    case Step::CheckNetwork:
        m_entry.network = result.detail;
        finishRow(result.ok, result.detail);
        break;
    }
}

void CommissionRun::stopRequested() {
    m_stopAsked = true;
    if (m_phase == Phase::AwaitingDevice) stop(currentRow().row);
    if (m_phase == Phase::AwaitingRemoval) stop(currentRow().row + (m_advanceAfterRemoval ? 1 : 0));
    if (m_phase == Phase::RowFailed) m_phase = Phase::Stopped;
}

void CommissionRun::retryRow() {
    if (m_phase != Phase::RowFailed) return;
    m_retrying = true;
    askForDevice();
}

void CommissionRun::skipRow() {
    if (m_phase != Phase::RowFailed && m_phase != Phase::AwaitingDevice) return;
    m_status[static_cast<std::size_t>(m_index)].state = RowState::Skipped;
    m_status[static_cast<std::size_t>(m_index)].reason.clear();
    if (m_phase == Phase::AwaitingDevice) return advance();
    // The failed row's device may still be attached: it is not the next row's.
    m_advanceAfterRemoval = true;
    say(Channel::Out, "Disconnect the device");
    m_phase = Phase::AwaitingRemoval;
}

std::string CommissionRun::prompt() const {
    switch (m_phase) {
    case Phase::AwaitingDevice: return "Connect device for " + rowName();
    case Phase::RunningStep: {
        static const char* const kSteps[] = {"Identifying", "Writing", "Verifying", "Checking on the network"};
        return kSteps[static_cast<int>(m_step)] + std::string(" ") + rowName() +
               (m_stopAsked ? "; stopping after this step" : "");
    }
    case Phase::AwaitingRemoval:
        if (status(m_index).state != RowState::Refused) return "Disconnect the device";
        return m_severalRefused ? "Unplug every VASKIRO, then connect only the one for " + rowName()
                                : "Disconnect the refused device";
    case Phase::RowFailed: return "Row " + std::to_string(currentRow().row) + " failed: retry or skip it";
    case Phase::Stopped: return "Stopped";
    case Phase::Finished: {
        // Over the whole worklist, rows done by an earlier run included.
        auto done = std::count_if(m_status.begin(), m_status.end(),
                                  [](const RowStatus& status) { return status.state == RowState::Done; });
        return std::to_string(done) + " of " + std::to_string(m_status.size()) + " rows done";
    }
    }
    return {};
}

void CommissionRun::askForDevice() {
    const WorklistRow& row = currentRow();
    if (m_stopAsked) return stop(row.row);
    m_status[static_cast<std::size_t>(m_index)].state = RowState::ConnectNow;
    m_status[static_cast<std::size_t>(m_index)].reason.clear();
    say(Channel::Out, "Connect device for " + std::to_string(row.row) + (row.tag.empty() ? "" : " (" + row.tag + ")"));
    m_phase = Phase::AwaitingDevice;
}

void CommissionRun::beginStep(Step step, const char* what) {
    static const RowState kStates[] = {RowState::Identifying, RowState::Writing, RowState::Verifying,
                                       RowState::CheckingNetwork};
    m_status[static_cast<std::size_t>(m_index)].state = kStates[static_cast<int>(step)];
    say(Channel::Out, "Row " + std::to_string(currentRow().row) + ": " + what);
    m_step = step;
    m_phase = Phase::RunningStep;
}

void CommissionRun::identified(const StepResult& result) {
    // Nothing is written yet: a device that cannot say who it is is only refused.
    // The shell's exchange has said why already.
    if (!result.ok) return refuse(result.detail.empty() ? "the device did not say who it is" : result.detail, {});
    const WorklistRow& row = currentRow();
    m_entry.serial = result.serial;
    m_entry.version = result.version;
    m_status[static_cast<std::size_t>(m_index)].serial = result.serial;
    say(Channel::Out, "Row " + std::to_string(row.row) + ": device " + result.serial + ", version " + result.version);
    const std::string* earlier = m_record.rowOf(result.serial);
    // The row's own device, once more: on Retry Row, or when a resumed run comes back to the row it
    // failed (a row the record holds as done is not commissioned again).
    bool ownRetry = (m_retrying || m_options.skipRecorded) && earlier && *earlier == std::to_string(row.row);
    if (earlier && !m_options.again && !ownRetry)
        return refuse("device " + result.serial + " is already commissioned as row " + *earlier,
                      "Device " + result.serial + " refused: already commissioned as " + *earlier +
                          " (give --again to commission it once more).");
    if (m_stopAsked) return stop(row.row);
    beginStep(Step::Write, "writing");
}

void CommissionRun::finishRow(bool reached, const std::string& networkResult) {
    m_entry.time = localTimeIso8601();
    if (auto appended = m_record.append(m_entry); !appended) {
        say(Channel::Err, appended.error() + ".");
        return fail(appended.error(), false);
    }
    if (!m_verified) return fail("the device holds other settings than were written", true);
    if (!reached) return fail(networkResult, true);
    m_status[static_cast<std::size_t>(m_index)].state = RowState::Done;
    m_advanceAfterRemoval = true;
    m_retrying = false;
    say(Channel::Out, std::to_string(++m_done) + " of " + std::to_string(m_total) + " done");
    awaitRemoval();
}

// `reason` is the row's; `line`, when given, is said, with the tool's advice.
void CommissionRun::refuse(const std::string& reason, const std::string& line) {
    if (!line.empty()) say(Channel::Err, line);
    RowStatus& status = m_status[static_cast<std::size_t>(m_index)];
    status.state = RowState::Refused;
    status.reason = reason;
    awaitRemoval();
}

void CommissionRun::fail(const std::string& reason, bool recorded) {
    RowStatus& status = m_status[static_cast<std::size_t>(m_index)];
    status.state = RowState::Failed;
    status.reason = reason;
    int row = currentRow().row;
    say(Channel::Err, "Row " + std::to_string(row) + " is not commissioned. Resume with --start-at " +
                          std::to_string(row) + (recorded ? " --again (its device is in the record)" : "") + ".");
    m_phase = Phase::RowFailed;
}

void CommissionRun::awaitRemoval() {
    say(Channel::Out, "Disconnect the device");
    if (m_advanceAfterRemoval && nextIndex() < 0) return finish();
    if (m_stopAsked) return stop(currentRow().row + (m_advanceAfterRemoval ? 1 : 0));
    m_phase = Phase::AwaitingRemoval;
}

void CommissionRun::stop(int resumeRow) {
    RowStatus& status = m_status[static_cast<std::size_t>(m_index)];
    if (status.state != RowState::Done && status.state != RowState::Failed && status.state != RowState::Skipped)
        status = {RowState::Waiting, {}, {}};
    say(Channel::Err, "Stopped. Resume with --start-at " + std::to_string(resumeRow) + ".");
    m_phase = Phase::Stopped;
}

void CommissionRun::advance() {
    int next = nextIndex();
    if (next < 0) return finish();
    m_index = next;
    m_retrying = false;
    askForDevice();
}

void CommissionRun::finish() {
    if (m_done == m_total)
        say(Channel::Out, "All " + std::to_string(m_total) + " rows done.");
    else
        say(Channel::Out, std::to_string(m_done) + " of " + std::to_string(m_total) + " rows done.");
    m_phase = Phase::Finished;
}

int CommissionRun::nextIndex() const {
    for (std::size_t i = static_cast<std::size_t>(m_index) + 1; i < m_status.size(); ++i)
        if (m_status[i].state == RowState::Waiting) return static_cast<int>(i);
    return -1;
}

std::string CommissionRun::rowName() const {
    const WorklistRow& row = currentRow();
    return "row " + std::to_string(row.row) + (row.tag.empty() ? "" : " (" + row.tag + ")");
}

}  // namespace vaskiro::commission
