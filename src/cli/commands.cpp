#include "cli/commands.h"

#include "cli/console_port.h"
#include "config/data_file.h"
#include "device/exchange.h"
#include "device/exchange_runner.h"
#include "device/write_checks.h"

namespace vaskiro::cli {

namespace {

enum class Kind { Identify, Read, Write };

// Opens the device, runs one exchange to its end over the same state machine
// the window uses, and keeps the simulated device's state. The port has
// printed what happened; true when the exchange completed.
bool exchangeWithDevice(const DeviceOptions& options, Kind kind, config::ConfigurationImage& image, Streams io) {
    DeviceSession session(options);
    if (!session.open(io.err)) return false;
    ConsolePort port(session.connection(), io.out, io.err);
    device::DeviceExchange exchange(image, port);
    switch (kind) {
    case Kind::Identify: exchange.startIdentify(); break;
    case Kind::Read: exchange.startRead(); break;
    case Kind::Write: exchange.startWrite(); break;
    }
    device::runExchange(exchange, session.connection(), session.replyTimeout());
    bool completed = !port.failed() && (kind != Kind::Read || port.readCompleted());
    return session.saveSimulatedState(io.err) && completed;
}

// The message for a data file that could not be used, as the window words it.
std::string loadFailure(const config::FileResult& result, const std::filesystem::path& path) {
    switch (result.outcome) {
    case config::LoadOutcome::Incompatible: return "Incompatible data file: " + path.string();
    case config::LoadOutcome::LaterFormat:
        return "The file uses a later data format. Cannot load " + path.string();
    case config::LoadOutcome::Unreadable: return "Error Opening File: " + path.string() + " (" + result.error + ")";
    case config::LoadOutcome::Loaded: break;
    }
    return {};
}

}  // namespace

int runInfo(const DeviceOptions& options, Streams io) {
    config::ConfigurationImage unused;
    return exchangeWithDevice(options, Kind::Identify, unused, io) ? kExitDone : kExitFailure;
}

int runRead(const DeviceOptions& options, const std::filesystem::path& output, Streams io) {
    config::ConfigurationImage image;
    image.SetDefaults();
    if (!exchangeWithDevice(options, Kind::Read, image, io)) return kExitFailure;
    auto saved = config::writeDataFile(output, image);
    if (!saved.ok) {
        io.err << "Cannot save " << output.string() << ": " << saved.error << ".\n";
        return kExitFailure;
    }
    io.out << "File Saved: " << output.string() << '\n';
    return kExitDone;
}

int runWrite(const DeviceOptions& options, const std::filesystem::path& input, Streams io) {
    config::ConfigurationImage image;
    image.SetDefaults();
    auto loaded = config::readDataFile(input, image);
    if (loaded.outcome != config::LoadOutcome::Loaded) {
        io.err << loadFailure(loaded, input) << '\n';
        return kExitFailure;
    }
    if (!device::passwordFitsDevice(image.text(config::TextField::DevicePassword))) {
        io.err << device::kThereAreErrors << ": " << device::kPasswordTooLong << ".\n";
        return kExitUsage;
    }
    return exchangeWithDevice(options, Kind::Write, image, io) ? kExitDone : kExitFailure;
}

}  // namespace vaskiro::cli
