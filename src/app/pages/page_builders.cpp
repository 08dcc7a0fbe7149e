#include "app/pages/page_builders.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/pages/form_binding.h"
#include "app/pages/form_edits.h"
#include "core/settings_table.h"

namespace vaskiro::app {

namespace {

QString shown(const std::string& text) { return QString::fromStdString(text); }

QWidget* makeControl(core::ControlKind kind, int typingLimit) {
    switch (kind) {
    case core::ControlKind::CheckBox: return new QCheckBox;
    case core::ControlKind::SpinEdit: return new app::PortSpinEdit;
    case core::ControlKind::TextEdit: return new app::LimitedLineEdit(typingLimit);
    case core::ControlKind::NumberEdit: return new app::NumericEdit;
    default: break;
    }
    auto* edit = new QLineEdit;
    if (kind == core::ControlKind::DigitsEdit)
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    if (kind == core::ControlKind::UnitName) {
        edit->setReadOnly(true);
        // Only the button beside it changes the unit, so Tab goes straight
        // there; a click still lets the name be selected and copied.
        edit->setFocusPolicy(Qt::ClickFocus);
    }
    return edit;
}

}  // namespace

std::vector<QWidget*> makeControls(const core::Setting& setting, app::FormControls& controls) {
    const core::WindowControl& window = setting.window;
    const QString spoken = shown(window.spoken.empty() ? setting.label : window.spoken);
    const int typingLimit = static_cast<int>(window.takes.high);
    const QString described =
        window.kind == core::ControlKind::TextEdit ? upToCharacters(typingLimit) : shown(window.described);
    std::vector<QWidget*> made;
    if (window.kind == core::ControlKind::OctetEdits) {
        for (int octet = 1; octet <= 4; ++octet) {
            const QString number = QString::number(octet);
            auto* edit = new QLineEdit;
            edit->setObjectName(shown(window.objectName).arg(number));
            nameControl(edit, QObject::tr("%1, octet %2").arg(spoken, number), described);
            edit->setFixedWidth(textWidth(edit, 7));
            made.push_back(edit);
        }
    } else {
        QWidget* control = makeControl(window.kind, typingLimit);
        control->setObjectName(shown(window.objectName));
        if (auto* box = qobject_cast<QCheckBox*>(control)) box->setText(shown(window.caption));
        // A box without words of its own is spoken as its caption says.
        if (window.kind != core::ControlKind::CheckBox || !window.spoken.empty())
            nameControl(control, spoken, described);
        made.push_back(control);
    }
    for (QWidget* control : made) controls.add(setting.key, control);
    return made;
}

QLabel* labelFor(const QString& caption, QWidget* buddy) {
    auto* label = new QLabel(caption);
    label->setBuddy(buddy);
    return label;
}

QGroupBox* makeCheckBoxGroup(const CheckBoxGroupNames& names, std::string_view family, app::FormControls& controls,
                             QPushButton*& allButton, QPushButton*& noneButton) {
    auto* group = new QGroupBox(names.title);
    group->setObjectName(names.group);
    auto* column = new QVBoxLayout(group);

    auto* boxRow = new QHBoxLayout;
    for (const core::Setting* box : core::familyOf(family)) boxRow->addWidget(makeControls(*box, controls)[0]);
    boxRow->addStretch();
    column->addLayout(boxRow);

    allButton = new QPushButton(names.allCaption);
    allButton->setObjectName(names.allButton);
    noneButton = new QPushButton(names.noneCaption);
    noneButton->setObjectName(names.noneButton);
    if (!names.allSpoken.isEmpty()) nameControl(allButton, names.allSpoken);
    if (!names.noneSpoken.isEmpty()) nameControl(noneButton, names.noneSpoken);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(allButton);
    buttonRow->addWidget(noneButton);
    buttonRow->addStretch();
    column->addLayout(buttonRow);
    return group;
}

QPushButton* addStatusBarButton(QWidget& window, QStatusBar& statusBar, const QString& text, const QString& name,
                                const QKeySequence& key) {
    auto* button = new QPushButton(text);
    button->setObjectName(name);
    auto* keyLabel = new QLabel(key.toString(QKeySequence::NativeText));
    keyLabel->setObjectName(name + QLatin1String("KeyLabel"));
    statusBar.addPermanentWidget(button);
    statusBar.addPermanentWidget(keyLabel);
    auto* shortcut = new QShortcut(key, &window);
    QObject::connect(shortcut, &QShortcut::activated, button, &QPushButton::click);
    return button;
}

QGroupBox* makeNameGroup(const QString& group, std::string_view family, app::FormControls& controls, int columns,
                         bool wholeNames) {
    auto* box = new QGroupBox(QObject::tr("Names"));
    box->setObjectName(group);
    auto* grid = new QGridLayout(box);
    grid->setHorizontalSpacing(grid->horizontalSpacing() * 2);
    int i = 0;
    for (const core::Setting* name : core::familyOf(family)) {
        QWidget* edit = makeControls(*name, controls)[0];
        if (wholeNames) edit->setMinimumWidth(textWidth(edit, static_cast<int>(name->window.takes.high)));
        const int row = i / columns;
        const int column = 2 * (i++ % columns);
        grid->addWidget(labelFor(shown(name->window.caption), edit), row, column);
        grid->addWidget(edit, row, column + 1);
        grid->setColumnStretch(column + 1, 1);
    }
    return box;
}

void nameControl(QWidget* control, const QString& name, const QString& description) {
    control->setAccessibleName(name);
    if (!description.isEmpty()) control->setAccessibleDescription(description);
}

QString upToCharacters(int limit) { return QObject::tr("up to %1 characters").arg(limit); }

int textWidth(const QWidget* widget, int characters) { return widget->fontMetrics().averageCharWidth() * characters; }

}  // namespace vaskiro::app
