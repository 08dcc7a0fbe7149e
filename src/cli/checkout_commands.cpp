#include "cli/checkout_commands.h"

#include <atomic>
#include <csignal>
#include <memory>
#include <sstream>

#include "bacnet/configured_device.h"
#include "bacnet/point_checkout.h"
#include "cli/checkout_input.h"
#include "cli/endpoint_option.h"
#include "cli/point_lines.h"
#include "cli/stop_signals.h"

namespace vaskiro::cli {

namespace {

using Clock = std::chrono::steady_clock;
using Verdict = bacnet::CommandOutcome::Verdict;

int exitCode(Verdict verdict) {
    return verdict == Verdict::AsAsked ? kExitDone : verdict == Verdict::Overridden ? kExitOverridden : kExitFailure;
}

// The device FILE describes, found and its points read; the reason on `io.err` when not.
class Session {
public:
    int open(const std::filesystem::path& file, const CheckoutOptions& options, Streams io) {
        if (!loadConfiguration(file, m_image, io)) return kExitFailure;
        const auto configured = bacnet::configuredDevice(m_image);
        if (!configured) {
            io.err << configured.error() << '\n';
            return kExitUsage;
        }
        const std::uint32_t instance = configured->instance;
        bacnet::Endpoint to = configured->at;
        if (!options.to.empty()) {
            auto parsed = parseEndpointOption("--to", options.to, to.port, io);
            if (!parsed) return kExitUsage;
            to = *parsed;
        }
        std::optional<bacnet::ForeignDevice> foreign;
        if (!parseForeignDevice(options.foreign, foreign, io)) return kExitUsage;
        const auto timeout = fromSeconds(options.timeoutSeconds);
        auto opened = bacnet::openClient(to.port, foreign, timeout,
                                         [&err = io.err](const std::string& note) { err << note << std::endl; });
        if (!opened) {
            io.err << opened.error() << '\n';
            return kExitFailure;
        }
        m_client = std::move(*opened);
        m_who = "BACnet device " + std::to_string(instance);
        const auto device = bacnet::findDevice(*m_client, to, instance, timeout);
        if (!device) {
            io.err << "Nothing answered as " << m_who << " at " << bacnet::formatEndpoint(to)
                   << ". Check that it is on and on this network, its address and port (or name them with --to), "
                      "and that no firewall blocks UDP on that port.\n";
            return kExitFailure;
        }
        m_checkout = std::make_unique<bacnet::PointCheckout>(*m_client, device->address, instance,
                                                             [] { return StopSignals::caught() != 0; });
        if (auto found = m_checkout->findPoints(); !found) {
            io.err << m_who << " at " << bacnet::formatEndpoint(device->address)
                   << " answered, but its points could not be found: " << found.error() << ".\n";
            return kExitFailure;
        }
        m_checkout->readAll();
        return kExitDone;
    }

    // Outputs held at the operator priority by no one this run knows of (a run killed with -9, say).
    void sayLeftovers(const std::filesystem::path& file, int except, Streams io) const {
        for (const bacnet::Leftover& left : m_checkout->leftovers())
            if (left.channel != except)
                io.err << left.text << ": release it with: vaskiro drive " << file.string() << " output."
                       << left.channel << " release\n";
    }

    core::ConfigurationImage m_image;
    std::string m_who;
    std::unique_ptr<bacnet::Client> m_client;
    std::unique_ptr<bacnet::PointCheckout> m_checkout;
};

void obey(const std::string& line, bacnet::PointCheckout& checkout, Streams io) {
    std::string point, command;
    std::istringstream(line) >> point >> command;
    const auto parsed = parseOutputCommand(point, command);
    if (!parsed) {
        if (line.find_first_not_of(" \t\r") != std::string::npos)
            io.err << "Not understood: \"" << line << "\"; write output.N on, off or release (N 1-16).\n";
        return;
    }
    const bacnet::CommandOutcome outcome = checkout.drive(parsed->channel, parsed->active, bacnet::kOperatorPriority);
    io.err << outcome.text << (outcome.verdict == Verdict::AsAsked && parsed->active ? " until released" : "")
           << std::endl;
}

// Releases what is held and reads it back; a failure is said loudly, with what is still held.
int releaseHeld(bacnet::PointCheckout& checkout, const std::filesystem::path& file, Streams io) {
    if (checkout.held().empty()) return kExitDone;
    const std::vector<int> still = checkout.releaseAll();
    if (still.empty()) {
        io.err << "Every output driven was released." << std::endl;
        return kExitDone;
    }
    io.err << "RELEASE FAILED: these outputs are still commanded on the device:";
    for (int channel : still) io.err << " output." << channel;
    io.err << "\nRelease each with: vaskiro drive " << file.string() << " output.N release" << std::endl;
    return kExitFailure;
}

// Why watching ended, for the operator; empty while it goes on.
std::string ending(bool outputFailed, bool inputEnded, bool timeUp) {
    if (const int signal = StopSignals::caught())
        return signal == SIGINT ? "Interrupted." : signal == SIGTERM ? "Terminated." : "The terminal was closed.";
    if (outputFailed) return "The output was closed; ending.";
    if (inputEnded) return "End of input; ending.";
    return timeUp ? "Watched for the time given." : "";
}

}  // namespace

int runWatch(const std::filesystem::path& file, const CheckoutOptions& options, Streams io) {
    const StopSignals endings(StopSignals::Which::Endings);  // each ends the run the same way: outputs released
    Session session;
    if (const int code = session.open(file, options, io); code != kExitDone) return code;
    bacnet::PointCheckout& checkout = *session.m_checkout;
    const auto print = [&](const bacnet::Point& point, const std::string& time) {
        io.out << pointLine(point, session.m_image, time, options.json) << '\n';
    };
    const std::string now = options.json ? timestamp() : std::string();
    for (const bacnet::Point& point : checkout.points()) print(point, now);
    io.out.flush();
    session.sayLeftovers(file, 0, io);
    checkout.subscribeAll(300);
    std::size_t subscribed = 0;
    for (const bacnet::Point& point : checkout.points()) subscribed += point.subscribed ? 1 : 0;
    const bool inputCanEnd = standardInputCanEnd();
    io.err << "Watching " << checkout.points().size() << " points: " << subscribed << " by COV, "
           << checkout.points().size() - subscribed << " read every second; every point read every "
           << bacnet::PointCheckout::kRefreshInterval.count() / 1000 << " s. Ctrl-C"
           << (inputCanEnd ? " or the end of input" : "") << " ends." << std::endl;
    const auto until = options.forSeconds ? Clock::now() + fromSeconds(*options.forSeconds) : Clock::time_point::max();
    auto typed = readTypedLines();
    bool inputEnded = false;
    std::string why;
    while ((why = ending(!io.out || standardOutputClosed(), inputEnded, Clock::now() >= until)).empty()) {
        // Woken five times a second for typed commands; the network wakes it at once.
        checkout.follow(
            std::min(until, Clock::now() + std::chrono::milliseconds(200)),
            [&](std::size_t index) {
                print(checkout.points()[index], timestamp());
                io.out.flush();
            },
            [&](const bacnet::DeviceEvent& event) {
                io.err << timestamp() << '\t' << session.m_who << ": " << event.text
                       << (event.kind == bacnet::DeviceEvent::Kind::Silent ? "; the values shown are stale" : "")
                       << std::endl;
            });
        std::deque<std::string> lines;
        {
            std::lock_guard lock(typed->mutex);
            lines.swap(typed->lines);
            inputEnded = inputCanEnd && typed->ended && lines.empty();
        }
        for (const std::string& line : lines) obey(line, checkout, io);
    }
    io.err << why << std::endl;
    const int released = releaseHeld(checkout, file, io);
    checkout.cancelSubscriptions();
    return released;
}

int runDrive(const std::filesystem::path& file, const std::string& point, const std::string& command,
             const CheckoutOptions& options, Streams io) {
    const auto parsed = parseOutputCommand(point, command);
    if (!parsed) {
        io.err << "Bad usage: drive FILE output.N on|off|release (N 1-16), not " << point << ' ' << command << ".\n";
        return kExitUsage;
    }
    if (options.priority < 1 || options.priority > 16) {
        io.err << "Bad value: --priority takes 1 to 16, not " << options.priority << ".\n";
        return kExitUsage;
    }
    const StopSignals endings(StopSignals::Which::Endings);  // each ends the run the same way: outputs released
    Session session;
    if (const int code = session.open(file, options, io); code != kExitDone) return code;
    session.sayLeftovers(file, parsed->channel, io);
    const auto priority = static_cast<std::uint8_t>(options.priority);
    const bacnet::CommandOutcome outcome = session.m_checkout->drive(parsed->channel, parsed->active, priority);
    if (outcome.verdict == Verdict::Failed) {
        io.err << outcome.text << ".\n";
    } else {
        io.out << outcome.text;
        if (outcome.verdict == Verdict::AsAsked && parsed->active)
            io.out << "; it stays so until: vaskiro drive " << file.string() << ' ' << point << " release"
                   << (options.priority == 8 ? "" : " --priority " + std::to_string(options.priority));
        io.out << '\n';
    }
    if (StopSignals::caught() != 0 && !session.m_checkout->held().empty()) {
        // Stopped while commanding: what it commanded is not left behind.
        io.err << "Interrupted; releasing " << point << ".\n";
        return std::max(releaseHeld(*session.m_checkout, file, io), kExitFailure);
    }
    return exitCode(outcome.verdict);
}

}  // namespace vaskiro::cli
