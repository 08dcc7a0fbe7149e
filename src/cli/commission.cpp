#include "cli/commission.h"

#include <fstream>
#include <iterator>

#include "cli/stop_signals.h"
#include "commission/commission_run.h"

namespace vaskiro::cli {

namespace {

namespace fs = std::filesystem;

bool interrupted() { return StopSignals::caught() != 0; }

using commission::CommissionRun;
using commission::Phase;
using commission::Step;
using commission::StepResult;

// Runs the step the run asks for, on this thread; the exchanges print what
// went wrong themselves. A row's steps share one session, opened anew for
// each device.
StepResult runStep(CommissionRun& run, const DeviceOptions& device, std::unique_ptr<DeviceSession>& session,
                   CommissionStand& stand, Streams io) {
    StepResult result;
    const commission::WorklistRow& row = run.currentRow();
    config::ConfigurationImage image = row.image;
    switch (run.step()) {
    case Step::Identify: {
        session = std::make_unique<DeviceSession>(device);
        std::optional<device::DeviceIdentity> identity;
        result.ok = exchangeWithDevice(*session, ExchangeKind::Identify, image, io, false, &identity) && identity;
        if (result.ok) {
            result.serial = std::to_string(identity->serial);
            result.version = identity->version;
        }
        break;
    }
    case Step::Write: result.ok = exchangeWithDevice(*session, ExchangeKind::Write, image, io, false); break;
    case Step::Verify: result.ok = verifyWritten(*session, row.image, io, &result.readBack); break;
    case Step::CheckNetwork: {
        const auto checked = stand.checkOnNetwork(row.image, io);
        result.ok = checked.has_value();
        result.detail = checked ? "passed" : checked.error();
        break;
    }
    }
    return result;
}

}  // namespace

int runCommission(const DeviceOptions& device, const CommissionOptions& options, CommissionStand& stand, Streams io) {
    config::ConfigurationImage base;
    if (!loadConfiguration(options.base, base, io)) return kExitFailure;
    std::ifstream in(options.worklist, std::ios::binary);
    if (!in) {
        io.err << "Cannot read " << options.worklist.string() << ".\n";
        return kExitFailure;
    }
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    auto read = commission::readWorklist(text, base);
    if (!read) {
        for (const std::string& error : read.error()) io.err << options.worklist.string() << ": " << error << ".\n";
        return kExitUsage;
    }
    commission::Worklist list = std::move(*read);
    int rows = static_cast<int>(list.rows.size());
    if (options.startAt > rows) {
        io.err << "--start-at " << options.startAt << ": the worklist ends at row " << rows << ".\n";
        return kExitUsage;
    }

    fs::path recordPath = options.record.empty() ? commission::defaultRecordPath(options.worklist) : options.record;
    commission::AsLeftRecord record;
    if (auto opened = record.open(recordPath); !opened) {
        io.err << opened.error() << ".\n";
        return kExitFailure;
    }

    // Ctrl-C is looked at between steps, so that a Write in progress ends cleanly and what it did gets recorded.
    const StopSignals interrupt(StopSignals::Which::Interrupt);
    CommissionRun run(std::move(list), record, {options.checkNetwork, options.startAt, options.again, false},
                      [&io](CommissionRun::Channel channel, const std::string& line) {
                          (channel == CommissionRun::Channel::Out ? io.out : io.err) << line << '\n' << std::flush;
                      });
    std::unique_ptr<DeviceSession> session;
    run.start();
    for (;;) {
        switch (run.phase()) {
        case Phase::AwaitingDevice:
            stand.waitForDevice(interrupted) ? run.deviceCame(stand.severalAttached()) : run.stopRequested();
            break;
        case Phase::AwaitingRemoval: stand.waitUntilGone(interrupted) ? run.deviceWent() : run.stopRequested(); break;
        case Phase::RunningStep: {
            StepResult result = runStep(run, device, session, stand, io);
            if (interrupted()) run.stopRequested();
            run.stepFinished(result);
            break;
        }
        case Phase::RowFailed: return kExitFailure;
        case Phase::Stopped: return kExitInterrupted;
        case Phase::Finished: return kExitDone;
        }
    }
}

}  // namespace vaskiro::cli
