// Commissioning from the window against a folder of simulated devices, which
// the test plugs and unplugs by moving their files as the prompt asks; the
// record must read as the tool's for the same worklist.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "app/commission_dialog.h"
#include "app/print_sheet_dialog.h"
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
    // Plugged devices live in devices/; unplugged ones wait beside it, keeping their settings.
    void plug(const QString& serial) {
        if (!QFile::rename(at(serial), at("devices/" + serial)))
            QFile(at("devices/" + serial)).open(QIODevice::WriteOnly);
    }
    void unplug(const QString& serial) { QVERIFY(QFile::rename(at("devices/" + serial), at(serial))); }

    // A window over devices/ (each reply `delay` after its request), its commissioning dialog started.
    QLabel* start(const QString& worklist, std::chrono::milliseconds delay = std::chrono::milliseconds(0)) {
        w = std::make_unique<TestWindow>();
        device::BackendChoice choice{device::BackendChoice::Kind::SimulatedFolder, at("devices").toStdString()};
        w->form->setDeviceBackend(device::makeSimulatedBackend(choice, delay));
        QFile list(at("worklist.csv"));
        list.open(QIODevice::WriteOnly);
        list.write(worklist.toUtf8());
        list.close();
        w->find<QPushButton>("CommissionButton")->click();
        auto* dialog = w->form->commissionDialog();
        dialog->findChild<QLineEdit*>("WorklistEdit")->setText(at("worklist.csv"));
        dialog->findChild<QLineEdit*>("BaseEdit")->setText(at("base.dat"));
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
        "AHU-3,10.0.0.3,1003,AHU 3\n";
    const QStringList kTags{"AHU-1", "AHU-2", "AHU-3"};

private slots:
    void init() {
        QVERIFY(QDir(m_dir.path()).removeRecursively() && QDir().mkpath(at("devices")));
        config::ConfigurationImage base;
        base.SetDefaults();
        QVERIFY(config::writeDataFile(at("base.dat").toStdString(), base));
    }
    void cleanup() { w.reset(); }

    void threeRowsLeaveTheRecordTheToolLeaves() {
        QLabel* prompt = start(kWorklist);
        commission(prompt, 1, {"501", "502", "503"}, kTags);
        QTRY_COMPARE_WITH_TIMEOUT(prompt->text(), QString("3 of 3 rows done"), 5000);
        QCOMPARE(w->form->image().objectIdentifier(), 1003u);  // the main form showed the last row written
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
        auto* faults = w->form->commissionDialog()->findChild<QListWidget*>("WorklistFaults");
        QCOMPARE(faults->count(), 2);
        QVERIFY(faults->item(0)->text().contains("worklist.csv: row 2, column ip: must be four numbers"));
        QVERIFY(faults->item(1)->text().endsWith("worklist.csv: row 3, column object-id: 7 is also row 1's."));
        QVERIFY(!w->form->commissionDialog()->run());
        QVERIFY(!QFile::exists(at("worklist-as-left.csv")));
    }

    void skipAndStopByButtonAndTheFormsSheet() {
        QLabel* prompt = start(kWorklist);
        auto* dialog = w->form->commissionDialog();
        dialog->findChild<QPushButton*>("SkipRowButton")->click();
        QCOMPARE(prompt->text(), QString("Connect device for row 2 (AHU-2)"));
        w->find<QPushButton>("ReadButton")->click();  // the run owns the devices
        QVERIFY(w->prompts->errors.value(0).startsWith("A worklist run is using the devices"));
        dialog->findChild<QPushButton*>("StopButton")->click();
        QCOMPARE(prompt->text(), QString("Stopped"));
        QCOMPARE(dialog->findChild<QTableWidget*>("CommissionRows")->item(0, 4)->text(), QString("skipped"));
        QVERIFY(dialog->findChild<QPushButton*>("StartButton")->isEnabled());
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
        auto* rows = w->form->commissionDialog()->findChild<QTableWidget*>("CommissionRows");
        QCOMPARE(rows->item(1, 4)->text(), QString("done: 502"));
        commission(prompt, 3, {"503"}, {"AHU-3"});
        QTRY_COMPARE_WITH_TIMEOUT(prompt->text(), QString("1 of 1 rows done"), 5000);
        QCOMPARE(recorded(at("worklist-as-left.csv")).size(), 4);

        // The finished worklist's sheets: every device, as PDF, the password only when ticked.
        w->form->commissionDialog()->findChild<QPushButton*>("CommissionPrintButton")->click();
        auto* sheet = w->form->commissionDialog()->findChild<app::PrintSheetDialog*>("PrintSheetDialog");
        QVERIFY(sheet);
        QCOMPARE(QString::fromStdString(sheet->html()).count("<h1"), 3);
        QVERIFY(sheet->saveAsPdf(at("sheet.pdf")));
        QFile pdf(at("sheet.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-");
    }
};

QTEST_MAIN(TstCommission)
#include "tst_commission.moc"
