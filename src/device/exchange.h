#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "config/configuration_image.h"
#include "device/exchange_port.h"
#include "device/report.h"

namespace vaskiro::device {

// Why an exchange was given up before its end.
enum class AbandonReason {
    NoReply,       // no report within the reply timeout: "VASKIRO did not respond"
    Disconnected,  // the device vanished: "VASKIRO was disconnected"
};

// The request-and-reply state machine of Write and Read. One report in, at
// most one report out, in strict lock-step. Knows nothing of widgets, HID or
// threads: a shell opens the device, starts an exchange, feeds it each report
// the device sends, and abandons it on a timeout or a lost device.
class DeviceExchange {
public:
    static constexpr int kWriteSteps = 49;  // replies a complete Write consumes
    static constexpr int kReadSteps = 47;   // replies a complete Read consumes

    DeviceExchange(config::ConfigurationImage& image, ExchangePort& port);

    // Sends Identify and enters state 1 (Write) or 30 (Read), whatever the
    // previous exchange was doing. The caller has validated and collected
    // the window (Write) and opened the device.
    void startWrite();
    void startRead();

    // One received report: `bytes` are the bytes received, report ID first
    // (at most 65). Bytes of InReport past them keep their earlier values.
    // Runs one step of the machine; ignored while idle.
    void ProcessDeviceReport(std::span<const std::uint8_t> bytes);

    // Ends a running exchange: idle, log "Exchange abandoned", error box.
    // A Read in progress leaves the image untouched. Nothing when idle.
    void abandon(AbandonReason reason);

    bool idle() const { return m_state == 0; }
    std::int32_t ExchangeState() const { return m_state; }
    // Replies consumed so far in the running exchange, and how many it needs.
    int stepsDone() const { return m_stepsDone; }
    int stepsTotal() const;

    const Report& OutReport() const { return m_outReport; }
    const Report& InReport() const { return m_inReport; }

private:
    config::ConfigurationImage& m_image;
    ExchangePort& m_port;
    config::ConfigurationImage m_readCopy;  // a Read fills this; the image takes it whole at the end
    Report m_outReport{};
    Report m_inReport{};
    std::int32_t m_state = 0;
    std::uint8_t m_blockNumber = 0;
    std::int32_t m_nameIndex = 0;
    int m_stepsDone = 0;
};

}  // namespace vaskiro::device
