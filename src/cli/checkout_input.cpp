#include "cli/checkout_input.h"

#include <sys/stat.h>

#include <charconv>
#include <iostream>
#include <thread>

#include "core/configuration_image.h"

#ifdef _WIN32
#include <io.h>
#define VASKIRO_FSTAT _fstat
#define VASKIRO_STAT_T struct _stat
#define VASKIRO_ISATTY _isatty
#else
#include <poll.h>
#include <unistd.h>
#define VASKIRO_FSTAT fstat
#define VASKIRO_STAT_T struct stat
#define VASKIRO_ISATTY isatty
#endif

namespace vaskiro::cli {

std::optional<OutputCommand> parseOutputCommand(const std::string& point, const std::string& command) {
    int channel = 0;
    if (point.rfind("output.", 0) != 0) return std::nullopt;
    const char* first = point.data() + 7;
    const auto [end, error] = std::from_chars(first, point.data() + point.size(), channel);
    if (error != std::errc{} || end != point.data() + point.size() || channel < 1 || channel > core::kOutputCount)
        return std::nullopt;
    if (command == "on") return OutputCommand{channel, true};
    if (command == "off") return OutputCommand{channel, false};
    if (command == "release") return OutputCommand{channel, std::nullopt};
    return std::nullopt;
}

namespace {

// A job started in the background (`watch ... &`) that read its terminal would be stopped (SIGTTIN), outputs held.
bool terminalOfAnotherJob() {
#ifdef _WIN32
    return false;
#else
    return VASKIRO_ISATTY(0) != 0 && tcgetpgrp(0) != getpgrp();
#endif
}

}  // namespace

std::shared_ptr<TypedLines> readTypedLines() {
    auto typed = std::make_shared<TypedLines>();
    if (terminalOfAnotherJob()) {
        typed->ended = true;
        return typed;
    }
    std::thread([typed] {
        std::string line;
        while (std::getline(std::cin, line)) {
            std::lock_guard lock(typed->mutex);
            typed->lines.push_back(line);
        }
        std::lock_guard lock(typed->mutex);
        typed->ended = true;
    }).detach();
    return typed;
}

bool standardOutputClosed() {
#ifdef _WIN32
    return false;
#else
    pollfd output{1, POLLOUT, 0};
    return poll(&output, 1, 0) == 1 && (output.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
#endif
}

bool standardInputCanEnd() {
    VASKIRO_STAT_T status{};
    if (VASKIRO_FSTAT(0, &status) != 0 || terminalOfAnotherJob()) return false;
    const bool characterDevice = (status.st_mode & S_IFMT) == S_IFCHR;
    return !characterDevice || VASKIRO_ISATTY(0) != 0;
}

}  // namespace vaskiro::cli
