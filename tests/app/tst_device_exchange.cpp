// Read and Write through the real reader thread and the window's event loop,
// against simulated devices.
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "app/pages/form_edits.h"
#include "app/commissioning/print_sheet_dialog.h"
#include "core/reply_timeout.h"
#include "device/simulated_device.h"
#include "fake_prompts.h"

using namespace vaskiro;
using namespace std::chrono_literals;

class TstDeviceExchange : public QObject {
    Q_OBJECT

    std::unique_ptr<TestWindow> w;
    std::shared_ptr<device::SimulatedDevice> device;
    device::SimulatedBackend* backend = nullptr;

    void click(const char* name) { QTest::mouseClick(w->find<QPushButton>(name), Qt::LeftButton); }
    QLineEdit* edit(const QString& name) const { return w->find<QLineEdit>(name); }
    // The request codes the device has received, as characters.
    QString requests() const {
        QString codes;
        for (const auto& report : device->receivedReports()) codes += QChar(report[1]);
        return codes;
    }
    void useBackendWith() {
        auto owned = std::make_unique<device::SimulatedBackend>();
        backend = owned.get();
        backend->add("/dev/hidraw-sim", device);
        w->form->setDeviceBackend(std::move(owned));
    }

private slots:
    void init() {
        w = std::make_unique<TestWindow>();
        device = std::make_shared<device::SimulatedDevice>();
        useBackendWith();
    }
    void cleanup() { w.reset(); }

    // The device's own order of requests and the exchange's messages are the
    // device core's tests; here the settings cross the thread and the widgets.
    void writeThenReadCarriesTheSettings() {
        edit("IPAddr1Edit")->setText("10");
        w->find<app::LimitedLineEdit>("OutputNameEdit16")->setWholeText("Pump 16");
        w->form->ApplyAnalogueUnit(2, 62);
        click("WriteButton");
        QTRY_COMPARE(w->prompts->information, QStringList({"Download Complete"}));
        w->form->image().SetDefaults();  // show other settings, then read the device's back
        w->form->PopulateForm();
        auto* progress = w->find<QProgressBar>("ExchangeProgressBar");
        device->setReplyDelay(2ms);
        click("ReadButton");
        QVERIFY(progress->isVisible() && progress->maximum() == 47);
        QTRY_VERIFY(progress->value() > 10);
        QTRY_COMPARE(w->prompts->information, QStringList({"Download Complete", "Read Complete"}));
        QVERIFY(progress->isHidden());
        QCOMPARE(requests(), "SE" + QString("dD").repeated(23) + "ZS" + QString("rR").repeated(23));
        QCOMPARE(QStringList({edit("IPAddr1Edit")->text(), edit("OutputNameEdit16")->text(),
                              edit("SelectAnalogueUnitsEdit3")->text()}),
                 QStringList({"10", "Pump 16", "Degrees Celsius"}));
        QVERIFY(w->prompts->errors.isEmpty() && w->form->DeviceOpen());
        QCOMPARE(backend->openAttempts().size(), std::size_t{1});  // the second click found it open
        // The sheet names the device that was read.
        click("PrintSheetButton");
        const std::string html = w->form->findChild<app::PrintSheetDialog*>("PrintSheetDialog")->html();
        QVERIFY(html.find("<th>Serial number</th><td>12345</td></tr>\n<tr><th>Application version</th><td>1.00</td>") !=
                std::string::npos);
    }

    void theFinalBoxComesAfterTheProgressBarIsGone() {
        struct WatchingPrompts : FakePrompts {
            QProgressBar* bar = nullptr;
            void showInformation(QWidget* parent, const QString& text) override {
                FakePrompts::showInformation(parent, text + (bar->isVisible() ? " over the bar" : ""));
            }
        };
        auto owned = std::make_unique<WatchingPrompts>();
        owned->bar = w->find<QProgressBar>("ExchangeProgressBar");
        w->prompts = owned.get();
        w->form->setPrompts(std::move(owned));
        click("ReadButton");
        QTRY_COMPARE(w->prompts->information, QStringList({"Read Complete"}));
    }

    // In program mode the device stays open and the next click identifies it
    // without a new search; one that cannot be opened is named, with the fix.
    void programModeAndADeviceThatCannotBeOpened() {
        device->setRevision(device::SimulatedDevice::kProgramModeRevision);
        useBackendWith();
        click("ReadButton");
        QVERIFY(requests().isEmpty() && w->form->DeviceOpen());
        click("ReadButton");
        QTRY_COMPARE(requests().left(1), QString("S"));
        QCOMPARE(backend->openAttempts().size(), std::size_t{1});
        auto unopenable = std::make_unique<device::SimulatedBackend>();
        unopenable->addUnopenable("HID\\VID_04D8&PID_C5E9&REV_0014", "/dev/hidraw7", "Permission denied");
        w->form->setDeviceBackend(std::move(unopenable));
        click("ReadButton");
        QCOMPARE(QStringList({w->prompts->errors.first(), w->prompts->errors.last()}),
                 QStringList({"VASKIRO is in Program Mode", "VASKIRO was found but cannot be opened"}));
        const QStringList last = w->logLines().mid(w->logLines().size() - 2);
        QCOMPARE(last.value(0), QString("Cannot open HID\\VID_04D8&PID_C5E9&REV_0014: Permission denied"));
        QVERIFY(last.value(1).contains("60-vaskiro.rules"));
    }

    // A device that stops answering or is unplugged: the exchange ends, the image stays.
    void aLostDeviceIsAbandonedAndTheImageKept() {
        const auto before = w->form->image();
        device->setSilent(true);
        w->form->setReplyTimeout(150ms);
        click("ReadButton");
        QTRY_COMPARE(w->prompts->errors, QStringList({"VASKIRO did not respond"}));
        QCOMPARE(w->logLines(), QStringList({"Exchange abandoned"}));
        device->setSilent(false);
        w->form->setReplyTimeout(core::kReplyTimeout);  // 150 ms is short for a loaded machine under wine
        click("ReadButton");  // on the same link, once it has been quiet
        QTRY_COMPARE(w->prompts->information, QStringList({"Read Complete"}));
        device = std::make_shared<device::SimulatedDevice>();
        device->disconnectAfter(10);
        useBackendWith();
        click("ReadButton");
        QTRY_COMPARE(w->prompts->errors.value(1), QString("VASKIRO was disconnected"));
        QVERIFY(w->form->image() == before);
        QTRY_VERIFY(!w->form->DeviceOpen());
    }

    void aPasswordTheDeviceCannotKeepIsRefused() {
        w->find<app::LimitedLineEdit>("PasswordEdit")->setWholeText("thirteen-char");
        click("WriteButton");
        QCOMPARE(w->prompts->errors + w->logLines(),
                 QStringList({"There are errors", "Password longer than 12 characters"}));
        QVERIFY(requests().isEmpty());
    }

    // The edits take 24 characters where the device keeps 23: the Write asks first, and No sends nothing.
    void aTextTheDeviceCutsIsNamedBeforeTheWrite() {
        edit("LocationEdit")->setText("Plant room 4, north wing");
        w->prompts->yes = false;
        click("WriteButton");
        QCOMPARE(w->prompts->questions,
                 QStringList("The device keeps only part of these texts:\nLocation: it keeps 23 of 24 characters, "
                             "\"Plant room 4, north win\"\n\nWrite anyway?"));
        QVERIFY(requests().isEmpty());
        w->prompts->yes = true;
        click("WriteButton");
        QTRY_COMPARE(w->prompts->information, QStringList({"Download Complete"}));
    }

    void closingDuringAnExchangeDoesNotHang() {
        device->setReplyDelay(2ms);
        click("ReadButton");
        QTRY_VERIFY(device->receivedReports().size() > 5);
        // Hiding a window can wait on the window system (2 s under wine): time the close's own work.
        w->form->hide();
        QElapsedTimer timer;
        timer.start();
        QVERIFY(w->form->close());
        QVERIFY(timer.elapsed() < 2000);
        QVERIFY(!w->form->DeviceOpen());
    }
};

QTEST_MAIN(TstDeviceExchange)
#include "tst_device_exchange.moc"
