#pragma once

#include <chrono>
#include <ctime>
#include <string>

namespace vaskiro::core {

// `at` in the machine's local time zone (thread-safe, unlike std::localtime).
std::tm localTime(std::time_t at);
// `at` local, as strftime writes it with `format`.
std::string localTimeText(std::chrono::system_clock::time_point at, const char* format);
// "2026-12-08T23:50:01+01:00": ISO 8601 with the zone's offset, to the second.
std::string localIso8601(std::chrono::system_clock::time_point at);

}  // namespace vaskiro::core
