#include "cli/command_names.h"

#include <algorithm>
#include <numeric>

namespace vaskiro::cli {

namespace {

// Edits (insert, delete, replace, swap two neighbours) that turn `a` into `b`.
std::size_t distance(const std::string& a, const std::string& b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    std::iota(d[0].begin(), d[0].end(), 0);
    for (std::size_t i = 1; i <= a.size(); ++i)
        for (std::size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

bool known(const std::vector<std::string>& commands, const std::string& word) {
    return std::find(commands.begin(), commands.end(), word) != commands.end();
}

}  // namespace

core::Result<void> checkCommandName(const std::vector<std::string>& arguments,
                                    const std::vector<std::string>& commands) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        if (word == "--timeout" || word == "--device") {
            ++i;
            continue;
        }
        if (word.rfind('-', 0) == 0) continue;
        // A bare --simulate takes the next word as its STATE unless that is a command.
        if (i > 0 && arguments[i - 1] == "--simulate" && !known(commands, word)) continue;
        if (known(commands, word)) return {};
        std::string message = "Unknown command " + word;
        const auto nearest = std::min_element(commands.begin(), commands.end(), [&](const auto& a, const auto& b) {
            return distance(word, a) < distance(word, b);
        });
        if (nearest != commands.end() && distance(word, *nearest) <= std::max<std::size_t>(2, word.size() / 3))
            return core::Unexpected(message + ": did you mean " + *nearest + "?");
        return core::Unexpected(message + ": vaskiro --help lists the commands");
    }
    return {};
}

}  // namespace vaskiro::cli
