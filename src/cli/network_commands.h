#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/foreign_device_option.h"
#include "bacnet/address_text.h"
#include "core/bacnet_numbers.h"

namespace vaskiro::bacnet {
class SimulatedBbmd;
}

namespace vaskiro::cli {

struct NetworkOptions {
    std::string to;         // ADDRESS[:PORT]; empty: the command's default
    std::string broadcast;  // check: ADDRESS[:PORT] for the second Who-Is; empty: the device's subnet's
    std::string range;      // discover: "LOW-HIGH" or one instance; empty: all
    double timeoutSeconds = std::chrono::duration<double>(core::kNetworkTimeout).count();
    bool header = false;  // discover: name the columns first (on a terminal)
    bool json = false;    // discover: one JSON object per device instead
    ForeignDeviceOption foreign;
};

// Exit 0 when any device answered, 1 when none did or the search failed,
// 2 for a bad address or range.
int runDiscover(const NetworkOptions& options, Streams io);
// Exit 0 all matched, 1 no answer or a value not read, 2 bad usage or
// configuration, 3 a value read differs or the instance answers from two
// addresses.
int runCheck(const std::filesystem::path& input, const NetworkOptions& options, Streams io);
struct SimulateNetworkOptions {
    std::string at;  // ADDRESS:PORT; empty: 127.0.0.1 and the state's configured port
    std::optional<double> forSeconds;
    bool wiggle = false;               // changes inputs and analogues every few seconds
    bool refuseCov = false;            // rejects SubscribeCOV, as a device without COV
    bool refuseReadMultiple = false;   // rejects ReadPropertyMultiple
    bool ignoreReadMultiple = false;   // leaves ReadPropertyMultiple unanswered
    std::optional<std::string> bbmd;   // plays a BBMD too, at ADDRESS:PORT (empty: the default)
    bool refuseRegistrations = false;  // the BBMD refuses every foreign device
};

// Answers as the simulated device in the data file `state` until SIGINT or
// SIGTERM, or for `forSeconds` when given. Each line on standard input sets
// a point ("input.3 on", "analogue.2 21.5").
int runSimulateNetwork(const std::filesystem::path& state, const SimulateNetworkOptions& options, Streams io);

// With --bbmd, the simulated BBMD for `devices` into `bbmd`: at its
// ADDRESS[:PORT], else at `fallback` (a port none of them uses), its endpoint
// said on io.out. Exit 0, else the code after the reason on io.err.
int openSimulatedBbmd(const SimulateNetworkOptions& options, bacnet::Endpoint fallback,
                      std::vector<bacnet::Endpoint> devices, std::unique_ptr<bacnet::SimulatedBbmd>& bbmd, Streams io);

}  // namespace vaskiro::cli
