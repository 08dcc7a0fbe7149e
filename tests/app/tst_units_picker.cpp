// The units picker, driven from the main window's "Select..." buttons.
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include <string>

#include "fake_prompts.h"
#include "core/engineering_units.h"
#include "app/units_picker.h"

using vaskiro::units::TSelectAnalogueUnitsForm;

class TstUnitsPicker : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestWindow> w;
    TSelectAnalogueUnitsForm* picker = nullptr;

    template <class T = QWidget>
    T* inPicker(const QString& name) const {
        return picker->findChild<T*>(name);
    }
    QTableWidget* grid() const { return inPicker<QTableWidget>("SelectAnalogueUnitsAdvStringGrid"); }
    QString current() const { return inPicker<QLineEdit>("CurrentSelectionEdit")->text(); }
    QString unitEdit(int channel) const {
        return w->find<QLineEdit>(QString("SelectAnalogueUnitsEdit%1").arg(channel))->text();
    }
    std::uint32_t storedCode(int channel) const { return w->form->image().analogueUnitCode(channel); }

    void openFor(int channel) {
        QTest::mouseClick(w->find<QPushButton>(QString("SelectAnalogueUnitsButton%1").arg(channel)), Qt::LeftButton);
    }
    void clickCell(int row, int column) {
        QTableWidgetItem* item = grid()->item(row, column);
        grid()->scrollToItem(item);
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, grid()->visualItemRect(item).center());
    }
    void clickCategory(int row) {
        QHeaderView* header = grid()->verticalHeader();
        const QPoint at(header->width() / 2, header->sectionViewportPosition(row) + header->sectionSize(row) / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }
    void press(const char* button) { QTest::mouseClick(inPicker<QPushButton>(button), Qt::LeftButton); }

private slots:
    void init() {
        w = std::make_unique<TestWindow>();
        picker = w->form->unitsPicker();
    }
    void cleanup() { w.reset(); }

    void gridHoldsTheCatalogue() {
        QCOMPARE(picker->windowTitle(), QString("SelectAnalogueUnitsForm"));
        QCOMPARE(inPicker<QLabel>("Label1")->text(), QString("Label1"));
        QCOMPARE(inPicker<QPushButton>("OKButton")->text(), QString("OK"));
        QCOMPARE(inPicker<QPushButton>("CancelButton")->text(), QString("Cancel"));
        QVERIFY(inPicker<QWidget>("Panel1"));
        QCOMPARE(grid()->rowCount(), 27);
        QCOMPARE(grid()->columnCount(), 13);
        for (int row = 0; row < 27; ++row) {
            for (int column = 0; column < 13; ++column) {
                QTableWidgetItem* item = grid()->item(row, column);
                const std::string text(vaskiro::units::categoryCellText(row, column));
                QCOMPARE(item->text(), QString::fromStdString(text));
                QVERIFY(!(item->flags() & Qt::ItemIsEditable));
            }
            // The category column stays in place, in bold.
            QCOMPARE(grid()->verticalHeaderItem(row)->text(), grid()->item(row, 0)->text());
        }
        QVERIFY(grid()->verticalHeader()->font().bold());
        QCOMPARE(grid()->item(24, 12)->text(), QString("No Units"));
    }

    void openingShowsTheChannelsUnit() {
        openFor(3);
        QVERIFY(picker->isVisible());
        QVERIFY(!picker->isModal());
        QVERIFY(w->form->isEnabled());
        QCOMPARE(picker->TargetChannel(), 2);
        QCOMPARE(picker->SelectedUnitCode(), 95u);
        QCOMPARE(current(), QString("No Units"));
    }

    void clickingAUnitAndOK() {
        openFor(2);
        clickCell(24, 12);
        QCOMPARE(picker->SelectedUnitCode(), 95u);
        QCOMPARE(current(), QString("No Units"));
        clickCell(3, 2);
        QCOMPARE(current(), grid()->item(3, 2)->text());
        QCOMPARE(picker->SelectedUnitCode(), *vaskiro::units::unitCodeAt(3, 2));
        press("OKButton");
        QVERIFY(picker->isHidden());
        QCOMPARE(storedCode(2), *vaskiro::units::unitCodeAt(3, 2));
        QCOMPARE(unitEdit(2), grid()->item(3, 2)->text());
        QCOMPARE(storedCode(1), 95u);
    }

    void headersAndEmptyCellsKeepTheSelection() {
        openFor(1);
        clickCell(0, 1);  // Meters Per Second Per Second
        const std::uint32_t chosen = picker->SelectedUnitCode();
        inPicker<QLineEdit>("CurrentSelectionEdit")->setText("typed");
        clickCategory(5);
        QCOMPARE(picker->SelectedUnitCode(), chosen);
        QCOMPARE(current(), grid()->item(0, 1)->text());
        clickCell(9, 5);  // past the end of the row
        QCOMPARE(grid()->item(9, 5)->text(), QString());
        QCOMPARE(picker->SelectedUnitCode(), chosen);
        picker->SelectAnalogueUnitsAdvStringGridClickCell(27, 1);  // below the table
        QCOMPARE(picker->SelectedUnitCode(), chosen);

        inPicker<QLineEdit>("CurrentSelectionEdit")->setText("Percent");  // typing has no effect
        press("OKButton");
        QCOMPARE(storedCode(1), chosen);
    }

    void cancelAfterClicks() {
        openFor(5);
        clickCell(1, 1);
        clickCell(2, 3);
        press("CancelButton");
        QVERIFY(picker->isHidden());
        QCOMPARE(storedCode(5), 95u);
        QCOMPARE(unitEdit(5), QString("No Units"));
        openFor(5);
        QCOMPARE(picker->SelectedUnitCode(), 95u);
        QCOMPARE(current(), QString("No Units"));

        clickCell(1, 1);
        picker->close();  // the frame's close box: no different from Cancel
        QVERIFY(picker->isHidden());
        QCOMPARE(storedCode(5), 95u);
    }

    void unknownCodeIsKeptByOK() {
        w->form->image().setAnalogueUnitCode(6, 200);
        w->form->PopulateForm();
        openFor(6);
        QCOMPARE(current(), QString());
        press("OKButton");
        QCOMPARE(storedCode(6), 200u);
        QCOMPARE(unitEdit(6), QString());
    }

    void anotherSelectRetargetsTheOpenPicker() {
        w->form->image().setAnalogueUnitCode(4, 62);
        openFor(1);
        clickCell(1, 1);
        openFor(4);
        QVERIFY(picker->isVisible());
        QCOMPARE(picker->TargetChannel(), 3);
        QCOMPARE(picker->SelectedUnitCode(), 62u);
        QCOMPARE(current(), QString("Degrees Celsius"));
        clickCell(1, 2);
        press("OKButton");
        QCOMPARE(storedCode(4), *vaskiro::units::unitCodeAt(1, 2));
        QCOMPARE(storedCode(1), 95u);
        QCOMPARE(unitEdit(1), QString("No Units"));
    }
};

QTEST_MAIN(TstUnitsPicker)
#include "tst_units_picker.moc"
