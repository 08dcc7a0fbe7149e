// Platforms without a monitor a windowless process can use: callers
// enumerate every second, and opening is the only test of access.

#include "hid/hid_changes.h"

namespace vaskiro::hid {

std::unique_ptr<DeviceChangeMonitor> openHidChangeMonitor() { return nullptr; }

std::string hidOpenError(const std::string&) { return {}; }

}  // namespace vaskiro::hid
