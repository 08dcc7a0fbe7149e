#pragma once

#include <chrono>

namespace vaskiro::core {

// How long the device may take over each reply before an exchange is given up.
inline constexpr std::chrono::milliseconds kReplyTimeout{5000};

}  // namespace vaskiro::core
