#pragma once

#include <windows.h>

namespace vaskiro::app {

// True for the WM_DEVICECHANGE that tells of a device interface (the HID
// class is the only one registered) that arrived or was removed.
bool isDeviceInterfaceArrivalOrRemoval(const MSG& message);

}  // namespace vaskiro::app
