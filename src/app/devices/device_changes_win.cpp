// Windows: RegisterDeviceNotification for the HID interface class on the main
// window, whose WM_DEVICECHANGE messages a native event filter picks out.

#include "app/devices/device_changes_win.h"

#include <dbt.h>

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QMetaObject>

#include "app/devices/device_changes.h"

namespace vaskiro::app {

bool isDeviceInterfaceArrivalOrRemoval(const MSG& message) {
    if (message.message != WM_DEVICECHANGE) return false;
    if (message.wParam != DBT_DEVICEARRIVAL && message.wParam != DBT_DEVICEREMOVECOMPLETE) return false;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(message.lParam);
    return header != nullptr && header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE;
}

namespace {

// {4d1e55b2-f16f-11cf-88cb-001111000030}
constexpr GUID kHidInterfaceClass = {0x4d1e55b2, 0xf16f, 0x11cf, {0x88, 0xcb, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

class HidNotification : public QObject, public QAbstractNativeEventFilter {
public:
    HidNotification(QWidget* window, std::function<void()> changed) : QObject(window), m_changed(std::move(changed)) {
        DEV_BROADCAST_DEVICEINTERFACE_W filter{};
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = kHidInterfaceClass;
        auto target = reinterpret_cast<HANDLE>(window->window()->winId());
        m_handle = RegisterDeviceNotificationW(target, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
        if (m_handle) QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~HidNotification() override {
        if (!m_handle) return;
        QCoreApplication::instance()->removeNativeEventFilter(this);
        UnregisterDeviceNotification(m_handle);
    }
    HidNotification(const HidNotification&) = delete;
    HidNotification& operator=(const HidNotification&) = delete;

    bool registered() const { return m_handle != nullptr; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        // Enumerating from inside a device broadcast can stall the sender:
        // the notice is acted on once the message has been answered.
        if (eventType == "windows_generic_MSG" && isDeviceInterfaceArrivalOrRemoval(*static_cast<const MSG*>(message)))
            QMetaObject::invokeMethod(this, m_changed, Qt::QueuedConnection);
        return false;
    }

private:
    std::function<void()> m_changed;
    HDEVNOTIFY m_handle = nullptr;
};

}  // namespace

bool watchDeviceChanges(QWidget* window, device::HidBackend&, std::function<void()> changed) {
    auto* notification = new HidNotification(window, std::move(changed));
    if (notification->registered()) return true;
    delete notification;
    return false;
}

}  // namespace vaskiro::app
