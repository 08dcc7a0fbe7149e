// Where the devices bring a monitor (udev on Linux): its socket, watched by
// the event loop.

#include <QSocketNotifier>

#include <memory>

#include "app/devices/device_changes.h"

namespace vaskiro::app {

bool watchDeviceChanges(QWidget* window, device::HidBackend& devices, std::function<void()> changed) {
    std::shared_ptr<device::DeviceChangeMonitor> monitor = devices.openChangeMonitor();
    if (!monitor) return false;
    auto* notifier = new QSocketNotifier(monitor->descriptor(), QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [monitor, changed = std::move(changed)] {
        if (monitor->takeChange()) changed();
    });
    return true;
}

}  // namespace vaskiro::app
