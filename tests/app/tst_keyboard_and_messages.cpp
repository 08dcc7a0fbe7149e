// What a technician meets at the keyboard: the picker's keys, decimal commas,
// the port's range, Tab in the log, the refused close, widths, and the help.
#include <QFile>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

#include "app/units_picker.h"
#include "fake_prompts.h"

using namespace vaskiro;

class TstKeyboardAndMessages : public QObject {
    Q_OBJECT
    std::unique_ptr<TestWindow> w;
    QLineEdit* edit(const QString& name) const { return w->find<QLineEdit>(name); }
    template <class T> T* inPicker(const char* name) const { return w->form->unitsPicker()->findChild<T*>(name); }

private slots:
    void init() { w = std::make_unique<TestWindow>(); }

    void pickerKeysChooseTheHighlightedUnit() {
        w->form->SelectAnalogueUnitsButtonClick(3);
        auto* grid = inPicker<QTableWidget>("SelectAnalogueUnitsAdvStringGrid");
        QTest::keyClick(grid, Qt::Key_Left);  // from No Units
        const QString unit = grid->currentItem()->text();
        grid->setCurrentCell(9, 2);  // the empty cell after Newton
        QVERIFY(unit != "No Units" && inPicker<QLineEdit>("CurrentSelectionEdit")->text() == unit);
        QTest::keyClick(grid, Qt::Key_Return);
        QCOMPARE(edit("SelectAnalogueUnitsEdit3")->text(), unit);
        w->form->SelectAnalogueUnitsButtonClick(4);
        grid->scrollToItem(grid->item(9, 1));
        const QPoint newton = grid->visualItemRect(grid->item(9, 1)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, newton);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, newton);
        QVERIFY(edit("SelectAnalogueUnitsEdit4")->text() == "Newton" && !w->form->unitsPicker()->isVisible());
    }
    void typing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::newRow("comma") << "AnalogueScalingJvCalcEdit1" << "-1,25e2" << "-1.25e2";
        QTest::newRow("Tab in the log") << "LogMemo" << "\t" << "";
    }
    void typing() {
        QFETCH(QString, name);
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QTest::keyClick(w->find(name), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(w->find(name), keys);
        QCOMPARE(w->find(name)->property(name == "LogMemo" ? "plainText" : "text").toString(), text);
    }
    void portFromAFileIsKept() {
        w->form->image().setBacnetPort(70000);
        w->form->PopulateForm();
        w->form->CollectForm();
        QCOMPARE(w->form->image().bacnetPort(), 70000);
        auto* port = w->find<QSpinBox>("BacnetPortCSpinEdit");
        port->setValue(65535), port->stepUp();
        QCOMPARE(port->value(), 65535);
    }
    void closeNamesTheObjectIdentifier() {
        w->find<QTabWidget>("PageControl1")->setCurrentIndex(2);
        edit("ObjectIdentifierEdit")->clear();
        QVERIFY(!w->form->close());
        QVERIFY(w->prompts->errors.last().startsWith("'' is not a valid integer value\nObject Identifier Number"));
        QVERIFY(w->find<QTabWidget>("PageControl1")->currentIndex() == 0 &&
                w->form->focusWidget() == edit("ObjectIdentifierEdit"));
    }
    void namesFitTheirEdits() {
        for (auto [page, name] : {std::pair{1, "InputNameEdit1"}, {3, "AnalogueNameEdit8"}}) {
            w->find<QTabWidget>("PageControl1")->setCurrentIndex(page);
            QTRY_VERIFY(edit(name)->width() >= edit(name)->fontMetrics().averageCharWidth() * 30);
        }
        QVERIFY(w->form->minimumSizeHint().width() <= 1017 && w->form->minimumSizeHint().height() <= 572);
        w->form->SelectAnalogueUnitsButtonClick(1);
        auto* chosen = inPicker<QLineEdit>("CurrentSelectionEdit");
        QTRY_VERIFY(chosen->width() >= chosen->fontMetrics().horizontalAdvance("Grams Of Water Per Kilogram Dry Air") + 4);
    }
    void helpSaysWhatTheWindowDoes() {
        QFile general(VASKIRO_HELP_SOURCE_DIR "/general.html"), analogues(VASKIRO_HELP_SOURCE_DIR "/analogues.html");
        QVERIFY(general.open(QIODevice::ReadOnly) && analogues.open(QIODevice::ReadOnly));
        QVERIFY(!general.readAll().contains("wraps round") && analogues.readAll().contains("comma is taken as"));
    }
};

QTEST_MAIN(TstKeyboardAndMessages)
#include "tst_keyboard_and_messages.moc"
