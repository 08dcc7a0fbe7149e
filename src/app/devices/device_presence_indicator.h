#pragma once

#include <QLabel>
#include <QTimer>

#include <optional>
#include <string>

#include "device/device_presence.h"
#include "device/hid_backend.h"

namespace vaskiro::app {

// The status bar's word on the attached VASKIROs ("DevicePresenceLabel"):
// enumeration only, so it never sends the device a report. It learns of
// devices coming and going from the system, or enumerates every second where
// the system does not say (and simulated devices at their own pace). The
// window's one way of waiting for a device: others follow refreshed().
class DevicePresenceIndicator : public QLabel {
    Q_OBJECT
public:
    explicit DevicePresenceIndicator(QWidget* parent = nullptr);

    // The devices to watch, owned by the caller; null watches none.
    void setBackend(device::HidBackend* backend);
    // The device at `path` identified itself; shown while it is the one
    // Read and Write use, forgotten once it is gone.
    void setIdentified(const std::string& path, const device::DeviceIdentity& identity);
    // Enumerates now and shows what it found.
    void refresh();

signals:
    // After each refresh: whoever else waits for a device looks again then.
    void refreshed();

private:
    device::HidBackend* m_backend = nullptr;
    std::optional<device::IdentifiedDevice> m_identified;
    QTimer m_poll;
    bool m_systemWatch = false;
};

}  // namespace vaskiro::app
