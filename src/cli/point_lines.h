#pragma once

#include <string>

#include "bacnet/point_checkout.h"
#include "core/configuration_image.h"

namespace vaskiro::cli {

// One point as `watch` prints it: tab-separated point ("input.3"), object
// ("binary-input,3"), configured name, value (on/off, or the analogue with
// its units), status flags ("normal" or those set), when the value was
// received ("read 23:50:01", "stale, read 23:50:01" once the device has not
// answered since, "never read"), and "on the device: NAME" where the device
// names it otherwise; or, with `json`, one JSON object (time, kind, channel,
// object, name, name_on_device, value, units, flags, read_at, stale). `time`
// leads the text line when not empty. A text line shows names with their
// control characters escaped; JSON escapes them itself, once.
std::string pointLine(const bacnet::Point& point, const core::ConfigurationImage& image, const std::string& time,
                      bool json);

// The local time with milliseconds and offset: 2026-12-08T09:30:01.123+01:00.
std::string timestamp(bacnet::WallClock::time_point at = bacnet::WallClock::now());

}  // namespace vaskiro::cli
