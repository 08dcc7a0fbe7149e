// vaskiro: the configuration utility's command-line tool, for scripts and
// for commissioning devices in batches. A thin shell over the same core as
// the window: the same exchange, checks, messages and data file format.

#include <CLI/CLI.hpp>

#include <cmath>
#include <iostream>

#include "cli/commands.h"

int main(int argc, char** argv) {
    using namespace vaskiro::cli;

    CLI::App app{"Reads, writes and inspects the settings of a VASKIRO BACnet interface.", "vaskiro"};
    app.require_subcommand(1);

    std::string simulateState;
    double timeoutSeconds = 5.0;
    auto* simulate = app.add_option("--simulate", simulateState,
                                    "Use the built-in simulated device instead of hardware; with =STATE its settings "
                                    "are kept in the data file STATE between runs")
                         ->expected(0, 1);
    app.add_option("--timeout", timeoutSeconds, "Seconds to wait for each reply of the device (default 5)")
        ->check(CLI::PositiveNumber);

    std::filesystem::path readOutput, writeInput;
    auto* info = app.add_subcommand("info", "Identify the device: application version and serial number");
    auto* read = app.add_subcommand("read", "Read the device's settings into a data file");
    read->add_option("-o,--output", readOutput, "Data file to write (.dat)")->required();
    auto* write = app.add_subcommand("write", "Write a data file's settings into the device");
    write->add_option("file", writeInput, "Data file to write into the device (.dat)")->required();
    for (auto* sub : {info, read, write}) sub->fallthrough();

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "vaskiro: " << e.what() << " (try --help)\n";
        return kExitUsage;
    }

    DeviceOptions options;
    options.simulate = simulate->count() > 0;
    options.simulateState = simulateState;
    options.replyTimeout = std::chrono::milliseconds(std::llround(timeoutSeconds * 1000.0));

    Streams io{std::cout, std::cerr};
    if (*info) return runInfo(options, io);
    if (*read) return runRead(options, readOutput, io);
    return runWrite(options, writeInput, io);
}
