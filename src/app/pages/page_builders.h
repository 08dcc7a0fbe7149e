#pragma once

#include <QKeySequence>
#include <QString>

#include <string_view>
#include <vector>

class QGroupBox;
class QLabel;
class QPushButton;
class QStatusBar;
class QWidget;

namespace vaskiro::app {
class FormControls;
}

namespace vaskiro::core {
struct Setting;
}

namespace vaskiro::app {

// Names and captions of a group of numbered check boxes with its two buttons.
struct CheckBoxGroupNames {
    QString group;  // object name of the group box
    QString title;
    QString allButton;
    QString allCaption;
    QString noneButton;
    QString noneCaption;
    // What a screen reader calls the buttons when their captions alone would
    // repeat those of another page; empty: the caption.
    QString allSpoken = {};
    QString noneSpoken = {};
};

// The control(s) of a setting as its row in the settings table describes
// them, named, spoken and limited, and put into `controls` under its key.
std::vector<QWidget*> makeControls(const core::Setting& setting, app::FormControls& controls);

// A label for `buddy` saying `caption`.
QLabel* labelFor(const QString& caption, QWidget* buddy);

// One row of the check boxes of `family` ("input-invert"), box 1 first, with
// the check-all and check-none buttons below.
QGroupBox* makeCheckBoxGroup(const CheckBoxGroupNames& names, std::string_view family, app::FormControls& controls,
                             QPushButton*& allButton, QPushButton*& noneButton);

// The name and description a screen reader gives `control`: which one it is,
// in a technician's words, and the limits of what it takes.
void nameControl(QWidget* control, const QString& name, const QString& description = {});

// A button at the right of the status bar with its shortcut `key` shown beside it
// (where it is seen without a mouse) and working anywhere in `window`; the
// label is "<name>KeyLabel". The caller names and describes the button.
QPushButton* addStatusBarButton(QWidget& window, QStatusBar& statusBar, const QString& text, const QString& name,
                                const QKeySequence& key);

// The name edits of `family` ("input-name"), each after its label, filled
// row by row in `columns` columns; with `wholeNames`, each edit is wide
// enough for the characters it takes.
QGroupBox* makeNameGroup(const QString& group, std::string_view family, app::FormControls& controls, int columns,
                         bool wholeNames);

// Room for `characters` average characters of the widget's font.
int textWidth(const QWidget* widget, int characters);

// "up to N characters", the description of a text edit's limit.
QString upToCharacters(int limit);

}  // namespace vaskiro::app
