#include "core/local_time.h"

#include <cstdio>
#include <cstdlib>

namespace vaskiro::core {

std::tm localTime(std::time_t at) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &at);
#else
    localtime_r(&at, &local);
#endif
    return local;
}

std::string localTimeText(std::chrono::system_clock::time_point at, const char* format) {
    const std::tm local = localTime(std::chrono::system_clock::to_time_t(at));
    char text[64];
    return std::string(text, std::strftime(text, sizeof text, format, &local));
}

std::string localIso8601(std::chrono::system_clock::time_point at) {
#ifdef _WIN32
    // Windows' C runtime writes the zone's name for %z: the offset is worked out from the local time read as UTC.
    const std::time_t utc = std::chrono::system_clock::to_time_t(at);
    std::tm local = localTime(utc);
    const long minutes = static_cast<long>(_mkgmtime(&local) - utc) / 60;
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02ld:%02ld", minutes < 0 ? '-' : '+', std::labs(minutes) / 60,
                  std::labs(minutes) % 60);
    return localTimeText(at, "%Y-%m-%dT%H:%M:%S") + zone;
#else
    const std::string iso = localTimeText(at, "%Y-%m-%dT%H:%M:%S%z");
    const std::size_t zone = iso.size() >= 5 ? iso.size() - 5 : 0;
    if (iso.size() < 5 || (iso[zone] != '+' && iso[zone] != '-')) return iso;
    return iso.substr(0, iso.size() - 2) + ':' + iso.substr(iso.size() - 2);  // +0100 -> +01:00
#endif
}

}  // namespace vaskiro::core
