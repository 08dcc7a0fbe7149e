// The point checkout view against a simulated device on the loopback
// address: live values with their age, commands only by a deliberate press
// and read back, every way out asking first, a silent device's points stale
// and a failed release offered again.
#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTest>

#include <atomic>
#include <thread>

#include "app/checkout/point_checkout_action.h"
#include "bacnet/simulated/simulated_responder.h"
#include "fake_prompts.h"

using namespace vaskiro;
using namespace std::chrono_literals;
using Priorities = bacnet::SimulatedPoints::PriorityArray;

// A simulated device serving on a loopback port, and the window's checkout of it.
struct Bench {
    explicit Bench(const std::function<void(bacnet::SimulatedPoints&)>& before = {}, std::uint16_t port = 0) {
        serve(before, port);
        const QStringList octets{"127", "0", "0", "1"};
        for (int i = 0; i < 4; ++i) w.find<QLineEdit>(QString("IPAddr%1Edit").arg(i + 1))->setText(octets[i]);
        w.find<QSpinBox>("BacnetPortCSpinEdit")->setValue(responder->endpoint().port);
        w.find<QLineEdit>("OutputNameEdit2")->setText("Pump, \"main\"");
        QTest::mouseClick(w.find<QPushButton>("PointCheckoutButton"), Qt::LeftButton);
        view = w.form->findChild<app::PointCheckoutAction*>("PointCheckoutAction")->view();
    }
    ~Bench() {
        w.form.reset();  // releases and cancels while the device still answers
        silence();
    }
    void serve(const std::function<void(bacnet::SimulatedPoints&)>& before, std::uint16_t port) {
        core::ConfigurationImage image;
        image.SetDefaults();
        std::string note;
        auto opened = bacnet::SimulatedResponder::open(image, {}, {{127, 0, 0, 1}, port}, note);
        QVERIFY2(opened, opened ? "" : opened.error().c_str());
        responder = std::move(*opened);
        if (before) before(responder->device().points());
        stop = false;
        serving = std::thread([this] { responder->serve(stop, std::chrono::steady_clock::now() + 60s); });
    }
    void silence() {
        stop = true;
        if (serving.joinable()) serving.join();
    }
    bool following() const {
        return view && view->findChild<QLabel*>("CheckoutStatus")->text().contains("40 points by COV");
    }
    template <class T = QWidget>
    T* find(const QString& name) const {
        return view->findChild<T*>(name);
    }
    Priorities priorities(int channel) { return responder->device().points().priorities(channel); }

    std::unique_ptr<bacnet::SimulatedResponder> responder;
    std::atomic<bool> stop{false};
    std::thread serving;
    TestWindow w;
    QPointer<app::PointCheckoutView> view;
};

class TstPointCheckout : public QObject {
    Q_OBJECT

private slots:
    void followsDrivesAndReadsBack() {
        Bench b([](bacnet::SimulatedPoints& points) {
            points.command(4, 8, true);   // left by an earlier session
            points.command(7, 3, false);  // another command, above ours
        });
        QVERIFY(b.view);
        QTRY_VERIFY_WITH_TIMEOUT(b.following(), 10000);
        QTRY_COMPARE(QApplication::focusWidget(), b.find("InputChecked1"));
        const QSize content = b.find<QScrollArea>("CheckoutPoints")->widget()->sizeHint();
        QVERIFY2(content.width() <= 1366 && content.height() <= 690,
                 qPrintable(QString("%1x%2").arg(content.width()).arg(content.height())));
        for (const char* line : {"CheckoutStatus", "HeldOutputs"})  // a screen reader reads their text
            QCOMPARE(QAccessible::queryAccessibleInterface(b.find(line))->text(QAccessible::Name),
                     b.find<QLabel>(line)->text());
        for (QWidget* control : b.view->findChildren<QWidget*>())
            if (control->focusPolicy() & Qt::TabFocus)
                QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));

        b.responder->change([](bacnet::SimulatedPoints& points) { points.setInput(3, true); });
        QTRY_COMPARE(b.find<QLabel>("InputValue3")->text(), QString("on"));
        QVERIFY(!b.find<QLabel>("InputChanged3")->text().isEmpty());
        QVERIFY(b.find<QLabel>("InputAge3")->text().endsWith(" s ago"));
        // A name that changes is announced (Qt sends NameChanged to the screen reader).
        QCOMPARE(b.find<QCheckBox>("InputChecked3")->accessibleName(),
                 QString("input.3 Input 3: on, received just now"));
        QCOMPARE(b.find<QLabel>("AnalogueValue1")->text(), QString("0 No Units"));

        QTRY_VERIFY(b.find<QLabel>("LeftoverOutputs")->isVisible());
        QVERIFY(b.find<QLabel>("LeftoverOutputs")->text().contains("output.4"));
        QTest::mouseClick(b.find<QPushButton>("ReleaseLeftoversButton"), Qt::LeftButton);
        QTRY_COMPARE(b.priorities(4), Priorities{});
        QTest::mouseClick(b.find<QPushButton>("OutputOn7"), Qt::LeftButton);
        QTRY_VERIFY(b.find<QLabel>("CommandReadBack")->text().contains("priority 3"));
        QTest::mouseClick(b.find<QPushButton>("OutputOn2"), Qt::LeftButton);
        QTRY_VERIFY(b.find<QLabel>("HeldOutputs")->text().contains("output.2"));
        QTRY_COMPARE(b.find<QLabel>("OutputValue2")->text(), QString("on"));

        b.find<QCheckBox>("InputChecked3")->setChecked(true);
        QTemporaryDir dir;
        b.w.prompts->csvAnswer = dir.filePath("checkout.csv");
        QTest::mouseClick(b.find<QPushButton>("SaveCheckoutButton"), Qt::LeftButton);
        QFile saved(b.w.prompts->csvAnswer);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QString csv = QString::fromUtf8(saved.readAll());
        const QString stamp = "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d";
        QVERIFY2(csv.startsWith("point,object,name,value,read at,stale,checked\r\n"), qPrintable(csv));
        for (const QString& line : {"input.3,\"binary-input,3\",Input 3,on," + stamp + ",no,yes",
                                    "output.2,\"binary-output,2\",\"Pump, \"\"main\"\"\",on," + stamp + ",no,no"})
            QVERIFY2(csv.contains(QRegularExpression("\r\n" + line + "\r\n")), qPrintable(line));
    }

    // Enter on anything but a button, and Space on anything but a command button, command nothing.
    void onlyADeliberatePressCommands() {
        Bench b;
        QTRY_VERIFY_WITH_TIMEOUT(b.following(), 10000);
        QVERIFY(QTest::qWaitForWindowActive(b.view));
        QList<QWidget*> chain{QApplication::focusWidget()};
        for (QWidget* next = chain.front()->nextInFocusChain(); next != chain.front(); next = next->nextInFocusChain())
            if (next->window() == b.view && next->isVisible() && (next->focusPolicy() & Qt::TabFocus)) chain << next;
        QCOMPARE(chain.size(), 40 + 16 * 3 + 2);  // a box per point, three commands per output, Save and Close
        const QRegularExpression leaveOut("^(Output(On|Off|Release)\\d+|CloseCheckoutButton)$");
        for (QWidget* control : chain) {
            if (leaveOut.match(control->objectName()).hasMatch()) continue;
            control->setFocus();
            for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) QTest::keyClick(control, Qt::Key(key));
        }
        QTest::qWait(1000);
        for (int channel = 1; channel <= 16; ++channel) QCOMPARE(b.priorities(channel), Priorities{});
        QVERIFY(b.view->isVisible() && b.w.prompts->questions.isEmpty());
        // The focused command button's own press: Space, or Enter.
        for (const auto& [name, key] :
             {std::pair("OutputOn3", Qt::Key_Space), std::pair("OutputOff4", Qt::Key_Return)}) {
            b.find(name)->setFocus();
            QTest::keyClick(b.find(name), key);
        }
        QTRY_COMPARE(b.priorities(3)[7], std::optional<bool>(true));
        QTRY_COMPARE(b.priorities(4)[7], std::optional<bool>(false));
    }

    void everyWayOutAsksAndHonoursNo_data() {
        QTest::addColumn<QString>("way");
        for (const char* way : {"Close", "Escape", "window close", "Exit", "main window close"})
            QTest::newRow(way) << QString(way);
    }
    void everyWayOutAsksAndHonoursNo() {
        QFETCH(QString, way);
        Bench b;
        QTRY_VERIFY_WITH_TIMEOUT(b.following(), 10000);
        const auto leave = [&] {
            if (way == "Close") QTest::keyClick(b.find<QPushButton>("CloseCheckoutButton"), Qt::Key_Space);
            if (way == "Escape") QTest::keyClick(b.find("InputChecked1"), Qt::Key_Escape);
            if (way == "window close") b.view->windowHandle()->close();  // as the window manager asks
            if (way == "Exit") QTest::mouseClick(b.w.find<QPushButton>("ExitButton"), Qt::LeftButton);
            if (way == "main window close") b.w.form->close();
            QCoreApplication::processEvents();
        };
        QTest::mouseClick(b.find<QPushButton>("OutputOn2"), Qt::LeftButton);
        QTRY_VERIFY(b.find<QLabel>("HeldOutputs")->text().contains("output.2"));
        b.w.prompts->yes = false;
        leave();
        QCOMPARE(b.w.prompts->questions,
                 QStringList{"Outputs are held at priority 8: output.2. Release them and close?"});
        QTest::qWait(300);
        QVERIFY(b.view && b.view->isVisible() && b.w.form->isVisible());
        QCOMPARE(b.priorities(2)[7], std::optional<bool>(true));
        b.w.prompts->yes = true;
        leave();
        QTRY_VERIFY(!b.view);
        QCOMPARE(b.w.form->isVisible(), way.contains("xit") || way.startsWith("main") ? false : true);
        QCOMPARE(b.w.prompts->questions.size(), 2);
        QCOMPARE(b.priorities(2), Priorities{});
    }

    // A device that stops answering: its points turn stale, the release fails and is offered again.
    void silentDeviceStaleThenReleaseRetried() {
        Bench b;
        QTRY_VERIFY_WITH_TIMEOUT(b.following(), 10000);
        QTest::mouseClick(b.find<QPushButton>("OutputOn5"), Qt::LeftButton);
        QTRY_VERIFY(b.find<QLabel>("HeldOutputs")->text().contains("output.5"));
        const std::uint16_t port = b.responder->endpoint().port;
        b.silence();
        b.responder.reset();
        auto* status = b.find<QLabel>("CheckoutStatus");
        QTRY_VERIFY2_WITH_TIMEOUT(status->text().contains("No reply since"), qPrintable(status->text()), 15000);
        QTRY_VERIFY(b.find<QLabel>("InputAge1")->text().startsWith("stale, "));
        QVERIFY(b.find<QCheckBox>("InputChecked1")->accessibleName().contains("stale"));
        auto* held = b.find<QLabel>("HeldOutputs");
        b.view->close();
        QVERIFY(held->text().startsWith("Releasing output.5"));  // in the background: the window goes on
        QTRY_VERIFY_WITH_TIMEOUT(held->text().startsWith("RELEASE FAILED"), 15000);
        QVERIFY(held->text().contains("output.5") && b.find<QPushButton>("RetryReleaseButton")->isVisible());
        b.w.prompts->yes = false;  // closing again asks whether to leave them commanded
        b.view->close();
        QVERIFY(b.w.prompts->questions.last().startsWith(
            "These outputs are still commanded at priority 8 on the device: output.5. Close anyway"));
        QVERIFY(b.view->isVisible());
        b.serve({}, port);
        QTest::mouseClick(b.find<QPushButton>("RetryReleaseButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!b.view, 15000);
        QCOMPARE(b.priorities(5), Priorities{});
    }
};

QTEST_MAIN(TstPointCheckout)
#include "tst_point_checkout.moc"
