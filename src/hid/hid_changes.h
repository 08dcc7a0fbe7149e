#pragma once

#include <memory>
#include <string>
#include <vector>

#include "device/hid_backend.h"

namespace vaskiro::hid {

using device::DeviceChangeMonitor;
using device::HidBackend;

// The system's notification of HID devices coming and going; null where the
// platform has none for a process without a window (the caller enumerates
// every second instead).
std::unique_ptr<DeviceChangeMonitor> openHidChangeMonitor();

// Why opening the device node at `path` would be refused, as far as can be
// told without opening it; empty when it looks usable or cannot be told.
std::string hidOpenError(const std::string& path);

// One udev event's properties, "KEY=VALUE" as udevadm prints them: true for
// a hidraw node that was added or removed.
bool isHidrawPlugEvent(const std::vector<std::string>& properties);

}  // namespace vaskiro::hid
