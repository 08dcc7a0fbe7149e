#pragma once

#include <QWidget>

#include <functional>

#include "device/hid_backend.h"

namespace vaskiro::app {

// Calls `changed` on the window's thread whenever the system says that a HID
// device came or went, for as long as `window` lives: the window's own
// notification on Windows, elsewhere the monitor that `devices` opens. False
// when this platform or this run has no such notice. One file per platform,
// chosen in CMakeLists.txt.
bool watchDeviceChanges(QWidget* window, device::HidBackend& devices, std::function<void()> changed);

}  // namespace vaskiro::app
