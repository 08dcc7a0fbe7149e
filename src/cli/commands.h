#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/device_session.h"
#include "cli/exit_codes.h"
#include "commission/commission_run.h"
#include "device/exchange.h"

namespace vaskiro::cli {

struct Streams {
    std::ostream& out;
    std::ostream& err;
    bool progress = false;  // a progress line on `err` during an exchange
};

struct WriteOptions {
    std::vector<std::string> assignments;  // KEY=VALUE, applied in order
    bool verify = false;
};

// A configuration from a data file or a JSON file (told apart by content);
// on failure a line on `io.err` says why.
bool loadConfiguration(const std::filesystem::path& path, core::ConfigurationImage& image, Streams io);

// The steps that commands share.
enum class ExchangeKind { Identify, Read, Write };
// Opens the device unless the session has it open, runs one exchange to its
// end over the same state machine the window uses, and keeps the simulated
// device's state. The port has printed what happened (log lines only when
// `echo`). True when the exchange completed.
bool exchangeWithDevice(DeviceSession& session, ExchangeKind kind, core::ConfigurationImage& image, Streams io,
                        bool echo = true);
// Says why a step of the commissioning engine failed, on `io.err`.
void sayStepFailure(const commission::StepResult& result, Streams io);

int runInfo(const DeviceOptions& options, Streams io);
int runRead(const DeviceOptions& options, const std::filesystem::path& output, Streams io);
int runWrite(const DeviceOptions& options, const std::filesystem::path& input, const WriteOptions& write, Streams io);
int runShow(const std::filesystem::path& input, Streams io);
int runExport(const std::filesystem::path& input, Streams io);
int runImport(const std::filesystem::path& input, const std::filesystem::path& output, Streams io);
int runSet(const std::filesystem::path& input, const std::vector<std::string>& assignments,
           const std::filesystem::path& output, Streams io);
// `a` and `b`: a data file, a JSON file, or "device" for a complete Read.
int runDiff(const DeviceOptions& options, const std::string& a, const std::string& b, Streams io);
int runUnits(Streams io);

}  // namespace vaskiro::cli
