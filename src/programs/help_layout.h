#pragma once

// The layout of `vaskiro --help-all`, which is also what help2man makes the
// manual page from: each command on one line with its description, then its
// arguments and options indented below it, so that both the terminal and
// help2man list them as items.

#include <CLI/CLI.hpp>

#include <sstream>
#include <string>

namespace vaskiro::programs {

class HelpLayout : public CLI::Formatter {
public:
    std::string make_expanded(const CLI::App* command) const override {
        std::stringstream out;
        CLI::detail::format_help(out, command->get_display_name(true), command->get_description(), get_column_width());
        std::stringstream items(make_positionals(command) + make_groups(command, CLI::AppFormatMode::Sub));
        for (std::string line; std::getline(items, line);)
            if (line.rfind("  ", 0) == 0) out << "    " << line << '\n';  // not a group's heading nor blank
        return out.str();
    }
};

}  // namespace vaskiro::programs
