#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "device/exchange_port.h"
#include "device/hid_backend.h"

namespace vaskiro::cli {

// The exchange's port for the command-line tool: reports go to the opened
// device, log lines to standard output, error boxes to standard error.
class ConsolePort : public device::ExchangePort {
public:
    ConsolePort(device::HidConnection& connection, std::ostream& out, std::ostream& err)
        : m_connection(connection), m_out(out), m_err(err) {}

    bool sendReport(const device::Report& report) override;
    void appendLog(std::string_view line) override;
    void showMessage(device::MessageKind kind, std::string_view text) override;
    void populateForm() override { m_readCompleted = true; }

    // A Read reached its end and the image holds the device's settings.
    bool readCompleted() const { return m_readCompleted; }
    // The first error box the exchange showed, if any.
    bool failed() const { return !m_error.empty(); }
    const std::string& error() const { return m_error; }

    // Log lines and information boxes go to standard output only when on.
    void setEchoLog(bool on) { m_echoLog = on; }
    // Called after each report sent, to show how far the exchange has come.
    void setProgress(std::function<void()> progress) { m_progress = std::move(progress); }

private:
    void clearProgress();

    device::HidConnection& m_connection;
    std::ostream& m_out;
    std::ostream& m_err;
    std::string m_error;
    bool m_echoLog = true;
    bool m_readCompleted = false;
    std::function<void()> m_progress;
};

}  // namespace vaskiro::cli
