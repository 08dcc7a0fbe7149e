#pragma once

#include <memory>

#include "device/hid_backend.h"

namespace vaskiro::hid {

using device::DeviceChangeMonitor;
using device::HidBackend;

// The machine's HID devices through hidapi (hidraw on Linux).
std::unique_ptr<HidBackend> makeHidapiBackend();

}  // namespace vaskiro::hid
