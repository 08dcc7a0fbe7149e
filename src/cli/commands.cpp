#include "cli/commands.h"

#include <fstream>
#include <iomanip>
#include <sstream>

#include "cli/console_port.h"
#include "commission/json_form.h"
#include "commission/device_steps.h"
#include "core/atomic_file.h"
#include "core/data_file.h"
#include "core/display_text.h"
#include "core/settings_table.h"
#include "device/exchange.h"
#include "device/exchange_runner.h"
#include "device/write_checks.h"
#include "core/engineering_units.h"

namespace vaskiro::cli {

namespace {

using core::ConfigurationImage;
using Kind = ExchangeKind;
namespace fs = std::filesystem;

}  // namespace

// Opens the device, runs one exchange to its end over the same state machine
// the window uses, and keeps the simulated device's state. The port has
// printed what happened; true when the exchange completed.
// One session serves every exchange of a command, so that a simulated device
// without a state file keeps what was written for the Read that verifies it.
bool exchangeWithDevice(DeviceSession& session, Kind kind, ConfigurationImage& image, Streams io, bool echo) {
    if (!session.isOpen() && !session.open(io.err)) return false;
    ConsolePort port(session.connection(), io.out, io.err);
    port.setEchoLog(echo);
    device::DeviceExchange exchange(image, port);
    if (io.progress) {
        const char* what = kind == Kind::Write ? "Writing" : kind == Kind::Read ? "Reading" : "Identifying";
        port.setProgress([&exchange, &io, what] {
            if (exchange.idle()) return;
            io.err << '\r' << what << ": step " << exchange.stepsDone() + 1 << " of " << exchange.stepsTotal()
                   << std::flush;
        });
    }
    switch (kind) {
    case Kind::Identify: exchange.startIdentify(); break;
    case Kind::Read: exchange.startRead(); break;
    case Kind::Write: exchange.startWrite(); break;
    }
    device::runExchange(exchange, session.connection(), session.replyTimeout());
    if (io.progress) io.err << "\r\033[K" << std::flush;
    bool completed = !port.failed() && (kind != Kind::Read || port.readCompleted());
    return session.saveSimulatedState(io.err) && completed;
}

namespace {

// What a data file that could not be used says, as the window words it, and why.
std::string loadFailure(const core::FileResult& result, const fs::path& path) {
    switch (result.outcome) {
    case core::LoadOutcome::Incompatible:
        return "Incompatible data file: " + path.string() + " (" + result.error + ")";
    case core::LoadOutcome::LaterFormat: return "The file uses a later data format. Cannot load " + path.string();
    case core::LoadOutcome::Unreadable: return "Error Opening File: " + path.string() + " (" + result.error + ")";
    case core::LoadOutcome::Loaded: break;
    }
    return {};
}

// Named .json, or beginning as JSON does: '{', a byte order mark, or '{' in
// UTF-16, which the JSON reader then explains.
bool looksLikeJson(const fs::path& path) {
    if (path.extension() == ".json") return true;
    std::ifstream in(path, std::ios::binary);
    std::string start(4, '\0');
    in.read(start.data(), 4);
    start.resize(static_cast<std::size_t>(in.gcount()));
    if (start.starts_with("\xEF\xBB\xBF") || start.starts_with(std::string("{\0", 2)) ||
        start.starts_with(std::string("\0{", 2)) || (start.starts_with("\xFF\xFE") && start.size() == 4 && !start[3]) ||
        (start.starts_with("\xFE\xFF") && start.size() == 4 && !start[2]))
        return true;
    in.clear();
    in.seekg(0);
    char c = 0;
    while (in.get(c) && std::isspace(static_cast<unsigned char>(c))) {}
    return in && c == '{';
}

}  // namespace

bool loadConfiguration(const fs::path& path, ConfigurationImage& image, Streams io) {
    image.SetDefaults();
    if (looksLikeJson(path)) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        auto imported = commission::importJson(text.str());
        if (!imported) {
            io.err << path.string() << " " << imported.error() << ".\n";
            return false;
        }
        image = *imported;
        return true;
    }
    auto result = core::readDataFile(path, image);
    if (result.outcome != core::LoadOutcome::Loaded) io.err << loadFailure(result, path) << '\n';
    if (!result.note.empty()) io.err << "Note: " << path.string() << ": " << result.note << ".\n";
    return result.outcome == core::LoadOutcome::Loaded;
}

namespace {

bool saveDataFile(const fs::path& path, const ConfigurationImage& image, Streams io) {
    auto saved = core::writeDataFile(path, image);
    if (!saved) io.err << "Cannot save " << path.string() << ": " << saved.error() << ".\n";
    return saved.has_value();
}

bool applyAssignments(ConfigurationImage& image, const std::vector<std::string>& assignments, Streams io) {
    for (const std::string& assignment : assignments) {
        auto assigned = core::assignSetting(image, assignment);
        if (!assigned) {
            io.err << "Bad value: " << assigned.error() << ".\n";
            return false;
        }
    }
    return true;
}

// A setting's value as a terminal may show it: a file's texts may hold anything.
std::string shown(const core::Setting& s, const ConfigurationImage& image) {
    return core::escapeControlCharacters(s.show(image));
}

}  // namespace

void sayStepFailure(const commission::StepResult& result, Streams io) {
    // A Verify that read the device back and found it differs; otherwise the error box's words.
    if (result.readBack)
        io.err << "Verification failed: " << result.detail << ".\n";
    else if (!result.detail.empty())
        io.err << result.detail << '\n';
}

int runInfo(const DeviceOptions& options, Streams io) {
    DeviceSession session(options);
    ConfigurationImage unused;
    return exchangeWithDevice(session, Kind::Identify, unused, io) ? kExitDone : kExitFailure;
}

int runRead(const DeviceOptions& options, const fs::path& output, Streams io) {
    ConfigurationImage image;
    image.SetDefaults();
    DeviceSession session(options);
    if (!exchangeWithDevice(session, Kind::Read, image, io)) return kExitFailure;
    if (!saveDataFile(output, image, io)) return kExitFailure;
    io.out << "File Saved: " << output.string() << '\n';
    return kExitDone;
}

int runWrite(const DeviceOptions& options, const fs::path& input, const WriteOptions& write, Streams io) {
    ConfigurationImage image;
    if (!loadConfiguration(input, image, io)) return kExitFailure;
    if (!applyAssignments(image, write.assignments, io)) return kExitUsage;
    if (!device::passwordFitsDevice(image.text(core::TextField::DevicePassword))) {
        io.err << device::kThereAreErrors << ": " << device::kPasswordTooLong << ".\n";
        return kExitUsage;
    }
    for (const core::CutText& cut : core::textsTheDeviceCuts(image))
        io.err << "Note: the device keeps " << cut.kept << " characters of " << cut.setting->key << " (" << cut.given
               << " given): it will hold \"" << core::escapeControlCharacters(cut.holds) << "\".\n";
    {
        DeviceSession session(options);
        if (!exchangeWithDevice(session, Kind::Write, image, io)) return kExitFailure;
    }
    if (!write.verify) return kExitDone;

    // The Verify step of commissioning, on the device opened anew.
    commission::DeviceSteps steps(*options.devices, options.devicePath, options.replyTimeout);
    const commission::StepResult verified = steps.run(commission::Step::Verify, image);
    if (!verified.ok) {
        sayStepFailure(verified, io);
        return kExitFailure;
    }
    io.out << "Verified: the device holds what was written.\n";
    return kExitDone;
}

int runShow(const fs::path& input, Streams io) {
    ConfigurationImage image;
    if (!loadConfiguration(input, image, io)) return kExitFailure;
    std::size_t width = 0;
    for (const core::Setting& s : core::allSettings()) width = std::max(width, s.key.size());
    for (const core::Setting& s : core::allSettings())
        io.out << std::left << std::setw(static_cast<int>(width + 2)) << s.key << shown(s, image) << '\n';
    return kExitDone;
}

int runExport(const fs::path& input, Streams io) {
    ConfigurationImage image;
    if (!loadConfiguration(input, image, io)) return kExitFailure;
    io.out << commission::exportJson(image);
    return kExitDone;
}

int runImport(const fs::path& input, const fs::path& output, Streams io) {
    ConfigurationImage image;
    if (!loadConfiguration(input, image, io)) return kExitFailure;
    return saveDataFile(output, image, io) ? kExitDone : kExitFailure;
}

int runSet(const fs::path& input, const std::vector<std::string>& assignments, const fs::path& output, Streams io) {
    ConfigurationImage image;
    if (!loadConfiguration(input, image, io)) return kExitFailure;
    if (!applyAssignments(image, assignments, io)) return kExitUsage;
    return saveDataFile(output, image, io) ? kExitDone : kExitFailure;
}

int runDiff(const DeviceOptions& options, const std::string& a, const std::string& b, Streams io) {
    DeviceSession session(options);
    auto load = [&](const std::string& source, ConfigurationImage& image) {
        if (source != "device") return loadConfiguration(source, image, io);
        image.SetDefaults();
        return exchangeWithDevice(session, Kind::Read, image, io, false);
    };
    ConfigurationImage first, second;
    if (!load(a, first) || !load(b, second)) return kExitFailure;
    // Each line reads as the change a Write makes: from what the device
    // holds to what is written (the file; of two files, the first).
    const bool toFirst = a != "device";
    const ConfigurationImage& from = toFirst ? second : first;
    const ConfigurationImage& to = toFirst ? first : second;
    const std::string& fromName = toFirst ? b : a;
    const std::string& toName = toFirst ? a : b;
    for (const core::Setting* s : core::differences(from, to))
        io.out << s->key << ": " << s->show(from) << " (" << fromName << ") -> " << s->show(to) << " (" << toName
               << ")\n";
    return core::differences(first, second).empty() ? kExitDone : kExitDiffer;
}

int runUnits(Streams io) {
    for (std::uint32_t code = 0; code < core::kUnitCount; ++code)
        io.out << code << '\t' << core::EngineeringUnitName(code) << '\t' << core::categoryOf(code) << '\n';
    return kExitDone;
}

}  // namespace vaskiro::cli
