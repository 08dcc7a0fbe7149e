#pragma once

#include <QPushButton>
#include <QString>

namespace vaskiro::app {

// Enter on a dialog clicks its default button, and an auto-default button
// becomes the default when focused: a plain button is neither, so that Enter
// in a field never opens a chooser or starts anything.
inline QPushButton* plainButton(const QString& text, const char* name, const QString& accessible) {
    auto* b = new QPushButton(text);
    b->setObjectName(QLatin1String(name));
    b->setAccessibleName(accessible);
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

}  // namespace vaskiro::app
