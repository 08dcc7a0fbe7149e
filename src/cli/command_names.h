#pragma once

#include <string>
#include <vector>

#include "core/result.h"

namespace vaskiro::cli {

// Accepts the command given when it is one of `commands` or none is given;
// otherwise says what the tool says ("Unknown command shwo: did you mean
// show?"). `arguments` are those after the program's name; the tool's own
// options come before the command, and --timeout and --device take the next
// word as their value.
core::Result<void> checkCommandName(const std::vector<std::string>& arguments,
                                    const std::vector<std::string>& commands);

}  // namespace vaskiro::cli
