#pragma once

#include <QLineEdit>
#include <QString>

namespace vaskiro::config {

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
// and reading it back never changes its bytes.
class NumericEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit NumericEdit(QWidget* parent = nullptr);

    void setValue(float value);
    // The text as a number, rounded to the nearest float. While the text is
    // not (yet) a number, for example "1e" or empty, the last number it held.
    float value() const;

    static QString format(float value);

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void settle();

    float m_value = 0.0f;
};

}  // namespace vaskiro::config
