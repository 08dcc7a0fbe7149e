#pragma once

#include <array>
#include <string_view>

namespace vaskiro::cli {

// The tool's exit codes: one per kind of outcome, the same in every command.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailure = 1;        // the device, the network or a file failed
inline constexpr int kExitUsage = 2;          // bad usage or a bad value
inline constexpr int kExitDiffer = 3;         // diff, check: the configurations differ
inline constexpr int kExitOverridden = 4;     // drive: another priority commands the output
inline constexpr int kExitInterrupted = 130;  // commission: stopped by Ctrl-C

struct ExitCode {
    int code;
    std::string_view meaning;
};

// What --help, the manual page and the README say of them.
inline constexpr std::array kExitCodes{
    ExitCode{kExitDone, "done"},
    ExitCode{kExitFailure,
             "failed: no device; the device or the network did not answer or refused; or a file could not be "
             "read or written, or is not in the form the command takes (data file, JSON configuration, as-left "
             "record, checkout marks)"},
    ExitCode{kExitUsage,
             "bad usage or a bad value: the command line, or a setting's value (given, in a worklist, or one "
             "the command cannot use, such as an object identifier outside the BACnet range)"},
    ExitCode{kExitDiffer, "(diff, check) the configurations differ, or an instance answers from two addresses"},
    ExitCode{kExitOverridden, "(drive) the device took the command, but another priority commands the output"},
    ExitCode{kExitInterrupted, "(commission) stopped by Ctrl-C"},
};

}  // namespace vaskiro::cli
