#include "cli/network_commands.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <iostream>
#include <random>
#include <thread>

#include <nlohmann/json.hpp>

#include "bacnet/configured_device.h"
#include "bacnet/network_check.h"
#include "bacnet/simulated/simulated_bbmd.h"
#include "bacnet/simulated/simulated_responder.h"
#include "cli/endpoint_option.h"
#include "cli/stop_signals.h"
#include "commission/as_left_record.h"
#include "core/bacnet_numbers.h"
#include "core/data_file.h"

namespace vaskiro::cli {

namespace {

bacnet::Reporter toStreams(Streams io) {
    return {[&out = io.out](const std::string& line) { out << line << std::endl; },
            [&err = io.err](const std::string& note) { err << note << '\n'; }};
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

// discover's columns, as its header names them and its --json keys them.
constexpr std::string_view kDiscoverHeader = "instance\taddress\tvendor\tobject-name\tnote";

// One device's tab-separated line (instance, address, vendor id, name or
// "(object-name not read: WHY)", and "duplicate instance" when so) as JSON.
std::string discoverJson(const std::string& line) {
    std::vector<std::string> fields;
    for (std::size_t start = 0, tab;; start = tab + 1) {
        tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) break;
    }
    fields.resize(5);
    constexpr std::string_view kNotRead = "(object-name not read: ";
    nlohmann::ordered_json device{{"instance", std::stoul(fields[0])},
                                  {"address", fields[1]},
                                  {"vendor", std::stoul(fields[2])},
                                  {"name", fields[3]}};
    if (fields[3].rfind(kNotRead, 0) == 0 && fields[3].back() == ')') {
        device["name"] = nullptr;
        device["name_error"] = fields[3].substr(kNotRead.size(), fields[3].size() - kNotRead.size() - 1);
    }
    device["duplicate"] = !fields[4].empty();
    return device.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

int runDiscover(const NetworkOptions& options, Streams io) {
    bacnet::DiscoverOptions discover;
    discover.timeout = fromSeconds(options.timeoutSeconds);
    if (!parseForeignDevice(options.foreign, discover.bbmd, io)) return kExitUsage;
    if (!options.to.empty()) {
        auto to = parseEndpointOption("--to", options.to, core::kDefaultBacnetPort, io);
        if (!to) return kExitUsage;
        discover.to = *to;
    }
    if (!options.range.empty()) {
        auto range = parseRange(options.range);
        if (!range) {
            io.err << "Bad value: " << options.range << " is not an instance or LOW-HIGH within 0-"
                   << core::kAnyDeviceInstance << ".\n";
            return kExitUsage;
        }
        discover.range = *range;
    }
    bacnet::Reporter reporter = toStreams(io);
    bool headed = false;
    reporter.line = [&](const std::string& line) {
        if (options.header && !options.json && !headed) io.out << kDiscoverHeader << '\n';
        headed = true;
        io.out << (options.json ? discoverJson(line) : line) << std::endl;
    };
    // A signal ends the run at its bound, the registration deleted.
    std::optional<StopSignals> endings;
    if (discover.bbmd) endings.emplace(StopSignals::Which::Endings);
    const int found = bacnet::discoverDevices(discover, reporter);
    if (found == 0) io.err << "No device answered at " << bacnet::formatEndpoint(discover.to) << ".\n";
    return found > 0 ? kExitDone : kExitFailure;
}

int runCheck(const std::filesystem::path& input, const NetworkOptions& options, Streams io) {
    core::ConfigurationImage image;
    if (!loadConfiguration(input, image, io)) return kExitFailure;
    bacnet::CheckOptions check;
    check.timeout = fromSeconds(options.timeoutSeconds);
    if (!parseForeignDevice(options.foreign, check.bbmd, io)) return kExitUsage;
    // Without a port, the configured one: a directed broadcast reaches the device where it listens.
    const auto configured = bacnet::configuredDevice(image);
    const std::uint16_t defaultPort = configured ? configured->at.port : core::kDefaultBacnetPort;
    if (!options.to.empty()) {
        check.to = parseEndpointOption("--to", options.to, defaultPort, io);
        if (!check.to) return kExitUsage;
    }
    if (!options.broadcast.empty()) {
        check.broadcast = parseEndpointOption("--broadcast", options.broadcast, defaultPort, io);
        if (!check.broadcast) return kExitUsage;
    }
    std::optional<StopSignals> endings;  // a signal ends the run at its bound, the registration deleted
    if (check.bbmd) endings.emplace(StopSignals::Which::Endings);
    const bacnet::CheckResult result = bacnet::checkOnNetwork(image, check, toStreams(io));
    switch (result.outcome) {
    case bacnet::CheckOutcome::Match: io.out << result.summary << '\n'; return kExitDone;
    case bacnet::CheckOutcome::Differs:
    case bacnet::CheckOutcome::Duplicate: io.err << commission::oneLine(result.summary) << '\n'; return kExitDiffer;
    case bacnet::CheckOutcome::BadConfiguration:
        io.err << commission::oneLine(result.summary) << '\n';
        return kExitUsage;
    case bacnet::CheckOutcome::NoAnswer:
    case bacnet::CheckOutcome::Unread:
    case bacnet::CheckOutcome::Failed: break;
    }
    // One line per failure: the advice that follows "Nothing answered" too.
    io.err << commission::oneLine(result.summary) << '\n';
    return kExitFailure;
}

namespace {

// Lines typed on standard input, each applied to the device's points as it comes. The thread is left to end
// with the process: nothing portable ends a wait for a line; it keeps the responder it changes alive.
void readPointLines(std::shared_ptr<bacnet::SimulatedResponder> responder, std::ostream& err) {
    std::thread([responder, &err] {
        std::string line;
        while (std::getline(std::cin, line)) {
            if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
            responder->change([line, &err](bacnet::SimulatedPoints& points) {
                if (std::string why = points.apply(line); !why.empty()) err << why << std::endl;
            });
        }
    }).detach();
}

// Every 2 s one input toggles and one analogue moves, so that a demonstration shows changes.
std::thread wiggle(bacnet::SimulatedResponder& responder, const std::atomic<bool>& stop) {
    return std::thread([&responder, &stop] {
        std::mt19937 random(std::random_device{}());
        for (int tick = 1; !stop && !StopSignals::stopFlag(); ++tick) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (tick % 20 != 0) continue;
            const int input = std::uniform_int_distribution(1, bacnet::SimulatedPoints::kInputs)(random);
            const int analogue = std::uniform_int_distribution(1, bacnet::SimulatedPoints::kAnalogues)(random);
            const float value = std::round(std::uniform_real_distribution(0.0f, 100.0f)(random) * 10.0f) / 10.0f;
            responder.change([=](bacnet::SimulatedPoints& points) {
                points.setInput(input, !points.input(input));
                points.setAnalogue(analogue, value);
            });
        }
    });
}

}  // namespace

int runSimulateNetwork(const std::filesystem::path& state, const SimulateNetworkOptions& options, Streams io) {
    const std::string& at = options.at;
    core::ConfigurationImage image;
    image.SetDefaults();
    std::error_code unused;
    if (!std::filesystem::exists(state, unused)) {
        io.err << "The simulated device's state file " << state.string()
               << " does not exist; make it with: vaskiro --simulate=" << state.string() << " write FILE\n";
        return kExitFailure;
    }
    if (core::readDataFile(state, image).outcome != core::LoadOutcome::Loaded) {
        io.err << "The simulated device's state file " << state.string() << " is not a usable data file.\n";
        return kExitFailure;
    }
    const std::int32_t port = image.bacnetPort();
    bacnet::Endpoint endpoint{{127, 0, 0, 1}, static_cast<std::uint16_t>(port)};
    if (!at.empty()) {
        auto parsed = parseEndpointOption("--at", at, endpoint.port, io);
        if (!parsed) return kExitUsage;
        endpoint = *parsed;
    } else if (port < 1 || port > core::kLargestUdpPort) {
        io.err << "Bad value: the state's port " << port << " is not a UDP port; name one with --at.\n";
        return kExitUsage;
    }

    std::string note;
    auto opened = bacnet::SimulatedResponder::open(image, {}, endpoint, note);
    if (!opened) {
        io.err << "Cannot answer on " << bacnet::formatEndpoint(endpoint) << ": " << opened.error() << ".\n";
        return kExitFailure;
    }
    std::shared_ptr<bacnet::SimulatedResponder> responder = std::move(*opened);
    if (!note.empty()) io.err << note << '\n';
    const StopSignals endings(StopSignals::Which::Endings);
    if (options.refuseCov) responder->device().refuseSubscriptions();
    if (options.refuseReadMultiple) responder->device().refuseReadMultiple();
    if (options.ignoreReadMultiple) responder->device().ignoreReadMultiple();
    const auto until = options.forSeconds ? std::chrono::steady_clock::now() + fromSeconds(*options.forSeconds)
                                          : std::chrono::steady_clock::time_point::max();
    std::unique_ptr<bacnet::SimulatedBbmd> bbmd;
    bacnet::Endpoint next = responder->endpoint();
    ++next.port;
    if (const int code = openSimulatedBbmd(options, next, {responder->endpoint()}, bbmd, io)) return code;
    // Said once everything asked for is open, so that a BBMD that cannot be played leaves no "answering".
    io.out << "Simulated BACnet device " << (image.objectIdentifier() & bacnet::kInstanceMask) << " answering on "
           << bacnet::formatEndpoint(responder->endpoint()) << std::endl;
    readPointLines(responder, io.err);
    std::atomic<bool> served{false};
    std::thread wiggling = options.wiggle ? wiggle(*responder, served) : std::thread();
    std::thread distributing = bbmd ? std::thread([&] { bbmd->serve(served, until); }) : std::thread();
    responder->serve(StopSignals::stopFlag(), until);
    served = true;
    for (std::thread* thread : {&wiggling, &distributing})
        if (thread->joinable()) thread->join();
    return kExitDone;
}

int openSimulatedBbmd(const SimulateNetworkOptions& options, bacnet::Endpoint fallback,
                      std::vector<bacnet::Endpoint> devices, std::unique_ptr<bacnet::SimulatedBbmd>& bbmd, Streams io) {
    if (!options.bbmd) return kExitDone;
    bacnet::Endpoint at = fallback;
    if (!options.bbmd->empty()) {
        auto parsed = parseEndpointOption("--bbmd", *options.bbmd, at.port, io);
        if (!parsed) return kExitUsage;
        at = *parsed;
    }
    auto opened = bacnet::SimulatedBbmd::open(at, std::move(devices));
    if (!opened) {
        io.err << "Cannot play a BBMD on " << bacnet::formatEndpoint(at) << ": " << opened.error() << ".\n";
        return kExitFailure;
    }
    bbmd = std::move(*opened);
    if (options.refuseRegistrations) bbmd->refuseRegistrations();
    bbmd->onEvent([&out = io.out](const std::string& line) { out << line << std::endl; });
    io.out << "Simulated BBMD answering on " << bacnet::formatEndpoint(bbmd->endpoint()) << std::endl;
    return kExitDone;
}

}  // namespace vaskiro::cli
