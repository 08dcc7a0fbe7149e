// The point checkout view against a simulated device on the loopback
// address: live values, a change marked, an output driven and released on
// closing after a confirmation, the checked marks saved as CSV.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>

#include "app/point_checkout_action.h"
#include "bacnet/simulated_responder.h"
#include "fake_prompts.h"

using namespace vaskiro;
using namespace std::chrono_literals;

class TstPointCheckout : public QObject {
    Q_OBJECT

private slots:
    void followsDrivesAndReleases() {
        config::ConfigurationImage image;
        image.SetDefaults();
        std::string failure, note;
        auto responder = bacnet::SimulatedResponder::open(image, {}, {{127, 0, 0, 1}, 0}, failure, note);
        QVERIFY2(responder, failure.c_str());
        std::atomic<bool> stop{false};
        std::thread serving([&] { responder->serve(stop, std::chrono::steady_clock::now() + 30s); });
        auto stopServing = qScopeGuard([&] {
            stop = true;
            if (serving.joinable()) serving.join();
        });

        TestWindow w;
        const QStringList octets{"127", "0", "0", "1"};
        for (int i = 0; i < 4; ++i) w.find<QLineEdit>(QString("IPAddr%1Edit").arg(i + 1))->setText(octets[i]);
        w.find<QSpinBox>("BacnetPortCSpinEdit")->setValue(responder->endpoint().port);
        auto* button = w.find<QPushButton>("PointCheckoutButton");
        QVERIFY(button->focusPolicy() & Qt::TabFocus);
        QVERIFY(!button->accessibleName().isEmpty());
        QTest::mouseClick(button, Qt::LeftButton);
        auto* action = w.form->findChild<app::PointCheckoutAction*>("PointCheckoutAction");
        QPointer<app::PointCheckoutView> view = action->view();
        QVERIFY(view);
        for (QWidget* control : view->findChildren<QWidget*>())
            if (control->focusPolicy() != Qt::NoFocus && qobject_cast<QAbstractButton*>(control))
                QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
        auto* status = view->findChild<QLabel*>("CheckoutStatus");
        QTRY_VERIFY2_WITH_TIMEOUT(status->text().contains("40 points by COV"), qPrintable(status->text()), 10000);

        responder->change([](bacnet::SimulatedPoints& points) { points.setInput(3, true); });
        QTRY_COMPARE(view->findChild<QLabel*>("InputValue3")->text(), QString("on"));
        QVERIFY(!view->findChild<QLabel*>("InputMark3")->text().isEmpty());
        QCOMPARE(view->findChild<QLabel*>("AnalogueValue1")->text(), QString("0 No Units"));
        QTest::mouseClick(view->findChild<QPushButton*>("OutputOn2"), Qt::LeftButton);
        QTRY_VERIFY(view->findChild<QLabel*>("HeldOutputs")->text().contains("output.2"));
        QTRY_COMPARE(view->findChild<QLabel*>("OutputValue2")->text(), QString("on"));

        view->findChild<QCheckBox*>("InputChecked3")->setChecked(true);
        QTemporaryDir dir;
        w.prompts->csvAnswer = dir.filePath("checkout.csv");
        QTest::mouseClick(view->findChild<QPushButton*>("SaveCheckoutButton"), Qt::LeftButton);
        QFile saved(w.prompts->csvAnswer);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QString csv = QString::fromUtf8(saved.readAll());
        QVERIFY2(csv.startsWith("point,object,name,value,last change,checked\ninput.1,\"binary-input,1\",\"Input 1\","
                                "\"off\",,no\n"),
                 qPrintable(csv));
        QVERIFY2(csv.contains(QRegularExpression("\ninput.3,\"binary-input,3\",\"Input 3\",\"on\",[0-9:.]+,yes\n")),
                 qPrintable(csv));

        w.prompts->yes = false;
        view->close();
        QVERIFY(view);
        w.prompts->yes = true;
        view->close();
        QCOMPARE(w.prompts->questions.size(), 2);
        QTRY_VERIFY(!view);
        stop = true;
        serving.join();
        QCOMPARE(responder->device().points().priorities(2), bacnet::SimulatedPoints::PriorityArray{});
        QCOMPARE(responder->device().subscriptionCount(), std::size_t{0});
    }
};

QTEST_MAIN(TstPointCheckout)
#include "tst_point_checkout.moc"
