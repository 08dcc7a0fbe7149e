#pragma once

#include <QKeySequence>
#include <QString>

class QPushButton;
class QStatusBar;
class QWidget;

#include <span>

class QCheckBox;
class QGroupBox;
class QPushButton;
class QWidget;

namespace vaskiro::config {
class LimitedLineEdit;
}

namespace vaskiro::app {

// Names and captions of a group of numbered check boxes with its two buttons.
struct CheckBoxGroupNames {
    QString group;  // object name of the group box
    QString title;
    QString boxPrefix;  // box N is <boxPrefix>N, captioned N
    QString boxSpoken;  // what a screen reader calls box N: "%1" stands for N
    QString allButton;
    QString allCaption;
    QString noneButton;
    QString noneCaption;
    // What a screen reader calls the buttons when their captions alone would
    // repeat those of another page; empty: the caption.
    QString allSpoken = {};
    QString noneSpoken = {};
};

// One row of check boxes with the check-all and check-none buttons below.
// Fills `boxes` (box 1 first) and the two buttons.
QGroupBox* makeCheckBoxGroup(const CheckBoxGroupNames& names, std::span<QCheckBox*> boxes, QPushButton*& allButton,
                             QPushButton*& noneButton);

// The name and description a screen reader gives `control`: which one it is,
// in a technician's words, and the limits of what it takes.
void nameControl(QWidget* control, const QString& name, const QString& description = {});

// Name edits, each after its label "<labelPrefix> N", filled row by row in
// `columns` columns; with `wholeNames`, each edit is wide enough for the
// core::kChannelNameLimit characters it takes. Each is spoken as "<labelPrefix> N name".
// Fills `edits` (channel 1 first).
// A button at the right of the status bar with its shortcut `key` shown beside it
// (where it is seen without a mouse) and working anywhere in `window`; the
// label is "<name>KeyLabel". The caller names and describes the button.
QPushButton* addStatusBarButton(QWidget& window, QStatusBar& statusBar, const QString& text, const QString& name,
                                const QKeySequence& key);

QGroupBox* makeNameGroup(const QString& group, const QString& labelPrefix, const QString& editPrefix,
                         std::span<config::LimitedLineEdit*> edits, int columns, bool wholeNames);

// Room for `characters` average characters of the widget's font.
int textWidth(const QWidget* widget, int characters);

// "up to N characters", the description of a text edit's limit.
QString upToCharacters(int limit);

}  // namespace vaskiro::app
