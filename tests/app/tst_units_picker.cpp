// The units picker, driven from the main window's "Select..." buttons.
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "app/pages/units_picker.h"
#include "fake_prompts.h"

class TstUnitsPicker : public QObject {
    Q_OBJECT

    std::unique_ptr<TestWindow> w;
    vaskiro::app::TSelectAnalogueUnitsForm* picker = nullptr;
    QTableWidget* grid = nullptr;

    QString current() const { return picker->findChild<QLineEdit*>("CurrentSelectionEdit")->text(); }
    std::uint32_t stored(int channel) const { return w->form->image().analogueUnitCode(channel); }
    void openFor(int channel) {
        QTest::mouseClick(w->find<QPushButton>(QString("SelectAnalogueUnitsButton%1").arg(channel)), Qt::LeftButton);
    }
    void press(const char* button) { QTest::mouseClick(picker->findChild<QPushButton*>(button), Qt::LeftButton); }
    void clickCell(int row, int column) {
        grid->scrollToItem(grid->item(row, column));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(grid->item(row, column)).center());
    }

private slots:
    void init() {
        w = std::make_unique<TestWindow>();
        picker = w->form->unitsPicker();
        grid = picker->findChild<QTableWidget*>("SelectAnalogueUnitsAdvStringGrid");
    }
    void cleanup() { w.reset(); }

    void clickingAUnitAndOK() {
        QVERIFY(grid->verticalHeader()->font().bold() && !(grid->item(18, 1)->flags() & Qt::ItemIsEditable));
        openFor(3);
        QVERIFY(picker->isVisible() && !picker->isModal());
        QCOMPARE(current(), QString("No Units"));
        clickCell(18, 1);
        QCOMPARE(current(), QString("Degrees Celsius"));
        // Headers, empty cells, below the table and typing keep the selection.
        auto* header = grid->verticalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->width() / 2, header->sectionViewportPosition(5) + 5));
        clickCell(9, 5);
        picker->SelectAnalogueUnitsAdvStringGridClickCell(27, 1);
        picker->findChild<QLineEdit*>("CurrentSelectionEdit")->setText("Percent");
        press("OKButton");
        QVERIFY(picker->isHidden());
        QCOMPARE(stored(3), 62u);
        QCOMPARE(w->find<QLineEdit>("SelectAnalogueUnitsEdit3")->text(), QString("Degrees Celsius"));
        QCOMPARE(stored(2), 95u);
    }

    // Cancel and the close box change nothing; another Select retargets the
    // open picker; OK keeps a code the catalogue does not know.
    void cancelRetargetAndUnknownCodes() {
        w->form->image().setAnalogueUnitCode(4, 62);
        w->form->image().setAnalogueUnitCode(6, 200);
        w->form->PopulateForm();
        for (const bool cancel : {true, false}) {
            openFor(6);
            QCOMPARE(current(), QString());
            clickCell(1, 1);
            cancel ? press("CancelButton") : void(picker->close());
            QVERIFY(picker->isHidden());
        }
        openFor(6);
        clickCell(2, 3);
        openFor(4);
        QCOMPARE(picker->TargetChannel(), 3);
        QCOMPARE(current(), QString("Degrees Celsius"));
        clickCell(24, 12);
        press("OKButton");
        openFor(6);
        press("OKButton");
        QCOMPARE(std::pair(stored(4), stored(6)), std::pair(95u, 200u));
    }
};

QTEST_MAIN(TstUnitsPicker)
#include "tst_units_picker.moc"
