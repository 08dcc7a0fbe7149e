// "Check on Network" against a simulated device on the loopback address, on
// a port the kernel picks: the window stays responsive, logs each line and
// ends with the box that tells the outcome.
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <atomic>
#include <thread>

#include "app/checkout/network_check_action.h"
#include "bacnet/simulated/simulated_responder.h"
#include "fake_prompts.h"

using namespace vaskiro;
using namespace std::chrono_literals;

class TstNetworkCheck : public QObject {
    Q_OBJECT

private slots:
    void reportsTheOutcome_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("answering");
        QTest::addColumn<QString>("information");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("logged");
        const QString differs = "object-name: differs: device has \"VASKIRO\"";
        QTest::newRow("as configured") << "VASKIRO" << true << "Device found on the network as configured" << QString()
                                       << "object-name: ok";
        QTest::newRow("other name") << "Boiler 2" << true << QString() << differs << differs;
        QTest::newRow("nothing answers") << "VASKIRO" << false << QString() << "Check the network cable"
                                         << "No answer from BACnet device 12345";
    }

    void reportsTheOutcome() {
        QFETCH(QString, name);
        QFETCH(bool, answering);
        QFETCH(QString, information);
        QFETCH(QString, error);
        QFETCH(QString, logged);

        core::ConfigurationImage image;
        image.SetDefaults();
        std::string note;
        auto opened = bacnet::SimulatedResponder::open(image, {}, {{127, 0, 0, 1}, 0}, note);
        QVERIFY2(opened, opened ? "" : opened.error().c_str());
        auto& responder = *opened;
        std::atomic<bool> stop{!answering};
        std::thread serving([&] { responder->serve(stop, std::chrono::steady_clock::now() + 30s); });
        auto stopServing = qScopeGuard([&] { stop = true, serving.join(); });

        TestWindow w;
        const QStringList octets{"127", "0", "0", "1"};
        for (int i = 0; i < 4; ++i) w.find<QLineEdit>(QString("IPAddr%1Edit").arg(i + 1))->setText(octets[i]);
        w.find<QSpinBox>("BacnetPortCSpinEdit")->setValue(responder->endpoint().port);
        w.find<QLineEdit>("DeviceNameEdit")->setText(name);
        auto* action = w.form->findChild<app::NetworkCheckAction*>("NetworkCheckAction");
        action->setTimeout(300ms);
        auto* button = w.find<QPushButton>("CheckNetworkButton");

        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!button->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!action->running(), 10000);
        QCOMPARE(w.prompts->information, information.isEmpty() ? QStringList() : QStringList{information});
        QCOMPARE(w.prompts->errors.size(), error.isEmpty() ? 0 : 1);
        if (!error.isEmpty())
            QVERIFY2(w.prompts->errors.front().contains(error), qPrintable(w.prompts->errors.front()));
        QVERIFY(w.find<QPlainTextEdit>("LogMemo")->toPlainText().contains(logged));
        QVERIFY(button->isEnabled());
    }
};

QTEST_MAIN(TstNetworkCheck)
#include "tst_network_check.moc"
