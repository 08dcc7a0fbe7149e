#include "cli/commission.h"

#include <csignal>
#include <fstream>
#include <iterator>

#include "cli/as_left_record.h"
#include "cli/worklist.h"

namespace vaskiro::cli {

namespace {

namespace fs = std::filesystem;

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int) { g_interrupted = 1; }

bool interrupted() { return g_interrupted != 0; }

// Ctrl-C only raises a flag, which the run looks at between steps, so that a
// Write in progress ends cleanly and what it did gets recorded.
class InterruptGuard {
public:
    InterruptGuard() : m_previous(std::signal(SIGINT, onInterrupt)) { g_interrupted = 0; }
    ~InterruptGuard() { std::signal(SIGINT, m_previous); }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

private:
    void (*m_previous)(int);
};

fs::path defaultRecord(const fs::path& worklist) {
    return worklist.parent_path() / (worklist.stem().string() + "-as-left.csv");
}

enum class Outcome { Done, Refused, Failed, Stopped };

class Run {
public:
    Run(const DeviceOptions& device, const CommissionOptions& options, CommissionStand& stand, AsLeftRecord& record,
        Streams io)
        : m_device(device), m_options(options), m_stand(stand), m_record(record), m_io(io) {}

    // One device for `row`: identify, refuse or write, verify, check, record.
    Outcome commission(const WorklistRow& row) {
        m_recorded = false;
        DeviceSession session(m_device);
        AsLeftEntry entry{{}, row.row, row.tag, {}, {}, row.image, {}, "not checked"};
        if (m_stand.severalAttached()) {
            m_io.err << "Several VASKIRO are connected: leave only the one for row " << row.row << ".\n";
            return Outcome::Refused;
        }
        std::optional<device::DeviceIdentity> identity;
        config::ConfigurationImage unused;
        step(row, "identifying");
        // Nothing is written yet: a device that cannot say who it is is only refused.
        if (!exchangeWithDevice(session, ExchangeKind::Identify, unused, m_io, false, &identity) || !identity)
            return Outcome::Refused;
        entry.serial = std::to_string(identity->serial);
        entry.version = identity->version;
        m_io.out << "Row " << row.row << ": device " << entry.serial << ", version " << entry.version << '\n';
        if (const std::string* earlier = m_record.rowOf(entry.serial); earlier && !m_options.again) {
            m_io.err << "Device " << entry.serial << " refused: already commissioned as " << *earlier
                     << " (give --again to commission it once more).\n";
            return Outcome::Refused;
        }
        if (interrupted()) return Outcome::Stopped;

        step(row, "writing");
        config::ConfigurationImage image = row.image;
        if (!exchangeWithDevice(session, ExchangeKind::Write, image, m_io, false)) return Outcome::Failed;
        step(row, "verifying");
        bool verified = verifyWritten(session, row.image, m_io);
        entry.verify = verified ? "verified" : "failed";
        bool reached = true;
        if (m_options.checkNetwork) {
            step(row, "checking on the network");
            reached = m_stand.checkOnNetwork(row.image, entry.network, m_io);
        }
        entry.time = localTimeIso8601();
        std::string error;
        if (!m_record.append(entry, error)) {
            m_io.err << error << ".\n";
            return Outcome::Failed;
        }
        m_recorded = true;
        return verified && reached ? Outcome::Done : Outcome::Failed;
    }

    // The last device commissioned got a line in the record.
    bool recorded() const { return m_recorded; }

private:
    void step(const WorklistRow& row, const char* what) {
        m_io.out << "Row " << row.row << ": " << what << '\n' << std::flush;
    }

    const DeviceOptions& m_device;
    const CommissionOptions& m_options;
    CommissionStand& m_stand;
    AsLeftRecord& m_record;
    Streams m_io;
    bool m_recorded = false;
};

int stopped(int resumeRow, Streams io) {
    io.err << "Stopped. Resume with --start-at " << resumeRow << ".\n";
    return kExitInterrupted;
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
    auto read = readWorklist(text, base);
    if (!read) {
        for (const std::string& error : read.error()) io.err << options.worklist.string() << ": " << error << ".\n";
        return kExitUsage;
    }
    const Worklist& list = *read;
    int rows = static_cast<int>(list.rows.size());
    if (options.startAt > rows) {
        io.err << "--start-at " << options.startAt << ": the worklist ends at row " << rows << ".\n";
        return kExitUsage;
    }

    fs::path recordPath = options.record.empty() ? defaultRecord(options.worklist) : options.record;
    AsLeftRecord record;
    if (std::string error; !record.open(recordPath, error)) {
        io.err << error << ".\n";
        return kExitFailure;
    }

    InterruptGuard guard;
    Run run(device, options, stand, record, io);
    int total = rows - options.startAt + 1, done = 0;
    io.out << "Commissioning " << total << " of " << rows << " rows; as-left record: " << recordPath.string() << '\n';
    for (int index = options.startAt - 1; index < rows; ++index) {
        const WorklistRow& row = list.rows[static_cast<std::size_t>(index)];
        Outcome outcome = Outcome::Refused;
        while (outcome == Outcome::Refused) {
            if (interrupted()) return stopped(row.row, io);
            io.out << "Connect device for " << row.row << (row.tag.empty() ? "" : " (" + row.tag + ")") << '\n'
                   << std::flush;
            if (!stand.waitForDevice(interrupted)) return stopped(row.row, io);
            outcome = run.commission(row);
            if (outcome == Outcome::Stopped) return stopped(row.row, io);
            if (outcome == Outcome::Failed) {
                io.err << "Row " << row.row << " is not commissioned. Resume with --start-at " << row.row
                       << (run.recorded() ? " --again (its device is in the record)" : "") << ".\n";
                return kExitFailure;
            }
            if (outcome == Outcome::Done) io.out << ++done << " of " << total << " done\n";
            io.out << "Disconnect the device\n" << std::flush;
            if (index + 1 == rows && outcome == Outcome::Done) break;
            if (!stand.waitUntilGone(interrupted)) return stopped(row.row + (outcome == Outcome::Done), io);
        }
    }
    io.out << "All " << total << " rows done.\n";
    return kExitDone;
}

}  // namespace vaskiro::cli
