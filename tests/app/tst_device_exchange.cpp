// Read and Write through the real reader thread and the window's event loop,
// against simulated devices.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include "app/form_edits.h"
#include "device/simulated_device.h"
#include "fake_prompts.h"

using namespace vaskiro;
using namespace std::chrono_literals;

class TstDeviceExchange : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestWindow> w;
    std::shared_ptr<device::SimulatedDevice> device;
    device::SimulatedBackend* backend = nullptr;

    void click(const char* name) { QTest::mouseClick(w->find<QPushButton>(name), Qt::LeftButton); }
    QLineEdit* edit(const QString& name) const { return w->find<QLineEdit>(name); }
    QStringList logLines() const {
        return w->find<QPlainTextEdit>("LogMemo")->toPlainText().split('\n', Qt::SkipEmptyParts);
    }
    // The request codes the device has received, as characters.
    QString requests() const {
        QString codes;
        for (const auto& report : device->receivedReports()) codes += QChar(report[1]);
        return codes;
    }
    void useBackendWith(const std::string& identifier = {}) {
        auto owned = std::make_unique<device::SimulatedBackend>();
        backend = owned.get();
        if (identifier.empty())
            backend->add("/dev/hidraw-sim", device);
        else
            backend->add(identifier, "/dev/hidraw-sim", device);
        w->form->setDeviceBackend(std::move(owned));
    }

private slots:
    void init() {
        w = std::make_unique<TestWindow>();
        device = std::make_shared<device::SimulatedDevice>();
        useBackendWith();
    }
    void cleanup() { w.reset(); }

    void writeThenReadCarriesTheSettings() {
        edit("IPAddr1Edit")->setText("10");
        edit("ObjectIdentifierEdit")->setText("4194302");
        w->find<config::LimitedLineEdit>("OutputNameEdit16")->setWholeText("Pump 16");
        w->find<QCheckBox>("InvertInputsJvCheckBox9")->setChecked(true);
        w->form->ApplyAnalogueUnit(2, 62);

        click("WriteButton");
        QTRY_COMPARE(w->prompts->information, QStringList({"Download Complete"}));
        QCOMPARE(logLines(), QStringList({"Appware Version:1.00", "Serial Number: 12345", "Data downloaded"}));
        const QString write = "SE" + QString("dD").repeated(23) + "Z";
        QCOMPARE(requests(), write);

        // Show other settings, then read the device's back.
        w->form->image().SetDefaults();
        w->form->PopulateForm();
        click("ReadButton");
        QTRY_COMPARE(w->prompts->information, QStringList({"Download Complete", "Read Complete"}));
        QCOMPARE(requests(), write + "S" + QString("rR").repeated(23));
        QCOMPARE(logLines().mid(3), QStringList({"Appware Version:1.00", "Serial Number: 12345", "Data read"}));
        QCOMPARE(edit("IPAddr1Edit")->text(), QString("10"));
        QCOMPARE(edit("ObjectIdentifierEdit")->text(), QString("4194302"));
        QCOMPARE(edit("OutputNameEdit16")->text(), QString("Pump 16"));
        QVERIFY(w->find<QCheckBox>("InvertInputsJvCheckBox9")->isChecked());
        QCOMPARE(edit("SelectAnalogueUnitsEdit3")->text(), QString("Degrees Celsius"));
        QVERIFY(w->prompts->errors.isEmpty());
        QVERIFY(w->form->DeviceOpen());
        QCOMPARE(backend->openAttempts().size(), std::size_t{1});  // the second click found it open
    }

    void progressShowsWhileAnExchangeRuns() {
        device->setReplyDelay(5ms);
        auto* progress = w->find<QProgressBar>("ExchangeProgressBar");
        QVERIFY(progress->isHidden());
        click("ReadButton");
        QVERIFY(progress->isVisible());
        QCOMPARE(progress->maximum(), 47);
        QTRY_VERIFY(progress->value() > 10);
        QTRY_VERIFY(progress->isHidden());
        QCOMPARE(w->prompts->information, QStringList({"Read Complete"}));
    }

    void theFinalBoxComesAfterTheProgressBarIsGone() {
        // Prompts that note whether the bar is still up when a box appears.
        struct WatchingPrompts : FakePrompts {
            QProgressBar* bar = nullptr;
            QList<bool> barVisible;
            void showInformation(QWidget* parent, const QString& text) override {
                barVisible << bar->isVisible();
                FakePrompts::showInformation(parent, text);
            }
        };
        auto owned = std::make_unique<WatchingPrompts>();
        WatchingPrompts* prompts = owned.get();
        prompts->bar = w->find<QProgressBar>("ExchangeProgressBar");
        w->form->setPrompts(std::move(owned));
        click("ReadButton");
        QTRY_COMPARE(prompts->information, QStringList({"Read Complete"}));
        QCOMPARE(prompts->barVisible, QList<bool>({false}));
    }

    void programModeKeepsTheDeviceOpenAndSendsNothing() {
        device->setRevision(device::SimulatedDevice::kProgramModeRevision);
        useBackendWith();
        click("ReadButton");
        QCOMPARE(w->prompts->errors, QStringList({"VASKIRO is in Program Mode"}));
        QVERIFY(requests().isEmpty());
        QVERIFY(w->form->DeviceOpen());
        click("ReadButton");  // straight to Identify, no new search
        QTRY_COMPARE(requests().left(1), QString("S"));
        QCOMPARE(backend->openAttempts().size(), std::size_t{1});
    }

    void aDeviceThatCannotBeOpenedIsNamed() {
        auto owned = std::make_unique<device::SimulatedBackend>();
        owned->addUnopenable("HID\\VID_04D8&PID_C5E9&REV_0014", "/dev/hidraw7", "Permission denied");
        w->form->setDeviceBackend(std::move(owned));
        click("ReadButton");
        QCOMPARE(w->prompts->errors, QStringList({"VASKIRO was found but cannot be opened"}));
        QCOMPARE(logLines().value(0), QString("Cannot open HID\\VID_04D8&PID_C5E9&REV_0014: Permission denied"));
        QVERIFY(logLines().value(1).contains("60-vaskiro.rules"));
    }

    void aSilentDeviceIsAbandonedAndTheImageKept() {
        const auto before = w->form->image();
        device->setSilent(true);
        w->form->setReplyTimeout(150ms);
        click("ReadButton");
        QTRY_COMPARE(w->prompts->errors, QStringList({"VASKIRO did not respond"}));
        QCOMPARE(logLines(), QStringList({"Exchange abandoned"}));
        QVERIFY(w->find<QProgressBar>("ExchangeProgressBar")->isHidden());
        QVERIFY(w->form->image() == before);
    }

    void anUnpluggedDeviceEndsTheReadAtOnce() {
        const auto before = w->form->image();
        device->disconnectAfter(10);
        click("ReadButton");
        QTRY_COMPARE(w->prompts->errors, QStringList({"VASKIRO was disconnected"}));
        QVERIFY(logLines().contains("Exchange abandoned"));
        QVERIFY(w->form->image() == before);
        QTRY_VERIFY(!w->form->DeviceOpen());
    }

    void aPasswordTheDeviceCannotKeepIsRefused() {
        w->find<config::LimitedLineEdit>("PasswordEdit")->setWholeText("thirteen-char");
        click("WriteButton");
        QCOMPARE(w->prompts->errors, QStringList({"There are errors"}));
        QCOMPARE(logLines(), QStringList({"Password longer than 12 characters"}));
        QVERIFY(requests().isEmpty());
    }

    void closingDuringAnExchangeDoesNotHang() {
        device->setReplyDelay(2ms);
        click("ReadButton");
        QTRY_VERIFY(device->receivedReports().size() > 5);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(w->form->close());
        QVERIFY(timer.elapsed() < 2000);
        QVERIFY(!w->form->DeviceOpen());
    }
};

QTEST_MAIN(TstDeviceExchange)
#include "tst_device_exchange.moc"
