// The calculator drop-down of the numeric edits, driven by keys and clicks.
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QTest>

#include "fake_prompts.h"

class TstCalcEdit : public QObject {
    Q_OBJECT
    TestWindow w;
    QLineEdit* e = w.find<QLineEdit>("COVIncrementJvCalcEdit1");
    QWidget* open(const QString& seed) {
        e->setText(seed);
        QTest::mouseClick(e->findChild<QToolButton*>("CalculatorButton"), Qt::LeftButton);
        return e->findChild<QWidget*>("CalculatorPopup");
    }

private slots:
    void keys_data() {
        QTest::addColumn<QString>("keys");  // n: F9 (change sign), c: clear, \b: Backspace, \r: Enter
        QTest::addColumn<QString>("text");  // the edit's afterwards; a refused result leaves the popup open
        for (auto [keys, text] : {std::pair{"\r", "1024"}, std::pair{"/4\r", "256"}, std::pair{"2+3*4=\r", "20"},
                                  std::pair{"0,5n\r", "-0.5"}, std::pair{"99c12\b\r", "1"}, std::pair{"/0\r", "Error"}})
            QTest::newRow(keys) << keys << text;
    }
    void keys() {
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QWidget* calc = open("1024");
        for (char k : keys.toLatin1()) k == 'n' ? QTest::keyClick(calc, Qt::Key_F9) : QTest::keyClick(calc, k);
        QCOMPARE(calc->isVisible() ? calc->findChild<QLabel*>("CalcDisplay")->text() : e->text(), text);
        QVERIFY(w.form->CollectForm());
        QCOMPARE(w.form->image().analogueValue(vaskiro::core::FloatGroup::COVIncrement, 1),
                 text == "Error" ? 1024.0f : text.toFloat());
    }
    void clicksAndWaysOut() {
        QWidget* calc = open("1");
        for (const char* name : {"CalcButton7", "CalcMultiplyButton", "CalcButton6", "CalcOKButton"})
            QTest::mouseClick(calc->findChild<QWidget*>(name), Qt::LeftButton);
        QCOMPARE(e->text(), QString("42"));
        QTest::keyClick(e, Qt::Key_Down, Qt::AltModifier);
        QTest::keyClicks(calc, "5\x1b");  // Escape
        QTest::keyClick(open("42"), Qt::Key_9);
        QTest::mouseClick(calc, Qt::LeftButton, {}, QPoint(-5, -5));  // outside
        QVERIFY(!calc->isVisible() && e->text() == "42");
        const auto numeric = w.form->findChildren<QLineEdit*>(QRegularExpression("CalcEdit"));
        QCOMPARE(numeric.size(), 16);
        for (QLineEdit* edit : numeric) QVERIFY(edit->findChild<QToolButton*>("CalculatorButton"));
    }
};

QTEST_MAIN(TstCalcEdit)
#include "tst_calc_edit.moc"
