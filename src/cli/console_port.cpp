#include "cli/console_port.h"

namespace vaskiro::cli {

bool ConsolePort::sendReport(const device::Report& report) {
    if (!m_connection.write(report)) return false;
    if (m_progress) m_progress();
    return true;
}

// Clears the progress line so that text does not run into it.
void ConsolePort::clearProgress() {
    if (m_progress) m_err << "\r\033[K" << std::flush;
}

void ConsolePort::appendLog(std::string_view line) {
    clearProgress();
    if (m_echoLog) m_out << line << '\n';
}

void ConsolePort::showMessage(device::MessageKind kind, std::string_view text) {
    clearProgress();
    if (kind == device::MessageKind::Error) {
        if (m_error.empty()) m_error = text;
        m_err << text << '\n';
    } else if (m_echoLog) {
        m_out << text << '\n';
    }
}

}  // namespace vaskiro::cli
