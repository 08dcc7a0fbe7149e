// Windows' device notification: which WM_DEVICECHANGE messages count, and a
// synthetic one sent to a real window reaching the watcher.
#include <QWidget>
#include <QTest>

#include <windows.h>

#include <dbt.h>

#include "app/devices/device_changes.h"
#include "device/simulated_device.h"
#include "app/devices/device_changes_win.h"

using namespace vaskiro::app;

namespace {
MSG deviceChange(WPARAM event, const DEV_BROADCAST_DEVICEINTERFACE_W* broadcast, UINT message = WM_DEVICECHANGE) {
    MSG msg{};
    msg.message = message;
    msg.wParam = event;
    msg.lParam = reinterpret_cast<LPARAM>(broadcast);
    return msg;
}
}  // namespace

class TstDeviceChangesWin : public QObject {
    Q_OBJECT

private slots:
    void onlyInterfaceArrivalAndRemovalCount_data() {
        QTest::addColumn<uint>("message");
        QTest::addColumn<uint>("event");
        QTest::addColumn<uint>("deviceType");  // 0: no broadcast data
        QTest::addColumn<bool>("counts");
        QTest::newRow("arrival") << uint(WM_DEVICECHANGE) << uint(DBT_DEVICEARRIVAL) << uint(DBT_DEVTYP_DEVICEINTERFACE)
                                 << true;
        QTest::newRow("removal") << uint(WM_DEVICECHANGE) << uint(DBT_DEVICEREMOVECOMPLETE)
                                 << uint(DBT_DEVTYP_DEVICEINTERFACE) << true;
        QTest::newRow("volume") << uint(WM_DEVICECHANGE) << uint(DBT_DEVICEARRIVAL) << uint(DBT_DEVTYP_VOLUME) << false;
        QTest::newRow("query") << uint(WM_DEVICECHANGE) << uint(DBT_DEVICEQUERYREMOVE)
                               << uint(DBT_DEVTYP_DEVICEINTERFACE) << false;
        QTest::newRow("no data") << uint(WM_DEVICECHANGE) << uint(DBT_DEVICEARRIVAL) << 0u << false;
        QTest::newRow("other message") << uint(WM_PAINT) << uint(DBT_DEVICEARRIVAL) << uint(DBT_DEVTYP_DEVICEINTERFACE)
                                       << false;
    }
    void onlyInterfaceArrivalAndRemovalCount() {
        QFETCH(uint, message);
        QFETCH(uint, event);
        QFETCH(uint, deviceType);
        QFETCH(bool, counts);
        DEV_BROADCAST_DEVICEINTERFACE_W broadcast{};
        broadcast.dbcc_size = sizeof broadcast;
        broadcast.dbcc_devicetype = deviceType;
        QCOMPARE(isDeviceInterfaceArrivalOrRemoval(deviceChange(event, deviceType ? &broadcast : nullptr, message)),
                 counts);
    }

    // Through the window's own message handling: needs the windows platform.
    void aSyntheticArrivalReachesTheWatcherAfterItIsAnswered() {
        if (QGuiApplication::platformName() != QLatin1String("windows")) QSKIP("needs the windows platform");
        QWidget window;
        window.show();
        int changes = 0;
        vaskiro::device::SimulatedBackend devices;
        QVERIFY(watchDeviceChanges(&window, devices, [&] { ++changes; }));
        DEV_BROADCAST_DEVICEINTERFACE_W broadcast{};
        broadcast.dbcc_size = sizeof broadcast;
        broadcast.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        const auto hwnd = reinterpret_cast<HWND>(window.winId());
        SendMessageW(hwnd, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&broadcast));
        QCOMPARE(changes, 0);
        QTRY_COMPARE(changes, 1);
        broadcast.dbcc_devicetype = DBT_DEVTYP_VOLUME;
        SendMessageW(hwnd, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&broadcast));
        QTest::qWait(200);
        QCOMPARE(changes, 1);
    }
};

QTEST_MAIN(TstDeviceChangesWin)
#include "tst_device_changes_win.moc"
