#pragma once

// What `watch` reads on its standard input: commands to outputs, and its end.

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace vaskiro::cli {

// A command to an output: its channel, and on, off or nothing for release.
struct OutputCommand {
    int channel = 0;
    std::optional<bool> active;
};

// "output.N" (N 1-16) and "on", "off" or "release"; nothing when not that.
std::optional<OutputCommand> parseOutputCommand(const std::string& point, const std::string& command);

// Lines read from standard input by a thread of their own, which is left to
// end with the process (nothing portable ends a wait for a line).
struct TypedLines {
    std::mutex mutex;
    std::deque<std::string> lines;
    bool ended = false;  // end of input, or none to read
};
std::shared_ptr<TypedLines> readTypedLines();

// Whether the end of standard input means the operator is done: a terminal,
// a pipe or a file. /dev/null, a closed standard input (a service, CI) and
// the terminal of a job started in the background are no input at all.
bool standardInputCanEnd();

// Whether whatever read standard output has gone (the reader of a pipe
// ended), so that a watch with nothing to print notices it too.
bool standardOutputClosed();

}  // namespace vaskiro::cli
