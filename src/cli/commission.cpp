#include "cli/commission.h"

#include <fstream>
#include <iterator>

#include "cli/stop_signals.h"
#include "commission/commission_run.h"
#include "commission/device_steps.h"

namespace vaskiro::cli {

namespace {

namespace fs = std::filesystem;

bool interrupted() { return StopSignals::caught() != 0; }

using commission::CommissionRun;
using commission::Phase;
using commission::Step;
using commission::StepResult;

}  // namespace

int runCommission(const DeviceOptions& device, const CommissionOptions& options, CommissionStand& stand, Streams io) {
    core::ConfigurationImage base;
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
    // The window's steps: each row's device opened anew at Identify, the network check's lines indented.
    commission::DeviceSteps steps(*device.devices, device.devicePath, device.replyTimeout,
                                  {[&io](const std::string& line) { io.out << "  " << line << '\n'
                                                                           << std::flush; },
                                   [&io](const std::string& note) { io.err << "  " << note << '\n'; }});
    run.start();
    for (;;) {
        switch (run.phase()) {
        case Phase::AwaitingDevice:
            stand.waitForDevice(interrupted) ? run.deviceCame(stand.severalAttached()) : run.stopRequested();
            break;
        case Phase::AwaitingRemoval: stand.waitUntilGone(interrupted) ? run.deviceWent() : run.stopRequested(); break;
        case Phase::RunningStep: {
            StepResult result = steps.run(run.step(), run.currentRow().image);
            if (!result.ok && run.step() != Step::CheckNetwork) sayStepFailure(result, io);
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
