// The status bar's device indicator against simulated devices plugged and
// unplugged under it, with no click and no report sent.
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "device/simulated_device.h"
#include "fake_prompts.h"

using namespace vaskiro;

class TstDevicePresence : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestWindow> w;
    device::SimulatedBackend* backend = nullptr;
    std::shared_ptr<device::SimulatedDevice> app, boot;

    // Within a second of the change, as a user would see it.
    void expectShown(const QString& text, const QString& tooltip) {
        auto* label = w->find<QLabel>("DevicePresenceLabel");
        QTRY_COMPARE_WITH_TIMEOUT(label->text(), text, 1000);
        QCOMPARE(label->toolTip(), tooltip);
    }

private slots:
    void init() {
        w = std::make_unique<TestWindow>();
        auto owned = std::make_unique<device::SimulatedBackend>();
        backend = owned.get();
        w->form->setDeviceBackend(std::move(owned));
        app = std::make_shared<device::SimulatedDevice>();
        boot = std::make_shared<device::SimulatedDevice>();
    }
    void cleanup() { w.reset(); }

    void theMachineWithoutADeviceShowsNone() {
        TestWindow machine;
        QCOMPARE(machine.find<QLabel>("DevicePresenceLabel")->text(), QString("No VASKIRO connected"));
    }

    void everyStateFollowsPlugAndUnplug() {
        boot->setRevision(device::SimulatedDevice::kProgramModeRevision);
        expectShown("No VASKIRO connected", "");
        backend->add("/dev/b", boot);
        expectShown("VASKIRO in Program Mode", "/dev/b");
        backend->add("/dev/a", app);
        expectShown("2 VASKIRO connected", "Read and Write use /dev/a");
        backend->unplug("/dev/b");
        expectShown("VASKIRO connected", "/dev/a");
        backend->unplug("/dev/a");
        expectShown("No VASKIRO connected", "");
        backend->addUnopenable("HID\\VID_04D8&PID_C5E9&REV_0014", "/dev/c", "Permission denied");
        expectShown("VASKIRO found but cannot be opened", "Permission denied");
        QVERIFY(app->receivedReports().empty() && boot->receivedReports().empty());
        QVERIFY(backend->openAttempts().empty());
        QVERIFY(w->prompts->errors.isEmpty());
    }

    void aReadAddsWhoTheDeviceIsUntilItIsGone() {
        backend->add("/dev/a", app);
        QTest::mouseClick(w->find<QPushButton>("ReadButton"), Qt::LeftButton);
        expectShown("VASKIRO 12345, application 1.00", "/dev/a");
        QTRY_COMPARE(w->prompts->information, QStringList({"Read Complete"}));
        backend->unplug("/dev/a");
        expectShown("No VASKIRO connected", "");
        backend->add("/dev/a", std::make_shared<device::SimulatedDevice>());
        expectShown("VASKIRO connected", "/dev/a");
        QVERIFY(w->prompts->errors.isEmpty());  // unplugged while idle: nothing but the indicator
    }
};

QTEST_MAIN(TstDevicePresence)
#include "tst_device_presence.moc"
