// Commissioning from the window against a folder of simulated devices, which
// the test plugs and unplugs by moving their files as the prompt asks; the
// record must read as the tool's for the same worklist.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QStatusBar>
#include <QPushButton>
#include <QTableWidget>
#include <QProcess>
#include <QTest>

#include "app/commissioning/commission_dialog.h"
#include "app/commissioning/print_sheet_dialog.h"
#include "core/data_file.h"
#include "device/backend_choice.h"
#include "fake_prompts.h"

using namespace vaskiro;

class TstCommission : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TestWindow> w;

    QString at(const QString& name) const { return m_dir.filePath(name); }
    template <class T>
    T* inDialog(const char* name) const {
        return w->form->commissionDialog()->findChild<T*>(name);
    }
    // Plugged devices live in devices/; unplugged ones wait beside it, keeping their settings.
    void plug(const QString& serial) {
        if (!QFile::rename(at(serial), at("devices/" + serial)))
            QFile(at("devices/" + serial)).open(QIODevice::WriteOnly);
    }
    void unplug(const QString& serial) { QVERIFY(QFile::rename(at("devices/" + serial), at(serial))); }

    // A window over devices/ (each reply `delay` after its request) holding object identifier 4242, its
    // commissioning dialog started.
    QLabel* start(const QString& worklist, std::chrono::milliseconds delay = std::chrono::milliseconds(0),
                  const QString& record = {}, bool checkNetwork = false) {
        w = std::make_unique<TestWindow>();
        w->find<QLineEdit>("ObjectIdentifierEdit")->setText("4242");
        device::BackendChoice choice{device::BackendChoice::Kind::SimulatedFolder, at("devices").toStdString()};
        w->form->setDeviceBackend(device::makeSimulatedBackend(choice, delay));
        QFile list(at("worklist.csv"));
        if (list.open(QIODevice::WriteOnly)) list.write(worklist.toUtf8()), list.close();
        w->find<QPushButton>("CommissionButton")->click();
        auto* dialog = w->form->commissionDialog();
        dialog->findChild<QLineEdit*>("WorklistEdit")->setText(at("worklist.csv"));
        dialog->findChild<QLineEdit*>("BaseEdit")->setText(at("base.dat"));
        dialog->findChild<QLineEdit*>("RecordEdit")->setText(record);
        dialog->findChild<QCheckBox*>("CheckNetworkBox")->setChecked(checkNetwork);
        dialog->findChild<QPushButton*>("StartButton")->click();
        return dialog->findChild<QLabel*>("CommissionPrompt");
    }

    // Plays the technician for `serials`, one per row from `row`, as the prompt asks.
    void commission(QLabel* prompt, int row, const QStringList& serials, const QStringList& tags) {
        for (int i = 0; i < serials.size(); ++i) {
            QTRY_COMPARE_WITH_TIMEOUT(prompt->text(),
                                      QString("Connect device for row %1 (%2)").arg(row + i).arg(tags[i]), 5000);
            plug(serials[i]);
            QTRY_VERIFY_WITH_TIMEOUT(prompt->text() == "Disconnect the device" || prompt->text().endsWith("done"),
                                     5000);
            unplug(serials[i]);
        }
    }

    // The record's lines without their times.
    QStringList recorded(const QString& path) const {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        QStringList lines;
        for (const QString& line : QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts))
            lines << line.section(',', 1);
        return lines;
    }

    const QString kWorklist =
        "tag,ip,object-id,name\nAHU-1,10.0.0.1,1001,AHU 1\nAHU-2,10.0.0.2,1002,\"AHU, 2\"\n"
        "AHU-3,10.0.0.3,1003,Café 3\n";
    const QStringList kTags{"AHU-1", "AHU-2", "AHU-3"};

private slots:
    void init() {
        QVERIFY(QDir(m_dir.path()).removeRecursively() && QDir().mkpath(at("devices")));
        core::ConfigurationImage base;
        base.SetDefaults();
        QVERIFY(core::writeDataFile(at("base.dat").toStdString(), base));
    }
    void cleanup() { w.reset(); }

    void threeRowsLeaveTheRecordTheToolLeaves() {
        QLabel* prompt = start(kWorklist);
        commission(prompt, 1, {"501", "502", "503"}, kTags);
        QTRY_COMPARE_WITH_TIMEOUT(prompt->text(), QString("3 of 3 rows done"), 5000);
        auto* rows = inDialog<QTableWidget>("CommissionRows");
        QCOMPARE(rows->item(2, 1)->text(), QString("Café 3"));  // Windows-1252 in the image
        // The window holds what it held before, not the last row written, and says so.
        QCOMPARE(w->find<QLineEdit>("ObjectIdentifierEdit")->text(), QString("4242"));
        QVERIFY(w->find<QStatusBar>("StatusBar")->currentMessage() == "Pre-run settings");
        QString windowRecord = at("worklist-as-left.csv"), toolRecord = at("tool-as-left.csv");
        QVERIFY(QFile::rename(windowRecord, toolRecord + ".window"));

        // The tool, on the same devices as they were before.
        for (const char* serial : {"501", "502", "503"}) QVERIFY(QFile::remove(at(serial)));
        QProcess tool;
        tool.setProcessChannelMode(QProcess::MergedChannels);
        tool.start(VASKIRO_TOOL, {"--simulate=" + at("devices"), "commission", at("worklist.csv"), "--base",
                                  at("base.dat"), "--record", toolRecord});
        QStringList serials{"501", "502", "503"};
        QString output;
        while (tool.waitForReadyRead(5000) || tool.canReadLine()) {
            while (tool.canReadLine()) {
                QString line = tool.readLine();
                output += line;
                if (line.startsWith("Connect device for")) plug(serials.first());
                if (line.startsWith("Disconnect the device")) unplug(serials.takeFirst());
            }
        }
        tool.waitForFinished(5000);
        QVERIFY2(tool.state() == QProcess::NotRunning && tool.exitCode() == 0, qPrintable(output));
        QStringList lines = recorded(toolRecord + ".window");
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines, recorded(toolRecord));
    }

    void aBadWorklistIsRefusedWithRowAndColumn() {
        start("tag,ip,object-id\nA,10.0.0.1,7\nB,10.0.0.300,8\nC,10.0.0.3,7\n");
        auto* faults = inDialog<QListWidget>("WorklistFaults");
        QCOMPARE(faults->count(), 2);
        QVERIFY(faults->item(0)->text().contains("worklist.csv: row 2, column ip: must be four numbers"));
        QVERIFY(faults->item(1)->text().endsWith("worklist.csv: row 3, column object-id: 7 is also row 1's."));
        QVERIFY(!w->form->commissionDialog()->run());
        QVERIFY(!QFile::exists(at("worklist-as-left.csv")));
    }

    void skipAndStopByButtonAndTheFormsSheet() {
        QLabel* prompt = start(kWorklist);
        auto* dialog = w->form->commissionDialog();
        auto* rows = dialog->findChild<QTableWidget*>("CommissionRows");
        plug("501");
        plug("502");  // two at once: the row and the prompt say the same, until both are gone
        QTRY_COMPARE_WITH_TIMEOUT(prompt->text(),
                                  QString("Unplug every VASKIRO, then connect only the one for row 1 (AHU-1)"), 5000);
        QCOMPARE(rows->item(0, 4)->text(), QString("refused: several VASKIRO are connected"));
        unplug("501");
        unplug("502");
        QTRY_COMPARE_WITH_TIMEOUT(prompt->text(), QString("Connect device for row 1 (AHU-1)"), 5000);
        QCOMPARE(rows->item(0, 4)->text(), QString("connect now"));
        dialog->findChild<QPushButton*>("SkipRowButton")->click();
        QCOMPARE(prompt->text(), QString("Connect device for row 2 (AHU-2)"));
        w->find<QPushButton>("ReadButton")->click();  // the run owns the devices
        QVERIFY(w->prompts->errors.value(0).startsWith("A worklist run is using the devices"));
        dialog->findChild<QPushButton*>("StopButton")->click();
        QCOMPARE(prompt->text(), QString("Stopped"));
        QCOMPARE(rows->item(0, 4)->text(), QString("skipped"));
        dialog->findChild<QPushButton*>("StartButton")->click();  // a second start keeps the state column wide
        QCOMPARE(prompt->text(), QString("Connect device for row 1 (AHU-1)"));
        QVERIFY2(rows->columnWidth(4) > rows->viewport()->width() / 3,
                 qPrintable(QString::number(rows->columnWidth(4))));
        dialog->findChild<QPushButton*>("StopButton")->click();
        w->find<QPushButton>("PrintSheetButton")->click();
        auto* sheet = w->form->findChild<app::PrintSheetDialog*>("PrintSheetDialog");
        QVERIFY(sheet && QString::fromStdString(sheet->html()).contains("<h2>Analogues</h2>"));
    }

    void aWindowClosedMidRowFinishesItAndTheNextResumesAfterIt() {
        QLabel* prompt = start(kWorklist, std::chrono::milliseconds(5));
        commission(prompt, 1, {"501"}, kTags);
        QTRY_COMPARE_WITH_TIMEOUT(prompt->text(), QString("Connect device for row 2 (AHU-2)"), 5000);
        plug("502");
        QTRY_COMPARE_WITH_TIMEOUT(prompt->text(), QString("Writing row 2 (AHU-2)"), 5000);
        w.reset();  // the window closes while row 2 is written
        unplug("502");
        QCOMPARE(recorded(at("worklist-as-left.csv")).size(), 3);

        prompt = start(kWorklist);
        auto* rows = inDialog<QTableWidget>("CommissionRows");
        QCOMPARE(rows->item(1, 4)->text(), QString("done: 502"));
        commission(prompt, 3, {"503"}, {"AHU-3"});
        QTRY_COMPARE_WITH_TIMEOUT(prompt->text(), QString("3 of 3 rows done"), 5000);  // over the whole list
        QCOMPARE(recorded(at("worklist-as-left.csv")).size(), 4);

        // The finished worklist's sheets: every device, as PDF, the password only when ticked.
        inDialog<QPushButton>("CommissionPrintButton")->click();
        auto* sheet = inDialog<app::PrintSheetDialog>("PrintSheetDialog");
        QVERIFY(sheet);
        QCOMPARE(QString::fromStdString(sheet->html()).count("<h1"), 3);
        QVERIFY(sheet->saveAsPdf(at("sheet.pdf")));
        QFile pdf(at("sheet.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-");
    }

    // Enter and Space on each control but Stop: no run stops, and (before a run) none starts and no chooser
    // opens; Escape and closing ask, and No keeps the run.
    void noStrayKeyStartsOrStopsARun() {
        QLabel* prompt = start(kWorklist);
        auto* dialog = w->form->commissionDialog();
        bool chooserOpened = false;
        QTimer modalGuard;
        connect(&modalGuard, &QTimer::timeout, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                chooserOpened = true;
                modal->close();
            }
        });
        modalGuard.start(20);
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        auto pressEverywhere = [&](const QStringList& spared) {
            for (QWidget* control : dialog->findChildren<QWidget*>()) {
                if (!(control->focusPolicy() & Qt::TabFocus) || !control->isVisible() || !control->isEnabled() ||
                    spared.contains(control->objectName()))
                    continue;
                QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
                control->setFocus();
                for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) QTest::keyClick(control, Qt::Key(key));
            }
        };
        pressEverywhere({"StopButton", "SkipRowButton", "CommissionPrintButton"});
        QVERIFY(dialog->run()->running() && !chooserOpened);
        QCOMPARE(prompt->text(), QString("Connect device for row 1 (AHU-1)"));
        auto* skip = dialog->findChild<QPushButton*>("SkipRowButton");
        skip->setFocus();
        QTest::keyClick(skip, Qt::Key_Return);  // Enter acts on the button that has the focus
        QCOMPARE(prompt->text(), QString("Connect device for row 2 (AHU-2)"));
        w->prompts->yes = false;
        QTest::keyClick(dialog, Qt::Key_Escape);
        QVERIFY(!w->form->close());  // the main window asks too, once
        QCOMPARE(w->prompts->questions.size(), 2);
        QVERIFY(dialog->isVisible() && w->form->isVisible() && dialog->run()->running());
        QVERIFY(w->prompts->questions[0].startsWith("Commissioning is under way: Connect device for row"));

        w->prompts->yes = true;
        QTest::keyClick(dialog, Qt::Key_Escape);
        QCOMPARE(prompt->text(), QString("Stopped"));
        QVERIFY(!dialog->isVisible());
        w->find<QPushButton>("CommissionButton")->click();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        const QString before = prompt->text();
        pressEverywhere({"StartButton", "WorklistBrowseButton", "BaseBrowseButton", "RecordBrowseButton"});
        QVERIFY(!dialog->run()->running() && !chooserOpened);
        QCOMPARE(prompt->text(), before);
        QVERIFY(w->form->close());
        QCOMPARE(w->prompts->questions.size(), 3);
    }

    // A 2,000-character failure wraps in the dialog, which stays within the screen; the table elides it.
    void aLongFailureStaysWithinTheScreen() {
        QString deep = m_dir.path();
        for (int i = 0; i < 8; ++i) deep += "/" + QString(250, QChar('a' + i));
        QVERIFY(QDir().mkpath(deep));
        const QString record = deep + "/as-left.csv";
        QLabel* prompt = start(kWorklist, std::chrono::milliseconds(0), record);
        QVERIFY(QDir().mkpath(record));  // appending to it fails
        plug("501");
        QTRY_COMPARE_WITH_TIMEOUT(prompt->text(), QString("Row 1 failed: retry or skip it"), 5000);
        auto* dialog = w->form->commissionDialog();
        const QString why = "Cannot append to " + record;
        QVERIFY(why.size() > 2000);
        QCOMPARE(dialog->findChild<QPlainTextEdit*>("CommissionReason")->toPlainText(), why);
        QTableWidgetItem* state = dialog->findChild<QTableWidget*>("CommissionRows")->item(0, 4);
        QCOMPARE(state->toolTip(), "failed: " + why);
        QCOMPARE(state->data(Qt::AccessibleTextRole).toString(), "failed: " + why);
        QApplication::processEvents();
        const QRect screen = dialog->screen()->availableGeometry();
        QVERIFY2(screen.contains(dialog->frameGeometry()),
                 qPrintable(QString::number(dialog->frameGeometry().width())));
        QVERIFY(dialog->minimumSizeHint().width() < screen.width());
        QVERIFY(dialog->maximumWidth() <= screen.width());
    }

    // The network check's advice comes in two lines: shown as two lines, never as a "\n".
    void aFailureInSeveralLinesKeepsItsLineBreaks() {
        QLabel* prompt = start("ip,port,object-id\n127.0.0.1,47999,1001\n", std::chrono::milliseconds(0), {}, true);
        plug("501");
        QTRY_COMPARE_WITH_TIMEOUT(prompt->text(), QString("Row 1 failed: retry or skip it"), 15000);
        const QString why = inDialog<QPlainTextEdit>("CommissionReason")->toPlainText();
        QVERIFY2(why.startsWith("Nothing answered as BACnet device 1001 at 127.0.0.1:47999.\nCheck the network cable"),
                 qPrintable(why));
        QVERIFY(!why.contains("\\n"));
        QVERIFY(!inDialog<QTableWidget>("CommissionRows")->item(0, 4)->text().contains("\\n"));
    }
};

QTEST_MAIN(TstCommission)
#include "tst_commission.moc"
