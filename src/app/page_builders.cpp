#include "app/page_builders.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/form_edits.h"
#include "core/text_limits.h"

namespace vaskiro::app {

QGroupBox* makeCheckBoxGroup(const CheckBoxGroupNames& names, std::span<QCheckBox*> boxes, QPushButton*& allButton,
                             QPushButton*& noneButton) {
    auto* group = new QGroupBox(names.title);
    group->setObjectName(names.group);
    auto* column = new QVBoxLayout(group);

    auto* boxRow = new QHBoxLayout;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const QString number = QString::number(i + 1);
        boxes[i] = new QCheckBox(number);
        boxes[i]->setObjectName(names.boxPrefix + number);
        nameControl(boxes[i], names.boxSpoken.arg(number));
        boxRow->addWidget(boxes[i]);
    }
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

QGroupBox* makeNameGroup(const QString& group, const QString& labelPrefix, const QString& editPrefix,
                         std::span<config::LimitedLineEdit*> edits, int columns, bool wholeNames) {
    auto* box = new QGroupBox(QObject::tr("Names"));
    box->setObjectName(group);
    auto* grid = new QGridLayout(box);
    grid->setHorizontalSpacing(grid->horizontalSpacing() * 2);
    for (std::size_t i = 0; i < edits.size(); ++i) {
        const QString number = QString::number(i + 1);
        edits[i] = new config::LimitedLineEdit(core::kChannelNameLimit);
        edits[i]->setObjectName(editPrefix + number);
        nameControl(edits[i], labelPrefix + QLatin1Char(' ') + number + QObject::tr(" name"),
                    upToCharacters(core::kChannelNameLimit));
        if (wholeNames) edits[i]->setMinimumWidth(textWidth(edits[i], core::kChannelNameLimit));
        auto* label = new QLabel(labelPrefix + QLatin1Char(' ') + number);
        label->setBuddy(edits[i]);
        const int row = static_cast<int>(i) / columns;
        const int column = 2 * (static_cast<int>(i) % columns);
        grid->addWidget(label, row, column);
        grid->addWidget(edits[i], row, column + 1);
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
