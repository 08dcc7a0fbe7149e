#pragma once

#include <QWidget>

#include <functional>

namespace vaskiro::app {

// Calls `changed` on the window's thread whenever the system says that a HID
// device came or went, for as long as `window` lives. False when this
// platform or this run has no such notice: the caller enumerates every second.
// One file per platform, chosen in CMakeLists.txt.
bool watchDeviceChanges(QWidget* window, std::function<void()> changed);

}  // namespace vaskiro::app
