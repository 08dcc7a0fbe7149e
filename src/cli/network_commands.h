#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "cli/commands.h"

namespace vaskiro::cli {

struct NetworkOptions {
    std::string to;      // ADDRESS[:PORT]; empty: the command's default
    std::string broadcast;  // check: ADDRESS[:PORT] for the second Who-Is; empty: the device's subnet's
    std::string range;   // discover: "LOW-HIGH" or one instance; empty: all
    double timeoutSeconds = 3.0;
};

// Exit 0 when any device answered, 1 when none did or the search failed,
// 2 for a bad address or range.
int runDiscover(const NetworkOptions& options, Streams io);
// Exit 0 all matched, 1 no answer or a value not read, 2 bad usage or
// configuration, 3 a value read differs or the instance answers from two
// addresses.
int runCheck(const std::filesystem::path& input, const NetworkOptions& options, Streams io);
// Answers as the simulated device in the data file `state` until SIGINT or
// SIGTERM, or for `forSeconds` when given. `at`: ADDRESS:PORT, default
// 127.0.0.1 and the state's configured port.
int runSimulateNetwork(const std::filesystem::path& state, const std::string& at, std::optional<double> forSeconds,
                       Streams io);

}  // namespace vaskiro::cli
