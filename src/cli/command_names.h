#pragma once

#include <string>
#include <vector>

namespace vaskiro::cli {

// What the tool says when the command it is given is none of `commands`
// ("Unknown command shwo: did you mean show?"), or empty when the command
// is known or none is given. `arguments` are those after the program's name;
// the tool's own options come before the command, and --timeout and
// --device take the next word as their value.
std::string unknownCommandMessage(const std::vector<std::string>& arguments, const std::vector<std::string>& commands);

}  // namespace vaskiro::cli
