#pragma once

#include <QFrame>
#include <QString>

#include <functional>

class QLabel;

namespace vaskiro::app {

// The arithmetic of the calculator drop-down, as a pocket calculator does it:
// an operator first completes the one before it, and every result is rounded
// to a single, the precision the edit holds, so what is shown is what is
// taken. A result that is not a finite single shows "Error".
class Calculator {
public:
    // Starts from `seed` as from a result: the next digit begins a new number.
    explicit Calculator(const QString& seed = QStringLiteral("0"));

    // One key: a digit, '.', '+', '-', '*', '/', '=', 'n' (change sign),
    // 'c' (clear all) or 'b' (remove the last character).
    void press(char key);
    // Completes a pending operation, as '=' does.
    void finish() { press('='); }

    QString display() const { return m_display; }
    bool failed() const { return m_failed; }

private:
    void calculate();

    QString m_display;
    double m_left = 0;
    char m_operator = 0;
    bool m_startsNumber = true;  // the next digit replaces what is shown
    bool m_failed = false;
};

// The popup of a numeric edit: display, keypad and OK. Keys as on a numeric
// keypad (Enter is OK, Escape closes; C or Delete clears, F9 changes the
// sign). OK hands the result to `apply`, which takes it (true: the popup
// closes) or refuses it (the display says "Error"). Escape or a click
// outside closes it and leaves the edit as it was.
class CalculatorPopup : public QFrame {
    Q_OBJECT
public:
    CalculatorPopup(std::function<bool(const QString&)> apply, QWidget* parent);

    // Shows the popup under `anchor`, right edges aligned, seeded with `value`.
    void open(const QString& value, QWidget* anchor);
    QString display() const;

public slots:
    void OKButtonClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void press(char key);

    std::function<bool(const QString&)> m_apply;
    Calculator m_calculator;
    QLabel* m_display;
};

}  // namespace vaskiro::app
