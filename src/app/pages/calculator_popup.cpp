#include "app/pages/calculator_popup.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <limits>

#include "core/float_text.h"

namespace vaskiro::app {

Calculator::Calculator(const QString& seed) : m_display(seed) { m_failed = !core::parseFloat(seed.toStdString()); }

void Calculator::press(char key) {
    if (key == 'c' || (m_failed && (std::isdigit(static_cast<unsigned char>(key)) || key == '.'))) {
        *this = Calculator();
        if (key == 'c') return;
    }
    if (m_failed) return;
    if (std::isdigit(static_cast<unsigned char>(key)) || key == '.') {
        if (m_startsNumber) m_display = QStringLiteral("0");
        m_startsNumber = false;
        if (key == '.') {
            if (!m_display.contains(QLatin1Char('.')) && !m_display.contains(QLatin1Char('e')))
                m_display += QLatin1Char('.');
        } else if (m_display == QStringLiteral("0") || m_display == QStringLiteral("-0")) {
            m_display.chop(1);
            m_display += QLatin1Char(key);
        } else {
            m_display += QLatin1Char(key);
        }
    } else if (key == 'b') {
        m_display.chop(1);
        // No half exponent or lone sign is left behind.
        while (m_display.endsWith(QLatin1Char('e')) || m_display.endsWith(QLatin1Char('+')) ||
               m_display.endsWith(QLatin1Char('-')))
            m_display.chop(1);
        if (m_display.isEmpty()) m_display = QStringLiteral("0");
        m_startsNumber = false;
    } else if (key == 'n') {
        if (m_display.startsWith(QLatin1Char('-')))
            m_display.remove(0, 1);
        else
            m_display.prepend(QLatin1Char('-'));
    } else if (key == '+' || key == '-' || key == '*' || key == '/' || key == '=') {
        if (m_operator && !(m_startsNumber && key != '=')) calculate();
        if (m_failed) return;
        m_left = core::parseFloat(m_display.toStdString()).value_or(0.0f);
        m_operator = key == '=' ? 0 : key;
        m_startsNumber = true;
    }
}

void Calculator::calculate() {
    const auto right = core::parseFloat(m_display.toStdString());
    double result = 0;
    switch (m_operator) {
    case '+': result = m_left + right.value_or(0.0f); break;
    case '-': result = m_left - right.value_or(0.0f); break;
    case '*': result = m_left * right.value_or(0.0f); break;
    case '/': result = right && *right != 0 ? m_left / *right : std::numeric_limits<double>::infinity(); break;
    }
    m_operator = 0;
    if (!right || !std::isfinite(result) || std::fabs(result) > std::numeric_limits<float>::max()) {
        m_display = QStringLiteral("Error");
        m_failed = true;
        return;
    }
    m_display = QString::fromStdString(core::formatFloat(static_cast<float>(result)));
}

namespace {

struct Key {
    char key;
    const char* caption;
    const char* name;
};

// The keypad, row by row; '!' is OK.
constexpr std::array<std::array<Key, 4>, 5> kKeypad = {{
    {{{'c', "C", "CalcClearButton"},
      {'b', "\u2190", "CalcBackspaceButton"},
      {'n', "+/-", "CalcSignButton"},
      {'/', "/", "CalcDivideButton"}}},
    {{{'7', "7", "CalcButton7"},
      {'8', "8", "CalcButton8"},
      {'9', "9", "CalcButton9"},
      {'*', "x", "CalcMultiplyButton"}}},
    {{{'4', "4", "CalcButton4"},
      {'5', "5", "CalcButton5"},
      {'6', "6", "CalcButton6"},
      {'-', "-", "CalcSubtractButton"}}},
    {{{'1', "1", "CalcButton1"}, {'2', "2", "CalcButton2"}, {'3', "3", "CalcButton3"}, {'+', "+", "CalcAddButton"}}},
    {{{'0', "0", "CalcButton0"},
      {'.', ".", "CalcPointButton"},
      {'=', "=", "CalcEqualsButton"},
      {'!', "OK", "CalcOKButton"}}},
}};

char keyOf(const QKeyEvent* event) {
    const int key = event->key();
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<char>('0' + key - Qt::Key_0);
    switch (key) {
    case Qt::Key_Period:
    case Qt::Key_Comma: return '.';
    case Qt::Key_Plus: return '+';
    case Qt::Key_Minus: return '-';
    case Qt::Key_Asterisk:
    case Qt::Key_X: return '*';
    case Qt::Key_Slash: return '/';
    case Qt::Key_Equal: return '=';
    case Qt::Key_F9: return 'n';
    case Qt::Key_C:
    case Qt::Key_Delete: return 'c';
    case Qt::Key_Backspace: return 'b';
    case Qt::Key_Enter:
    case Qt::Key_Return: return '!';
    default: return 0;
    }
}

}  // namespace

CalculatorPopup::CalculatorPopup(std::function<bool(const QString&)> apply, QWidget* parent)
    : QFrame(parent, Qt::Popup), m_apply(std::move(apply)) {
    setObjectName(QStringLiteral("CalculatorPopup"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setFocusPolicy(Qt::StrongFocus);
    // The keys take no focus: the popup itself is what a screen reader meets.
    setAccessibleName(tr("Calculator"));
    setAccessibleDescription(tr("type the sum as on a numeric keypad; Enter takes the result, Escape closes"));

    m_display = new QLabel;
    m_display->setObjectName(QStringLiteral("CalcDisplay"));
    m_display->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_display->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    m_display->setMinimumWidth(fontMetrics().averageCharWidth() * 18);

    auto* grid = new QGridLayout(this);
    grid->setSpacing(2);
    grid->addWidget(m_display, 0, 0, 1, 4);
    for (int row = 0; row < static_cast<int>(kKeypad.size()); ++row) {
        for (int column = 0; column < 4; ++column) {
            const Key& key = kKeypad[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
            auto* button = new QPushButton(QString::fromUtf8(key.caption));
            button->setObjectName(QLatin1String(key.name));
            button->setFocusPolicy(Qt::NoFocus);
            button->setAutoDefault(false);
            button->setFixedWidth(fontMetrics().averageCharWidth() * 5);
            connect(button, &QPushButton::clicked, this, [this, k = key.key] { press(k); });
            grid->addWidget(button, row + 1, column);
        }
    }
}

void CalculatorPopup::open(const QString& value, QWidget* anchor) {
    m_calculator = Calculator(value);
    m_display->setText(m_calculator.display());
    adjustSize();
    QPoint at = anchor->mapToGlobal(QPoint(anchor->width() - width(), anchor->height()));
    if (const QScreen* screen = anchor->screen()) {
        const QRect room = screen->availableGeometry();
        if (at.y() + height() > room.bottom()) at.setY(anchor->mapToGlobal(QPoint(0, 0)).y() - height());
        at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - width())));
    }
    move(at);
    show();
    setFocus();
}

QString CalculatorPopup::display() const { return m_display->text(); }

void CalculatorPopup::OKButtonClick() {
    m_calculator.finish();
    if (!m_calculator.failed() && m_apply(m_calculator.display())) {
        close();
        return;
    }
    if (!m_calculator.failed()) m_calculator = Calculator(QStringLiteral("Error"));
    m_display->setText(m_calculator.display());
}

void CalculatorPopup::press(char key) {
    if (key == '!') {
        OKButtonClick();
        return;
    }
    m_calculator.press(key);
    m_display->setText(m_calculator.display());
}

void CalculatorPopup::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    if (const char key = keyOf(event)) {
        press(key);
        return;
    }
    QFrame::keyPressEvent(event);
}

}  // namespace vaskiro::app
