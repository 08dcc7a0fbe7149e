#include "cli/console_port.h"

namespace vaskiro::cli {

bool ConsolePort::sendReport(const device::Report& report) {
    std::string error;
    return m_connection.write(report, error);
}

void ConsolePort::appendLog(std::string_view line) {
    if (m_echoLog) m_out << line << '\n';
}

void ConsolePort::showMessage(device::MessageKind kind, std::string_view text) {
    if (kind == device::MessageKind::Error) {
        if (m_error.empty()) m_error = text;
        m_err << text << '\n';
    } else if (m_echoLog) {
        m_out << text << '\n';
    }
}

}  // namespace vaskiro::cli
