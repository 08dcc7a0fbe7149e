#pragma once

#include <QString>

#include <string_view>

namespace vaskiro::app {

// Text from outside (UTF-8) as one line, control characters escaped.
QString shownText(std::string_view utf8);

// The same, keeping its line breaks as line breaks: for a message that was
// written in several lines, shown where it may wrap.
QString shownLines(std::string_view utf8);

// Device text (Windows-1252, as the image holds it) as one line.
QString shownDeviceText(std::string_view bytes);

}  // namespace vaskiro::app
