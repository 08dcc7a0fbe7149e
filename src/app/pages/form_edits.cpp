#include "app/pages/form_edits.h"

#include <QAction>
#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QStyleOption>
#include <QToolButton>
#include <QValidator>

#include <algorithm>
#include <limits>

#include "app/pages/calculator_popup.h"
#include "core/float_text.h"

namespace vaskiro::app {

namespace {

class LengthValidator : public QValidator {
public:
    LengthValidator(const int& allowance, QObject* parent) : QValidator(parent), m_allowance(allowance) {}

    State validate(QString& input, int&) const override { return input.size() <= m_allowance ? Acceptable : Invalid; }

private:
    const int& m_allowance;
};

// Numbers as C writes them; a comma, as much of Europe types the decimal
// point, becomes the point rather than being dropped (0,5 is not 5).
class NumberValidator : public QRegularExpressionValidator {
public:
    explicit NumberValidator(QObject* parent)
        : QRegularExpressionValidator(QRegularExpression(QStringLiteral("[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?")),
                                      parent) {}

    State validate(QString& input, int& pos) const override {
        input.replace(QLatin1Char(','), QLatin1Char('.'));
        return QRegularExpressionValidator::validate(input, pos);
    }
};

// The arrow of a drop-down, as the style draws it for a combo box.
QIcon dropDownArrow(QWidget* widget) {
    const int size = widget->fontMetrics().height() * 3 / 4;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QStyleOption option;
    option.initFrom(widget);
    option.rect = pixmap.rect();
    widget->style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &option, &painter, widget);
    return QIcon(pixmap);
}

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
    setValidator(new NumberValidator(this));
    QAction* calculator = addAction(dropDownArrow(this), QLineEdit::TrailingPosition);
    calculator->setObjectName(QStringLiteral("CalculatorAction"));
    calculator->setToolTip(tr("Calculator (Alt+Down)"));
    connect(calculator, &QAction::triggered, this, &NumericEdit::openCalculator);
    for (auto* button : findChildren<QToolButton*>())
        if (button->defaultAction() == calculator) button->setObjectName(QStringLiteral("CalculatorButton"));
    // Every text that reads as a number becomes the value at once, so a
    // collect in the middle of an edit takes the last good number. The text
    // that setValue() shows is skipped: reading it back could only lose a
    // NaN's payload.
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text == format(m_value)) return;
        if (const auto parsed = core::parseFloat(text.toStdString())) m_value = *parsed;
    });
    connect(this, &QLineEdit::editingFinished, this, &NumericEdit::settle);
}

void NumericEdit::setValue(float value) {
    m_value = value;
    setText(format(value));
}

float NumericEdit::value() const { return m_value; }

bool NumericEdit::offer(const QString& text) {
    QString candidate = text;
    int position = 0;
    if (validator()->validate(candidate, position) != QValidator::Acceptable ||
        !core::parseFloat(candidate.toStdString()))
        return false;
    setText(candidate);
    settle();
    return true;
}

void NumericEdit::openCalculator() {
    auto* popup = findChild<app::CalculatorPopup*>();
    if (!popup) popup = new app::CalculatorPopup([this](const QString& text) { return offer(text); }, this);
    popup->open(format(m_value), this);
}

void NumericEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier)) {
        openCalculator();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

QString NumericEdit::format(float value) { return QString::fromStdString(core::formatFloat(value)); }

// editingFinished does not come for a half-typed text such as "1e", which
// would otherwise stay on screen while the last good value is the one kept.
void NumericEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    settle();
}

void NumericEdit::settle() { setValue(m_value); }

PortSpinEdit::PortSpinEdit(QWidget* parent) : QSpinBox(parent) {
    setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
}

QValidator::State PortSpinEdit::validate(QString& text, int& pos) const {
    const QValidator::State state = QSpinBox::validate(text, pos);
    if (state == QValidator::Invalid || text.isEmpty() || text == textFromValue(value())) return state;
    bool digits = true;
    for (QChar c : text) digits &= c.isDigit();
    return digits && text.toLongLong() <= kLargestPort ? state : QValidator::Invalid;
}

void PortSpinEdit::stepBy(int steps) {
    setValue(static_cast<int>(std::clamp<long long>(static_cast<long long>(value()) + steps, 0, kLargestPort)));
    selectAll();
}

QAbstractSpinBox::StepEnabled PortSpinEdit::stepEnabled() const {
    StepEnabled enabled = StepNone;
    if (value() < kLargestPort) enabled |= StepUpEnabled;
    if (value() > 0) enabled |= StepDownEnabled;
    return enabled;
}

}  // namespace vaskiro::app
