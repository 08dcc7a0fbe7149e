#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "core/configuration_image.h"
#include "device/exchange_port.h"
#include "device/report.h"

namespace vaskiro::device {

// Why an exchange was given up before its end.
enum class AbandonReason {
    NoReply,       // no report within the reply timeout: "VASKIRO did not respond"
    Disconnected,  // the device vanished: "VASKIRO was disconnected"
};

// Who the device said it was in its identity reply.
struct DeviceIdentity {
    std::int32_t serial = 0;
    std::string version;  // the application version, as logged
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
    // Identify alone, for a tool that only asks who the device is: logs the
    // version and serial number lines (or refuses the identity) and goes
    // idle without a further request. State 50.
    void startIdentify();

    // One received report: `bytes` are the bytes received, report ID first
    // (at most 65 are taken). They are copied into InReport, whose bytes past
    // them keep their earlier values, then one step of the machine runs; the
    // step does nothing while idle. An empty span is no report and is ignored.
    //
    // The machine reaches its final state before it shows any box, so a
    // showMessage that runs a nested event loop may deliver reports (ignored:
    // the machine is idle) or start a new exchange from inside the box.
    // sendReport, appendLog and populateForm must not re-enter.
    void ProcessDeviceReport(std::span<const std::uint8_t> bytes);

    // Ends a running exchange: idle, log "Exchange abandoned", error box.
    // A Read in progress leaves the image untouched. Nothing when idle.
    void abandon(AbandonReason reason);

    bool idle() const { return m_state == 0; }
    std::int32_t ExchangeState() const { return m_state; }
    // Replies consumed so far in the running exchange, and how many it needs
    // (49 for a Write, 47 for a Read, 1 to identify); both 0 while idle.
    int stepsDone() const { return m_stepsDone; }
    int stepsTotal() const;

    // Set by an accepted identity reply; cleared when an exchange starts.
    const std::optional<DeviceIdentity>& identity() const { return m_identity; }

    std::uint8_t BlockNumber() const { return m_blockNumber; }
    std::int32_t NameIndex() const { return m_nameIndex; }

    const Report& OutReport() const { return m_outReport; }
    const Report& InReport() const { return m_inReport; }

private:
    void start(std::int32_t state);
    void identityStep();
    void writeStep();
    void readStep();
    void nextNamePair();
    void prepareBlockPart(int part);
    void prepareReadRequest(std::uint8_t code);
    bool transmit();
    void goIdle();

    config::ConfigurationImage& m_image;
    ExchangePort& m_port;
    config::ConfigurationImage m_readCopy;  // a Read fills this; the image takes it whole at the end
    Report m_outReport{};
    Report m_inReport{};
    std::int32_t m_state = 0;
    std::uint8_t m_blockNumber = 0;
    std::int32_t m_nameIndex = 0;
    int m_stepsDone = 0;
    std::optional<DeviceIdentity> m_identity;
};

}  // namespace vaskiro::device
