#pragma once

#include <string_view>

#include "device/report.h"

namespace vaskiro::device {

enum class MessageKind { Error, Information };

// Everything the exchange does to the world goes through this port, so the
// state machine runs the same in the window, the command-line tool and tests.
// All calls come on the thread that drives the exchange.
class ExchangePort {
public:
    virtual ~ExchangePort() = default;
    // Sends one 65-byte report. False when the write failed (the exchange
    // then ends as for a vanished device).
    virtual bool sendReport(const Report& report) = 0;
    // Appends one line (UTF-8) to the log.
    virtual void appendLog(std::string_view line) = 0;
    // Shows a modal box with one OK button; returns once it was closed.
    virtual void showMessage(MessageKind kind, std::string_view text) = 0;
    // A Read has completed and the image holds the device's settings: show them.
    virtual void populateForm() = 0;
};

}  // namespace vaskiro::device
