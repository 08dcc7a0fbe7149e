#include "cli/checkout_commands.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <csignal>
#include <deque>
#include <iostream>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include "bacnet/point_checkout.h"
#include "core/bacnet_numbers.h"
#include "cli/point_lines.h"

namespace vaskiro::cli {

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<bool> g_stop{false};
void onStop(int) { g_stop = true; }

std::chrono::milliseconds milliseconds(double seconds) {
    return std::chrono::milliseconds(std::llround(seconds * 1000.0));
}

// A command to an output: its channel, and on, off or nothing for release.
struct OutputCommand {
    int channel = 0;
    std::optional<bool> active;
};

std::optional<OutputCommand> parseCommand(const std::string& point, const std::string& command) {
    int channel = 0;
    const char* first = point.data() + 7;
    const auto [end, error] = std::from_chars(first, point.data() + point.size(), channel);
    if (point.rfind("output.", 0) != 0 || error != std::errc{} || end != point.data() + point.size() || channel < 1 ||
        channel > 16)
        return std::nullopt;
    if (command == "on") return OutputCommand{channel, true};
    if (command == "off") return OutputCommand{channel, false};
    if (command == "release") return OutputCommand{channel, std::nullopt};
    return std::nullopt;
}

// The device FILE describes, found and its points read; the reason on `io.err` when not.
class Session {
public:
    int open(const std::filesystem::path& file, const CheckoutOptions& options, Streams io) {
        if (!loadConfiguration(file, m_image, io)) return kExitFailure;
        const std::uint32_t instance = m_image.objectIdentifier();
        const std::int32_t port = m_image.bacnetPort();
        if (instance > core::kLargestDeviceInstance || port < 1 || port > 0xFFFF) {
            io.err << "The file's object identifier " << instance << " or port " << port
                   << " cannot be a BACnet device's.\n";
            return kExitUsage;
        }
        bacnet::Endpoint to{m_image.dhcpEnable() ? config::Octets{255, 255, 255, 255}
                                                 : m_image.address(config::AddressField::IPAddress),
                            static_cast<std::uint16_t>(port)};
        if (!options.to.empty()) {
            auto parsed = bacnet::parseEndpoint(options.to, to.port);
            if (!parsed) {
                io.err << "Bad value: --to " << options.to << " is not ADDRESS or ADDRESS:PORT.\n";
                return kExitUsage;
            }
            to = *parsed;
        }
        std::string error, warning;
        m_client = bacnet::Client::open(to.port, error, warning);
        if (!warning.empty()) io.err << warning << '\n';
        if (!m_client) {
            io.err << error << '\n';
            return kExitFailure;
        }
        const auto timeout = milliseconds(options.timeoutSeconds);
        m_client->setRetryInterval(bacnet::retryIntervalWithin(timeout));
        const std::string who = "BACnet device " + std::to_string(instance);
        const auto device = bacnet::findDevice(*m_client, to, instance, timeout);
        if (!device) {
            io.err << "Nothing answered as " << who << " at " << bacnet::formatEndpoint(to)
                   << ". Check that it is on and on this network, its address and port (or name them with --to), "
                      "and that no firewall blocks UDP on that port.\n";
            return kExitFailure;
        }
        m_checkout =
            std::make_unique<bacnet::PointCheckout>(*m_client, device->address, instance, [] { return g_stop.load(); });
        if (std::string why = m_checkout->findPoints(); !why.empty()) {
            io.err << who << " at " << bacnet::formatEndpoint(device->address)
                   << " answered, but its points could not be found: " << why << ".\n";
            return kExitFailure;
        }
        return kExitDone;
    }

    config::ConfigurationImage m_image;
    std::unique_ptr<bacnet::Client> m_client;
    std::unique_ptr<bacnet::PointCheckout> m_checkout;
};

std::string commandText(const OutputCommand& command) {
    return !command.active ? "release" : *command.active ? "on" : "off";
}

// Commands typed while watching, handed from the thread that reads them; it is left to end with the process.
struct TypedLines {
    std::mutex mutex;
    std::deque<std::string> lines;
};

std::shared_ptr<TypedLines> readTypedLines() {
    auto typed = std::make_shared<TypedLines>();
    std::thread([typed] {
        std::string line;
        while (std::getline(std::cin, line)) {
            std::lock_guard lock(typed->mutex);
            typed->lines.push_back(line);
        }
    }).detach();
    return typed;
}

void obey(const std::string& line, bacnet::PointCheckout& checkout, Streams io) {
    std::string point, command;
    std::istringstream(line) >> point >> command;
    const auto parsed = parseCommand(point, command);
    if (!parsed) {
        if (line.find_first_not_of(" \t\r") != std::string::npos)
            io.err << "Not understood: \"" << line << "\"; write output.N on, off or release (N 1-16).\n";
        return;
    }
    const std::string why = checkout.command(parsed->channel, parsed->active, 8);
    if (!why.empty())
        io.err << point << ' ' << command << " failed: " << why << '\n';
    else if (parsed->active)
        io.err << point << " held " << command << " at priority 8 until released\n";
    else
        io.err << point << " released at priority 8\n";
}

// Releases what is held; a failure is said loudly, with what is still held.
int releaseHeld(bacnet::PointCheckout& checkout, const std::filesystem::path& file, Streams io) {
    if (checkout.held().empty()) return kExitDone;
    const std::vector<int> still = checkout.releaseAll();
    if (still.empty()) {
        io.err << "Every output driven was released.\n";
        return kExitDone;
    }
    io.err << "RELEASE FAILED: these outputs are still commanded at priority 8 on the device:";
    for (int channel : still) io.err << " output." << channel;
    io.err << "\nRelease each with: vaskiro drive " << file.string() << " output.N release\n";
    return kExitFailure;
}

}  // namespace

int runWatch(const std::filesystem::path& file, const CheckoutOptions& options, Streams io) {
    g_stop = false;
    std::signal(SIGINT, onStop);
    std::signal(SIGTERM, onStop);
    Session session;
    if (const int code = session.open(file, options, io); code != kExitDone) return code;
    bacnet::PointCheckout& checkout = *session.m_checkout;
    checkout.readAll();
    const std::string now = options.json ? timestamp() : std::string();
    for (const bacnet::Point& point : checkout.points())
        io.out << pointLine(point, session.m_image, now, options.json) << '\n';
    io.out.flush();
    checkout.subscribeAll(300);
    std::size_t subscribed = 0;
    for (const bacnet::Point& point : checkout.points()) subscribed += point.subscribed ? 1 : 0;
    io.err << "Watching " << checkout.points().size() << " points: " << subscribed << " by COV, "
           << checkout.points().size() - subscribed << " read every second. Ctrl-C ends.\n";
    const auto until = options.forSeconds ? Clock::now() + milliseconds(*options.forSeconds) : Clock::time_point::max();
    auto typed = readTypedLines();
    while (!g_stop && Clock::now() < until) {
        // Woken five times a second for typed commands; the network wakes it at once.
        checkout.follow(std::min(until, Clock::now() + std::chrono::milliseconds(200)), [&](std::size_t index) {
            io.out << pointLine(checkout.points()[index], session.m_image, timestamp(), options.json) << std::endl;
        });
        std::deque<std::string> lines;
        {
            std::lock_guard lock(typed->mutex);
            lines.swap(typed->lines);
        }
        for (const std::string& line : lines) obey(line, checkout, io);
    }
    const int released = releaseHeld(checkout, file, io);
    checkout.cancelSubscriptions();
    return released;
}

int runDrive(const std::filesystem::path& file, const std::string& point, const std::string& command,
             const CheckoutOptions& options, Streams io) {
    const auto parsed = parseCommand(point, command);
    if (!parsed) {
        io.err << "Bad usage: drive FILE output.N on|off|release (N 1-16), not " << point << ' ' << command << ".\n";
        return kExitUsage;
    }
    if (options.priority < 1 || options.priority > 16) {
        io.err << "Bad value: --priority takes 1 to 16, not " << options.priority << ".\n";
        return kExitUsage;
    }
    g_stop = false;
    Session session;
    if (const int code = session.open(file, options, io); code != kExitDone) return code;
    const auto priority = static_cast<std::uint8_t>(options.priority);
    const std::string why = session.m_checkout->command(parsed->channel, parsed->active, priority);
    if (!why.empty()) {
        io.err << "The device did not take " << point << ' ' << commandText(*parsed) << " at priority "
               << options.priority << ": " << why << ".\n";
        return kExitFailure;
    }
    if (!parsed->active) {
        io.out << point << " released at priority " << options.priority << '\n';
        return kExitDone;
    }
    io.out << point << " held " << command << " at priority " << options.priority
           << "; it stays so until: vaskiro drive " << file.string() << ' ' << point << " release"
           << (options.priority == 8 ? "" : " --priority " + std::to_string(options.priority)) << '\n';
    return kExitDone;
}

}  // namespace vaskiro::cli
