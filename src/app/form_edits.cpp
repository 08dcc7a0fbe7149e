#include "app/form_edits.h"

#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QValidator>

#include <algorithm>

#include "core/float_text.h"

namespace vaskiro::config {

namespace {

class LengthValidator : public QValidator {
public:
    LengthValidator(const int& allowance, QObject* parent) : QValidator(parent), m_allowance(allowance) {}

    State validate(QString& input, int&) const override {
        return input.size() <= m_allowance ? Acceptable : Invalid;
    }

private:
    const int& m_allowance;
};

}  // namespace

LimitedLineEdit::LimitedLineEdit(int typingLimit, QWidget* parent)
    : QLineEdit(parent), m_typingLimit(typingLimit), m_allowance(typingLimit) {
    setValidator(new LengthValidator(m_allowance, this));
    // Once the user shortens an over-long text, the extra room is gone.
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_allowance = std::max(m_typingLimit, std::min(m_allowance, static_cast<int>(text.size())));
    });
}

void LimitedLineEdit::setWholeText(const QString& text) {
    m_allowance = std::max(m_typingLimit, static_cast<int>(text.size()));
    setText(text);
}

NumericEdit::NumericEdit(QWidget* parent) : QLineEdit(parent) {
    // Finite numbers only can be typed; an infinity or NaN that a file holds
    // is still shown, and kept, as it is.
    static const QRegularExpression number(QStringLiteral("[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?"));
    setValidator(new QRegularExpressionValidator(number, this));
    // Every text that reads as a number becomes the value at once, so a
    // collect in the middle of an edit takes the last good number. The text
    // that setValue() shows is skipped: reading it back could only lose a
    // NaN's payload.
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text == format(m_value)) return;
        if (const auto parsed = parseFloat(text.toStdString())) m_value = *parsed;
    });
    connect(this, &QLineEdit::editingFinished, this, &NumericEdit::settle);
}

void NumericEdit::setValue(float value) {
    m_value = value;
    setText(format(value));
}

float NumericEdit::value() const {
    return m_value;
}

QString NumericEdit::format(float value) {
    return QString::fromStdString(formatFloat(value));
}

// editingFinished does not come for a half-typed text such as "1e", which
// would otherwise stay on screen while the last good value is the one kept.
void NumericEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    settle();
}

void NumericEdit::settle() {
    setValue(m_value);
}

}  // namespace vaskiro::config
