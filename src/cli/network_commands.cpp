#include "cli/network_commands.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <csignal>

#include "bacnet/network_check.h"
#include "bacnet/simulated_responder.h"
#include "core/bacnet_numbers.h"
#include "core/data_file.h"

namespace vaskiro::cli {

namespace {

std::atomic<bool> g_interrupted{false};

void onInterrupt(int) { g_interrupted = true; }

std::chrono::milliseconds milliseconds(double seconds) {
    return std::chrono::milliseconds(std::llround(seconds * 1000.0));
}

bacnet::Reporter toStreams(Streams io) {
    return {[&out = io.out](const std::string& line) { out << line << std::endl; },
            [&err = io.err](const std::string& note) { err << note << '\n'; }};
}

std::optional<bacnet::Endpoint> parseDestination(const std::string& text, std::uint16_t defaultPort, Streams io,
                                                 const char* option = "--to") {
    auto endpoint = bacnet::parseEndpoint(text, defaultPort);
    if (!endpoint) io.err << "Bad value: " << option << ' ' << text << " is not ADDRESS or ADDRESS:PORT.\n";
    return endpoint;
}

std::optional<std::uint32_t> parseInstance(std::string_view text) {
    std::uint32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty() || value > core::kAnyDeviceInstance)
        return std::nullopt;
    return value;
}

// "N" or "LOW-HIGH".
std::optional<bacnet::WhoIs> parseRange(const std::string& text) {
    const auto dash = text.find('-');
    auto low = parseInstance(std::string_view(text).substr(0, dash));
    auto high = dash == std::string::npos ? low : parseInstance(std::string_view(text).substr(dash + 1));
    if (!low || !high || *low > *high) return std::nullopt;
    return bacnet::WhoIs{low, high};
}

}  // namespace

int runDiscover(const NetworkOptions& options, Streams io) {
    bacnet::DiscoverOptions discover;
    discover.timeout = milliseconds(options.timeoutSeconds);
    if (!options.to.empty()) {
        auto to = parseDestination(options.to, core::kDefaultBacnetPort, io);
        if (!to) return kExitUsage;
        discover.to = *to;
    }
    if (!options.range.empty()) {
        auto range = parseRange(options.range);
        if (!range) {
            io.err << "Bad value: " << options.range << " is not an instance or LOW-HIGH within 0-" << core::kAnyDeviceInstance
                   << ".\n";
            return kExitUsage;
        }
        discover.range = *range;
    }
    const int found = bacnet::discoverDevices(discover, toStreams(io));
    if (found == 0) io.err << "No device answered at " << bacnet::formatEndpoint(discover.to) << ".\n";
    return found > 0 ? kExitDone : kExitFailure;
}

int runCheck(const std::filesystem::path& input, const NetworkOptions& options, Streams io) {
    config::ConfigurationImage image;
    if (!loadConfiguration(input, image, io)) return kExitFailure;
    bacnet::CheckOptions check;
    check.timeout = milliseconds(options.timeoutSeconds);
    // Without a port, the configured one: a directed broadcast reaches the device where it listens.
    const std::int32_t port = image.bacnetPort();
    const std::uint16_t defaultPort =
        port > 0 && port <= 0xFFFF ? static_cast<std::uint16_t>(port) : core::kDefaultBacnetPort;
    if (!options.to.empty()) {
        check.to = parseDestination(options.to, defaultPort, io);
        if (!check.to) return kExitUsage;
    }
    if (!options.broadcast.empty()) {
        check.broadcast = parseDestination(options.broadcast, defaultPort, io, "--broadcast");
        if (!check.broadcast) return kExitUsage;
    }
    const bacnet::CheckResult result = bacnet::checkOnNetwork(image, check, toStreams(io));
    switch (result.outcome) {
    case bacnet::CheckOutcome::Match: io.out << result.summary << '\n'; return kExitDone;
    case bacnet::CheckOutcome::Differs:
    case bacnet::CheckOutcome::Duplicate: io.err << result.summary << '\n'; return kExitDiffer;
    case bacnet::CheckOutcome::BadConfiguration: io.err << result.summary << '\n'; return kExitUsage;
    case bacnet::CheckOutcome::NoAnswer:
    case bacnet::CheckOutcome::Unread:
    case bacnet::CheckOutcome::Failed: break;
    }
    io.err << result.summary << '\n';
    return kExitFailure;
}

int runSimulateNetwork(const std::filesystem::path& state, const std::string& at, std::optional<double> forSeconds,
                       Streams io) {
    config::ConfigurationImage image;
    image.SetDefaults();
    std::error_code unused;
    if (!std::filesystem::exists(state, unused)) {
        io.err << "The simulated device's state file " << state.string()
               << " does not exist; make it with: vaskiro --simulate=" << state.string() << " write FILE\n";
        return kExitFailure;
    }
    if (config::readDataFile(state, image).outcome != config::LoadOutcome::Loaded) {
        io.err << "The simulated device's state file " << state.string() << " is not a usable data file.\n";
        return kExitFailure;
    }
    const std::int32_t port = image.bacnetPort();
    bacnet::Endpoint endpoint{{127, 0, 0, 1}, static_cast<std::uint16_t>(port)};
    if (!at.empty()) {
        auto parsed = bacnet::parseEndpoint(at, endpoint.port);
        if (!parsed) {
            io.err << "Bad value: --at " << at << " is not ADDRESS:PORT.\n";
            return kExitUsage;
        }
        endpoint = *parsed;
    } else if (port < 1 || port > 0xFFFF) {
        io.err << "Bad value: the state's port " << port << " is not a UDP port; name one with --at.\n";
        return kExitUsage;
    }

    std::string error, note;
    auto responder = bacnet::SimulatedResponder::open(image, {}, endpoint, error, note);
    if (!responder) {
        io.err << "Cannot answer on " << bacnet::formatEndpoint(endpoint) << ": " << error << ".\n";
        return kExitFailure;
    }
    if (!note.empty()) io.err << note << '\n';
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    io.out << "Simulated BACnet device " << (image.objectIdentifier() & bacnet::kInstanceMask) << " answering on "
           << bacnet::formatEndpoint(responder->endpoint()) << std::endl;
    const auto until = forSeconds ? std::chrono::steady_clock::now() + milliseconds(*forSeconds)
                                  : std::chrono::steady_clock::time_point::max();
    responder->serve(g_interrupted, until);
    return kExitDone;
}

}  // namespace vaskiro::cli
