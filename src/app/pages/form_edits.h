#pragma once

#include <QLineEdit>
#include <QSpinBox>
#include <QString>

#include "core/bacnet_numbers.h"

namespace vaskiro::app {

// A one-line edit whose length limit stops typing and pasting only. Text that
// the program sets through setWholeText() is shown whole, even when it is
// longer than the limit (a data file may hold 31 characters where the user may
// type 30), so that what was loaded is collected back unchanged.
// QLineEdit::setMaxLength would cut such a text, so a validator does the work:
// it refuses an edit that makes the text longer than both the limit and the
// text the program set last.
class LimitedLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit LimitedLineEdit(int typingLimit, QWidget* parent = nullptr);

    int typingLimit() const { return m_typingLimit; }

    // Use this rather than setText(), which would leave the allowance of the
    // previous text in force.
    void setWholeText(const QString& text);

private:
    int m_typingLimit;
    int m_allowance;  // the longest text accepted at the moment
};

// A one-line edit that holds a single-precision value, as the image stores it.
// The value is shown in the fewest digits that read back as the same float
// (1024, 0.1, 1e-05), in C notation whatever the locale, so showing a value
// and reading it back never changes its bytes. A typed comma is taken as the
// decimal point. The button at the right end, or Alt+Down, drops down a
// calculator seeded with the value; its result goes through offer().
class NumericEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit NumericEdit(QWidget* parent = nullptr);

    void setValue(float value);
    // The text as a number, rounded to the nearest float. While the text is
    // not (yet) a number, for example "1e" or empty, the last number it held.
    float value() const;

    // Takes `text` as if it had been typed whole: only a finite number that
    // fits a single is taken. False, and the edit unchanged, otherwise.
    bool offer(const QString& text);

    void openCalculator();

    static QString format(float value);

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void settle();

    float m_value = 0.0f;
};

// The BACnet/IP port. The device carries 16 bits, so typing and the arrows
// stay within 0 to 65535; a value the program sets (the image holds 32 bits)
// is still shown and kept as it is.
class PortSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit PortSpinEdit(QWidget* parent = nullptr);

    static constexpr int kLargestPort = core::kLargestUdpPort;

protected:
    QValidator::State validate(QString& text, int& pos) const override;
    void stepBy(int steps) override;
    StepEnabled stepEnabled() const override;
};

}  // namespace vaskiro::app
