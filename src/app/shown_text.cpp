#include "app/shown_text.h"

#include <QStringList>

#include "core/display_text.h"
#include "core/text_codec.h"

namespace vaskiro::app {

QString shownText(std::string_view utf8) { return QString::fromStdString(core::escapeControlCharacters(utf8)); }

QString shownLines(std::string_view utf8) {
    QStringList lines;
    while (true) {
        std::size_t end = utf8.find('\n');
        std::string_view line = utf8.substr(0, end);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines << shownText(line);
        if (end == std::string_view::npos) break;
        utf8.remove_prefix(end + 1);
    }
    return lines.join(QLatin1Char('\n'));
}

QString shownDeviceText(std::string_view bytes) { return shownText(core::fromWindows1252(bytes)); }

}  // namespace vaskiro::app
