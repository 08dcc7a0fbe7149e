#pragma once

#include <chrono>
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

// The states of the exchange, by the reply each one waits for. The numbers
// are the ones logs and tests have always used; 14-20 and 23-29 are unused.
enum class ExchangeStep : std::int32_t {
    Idle = 0,
    // Write: each state is left on the reply to what the previous one sent.
    WriteIdentify = 1,
    WriteBegun = 2,            // BeginWrite answered: send block 0 part 1, the settings
    WroteSettings = 3,         // send block 0 part 2, the device name
    WroteDeviceName = 4,       // send block 1 part 1, the scalings
    WroteScalings = 5,         // send block 1 part 2, the COV increments
    WriteInputNameFirst = 6,   // each pair of names is one block: first name (part 1) ...
    WriteInputNameSecond = 7,  // ... then second name (part 2)
    WriteOutputNameFirst = 8,
    WriteOutputNameSecond = 9,
    WriteAnalogueNameFirst = 10,
    WriteAnalogueNameSecond = 11,
    WroteNames = 12,     // send block 22 part 1, location and description
    WroteLocation = 13,  // send block 22 part 2, the password
    WrotePassword = 21,  // send EndWrite
    WriteEnded = 22,
    // Read: each state stores the part its reply carries.
    ReadIdentify = 30,
    ReadSettings = 31,
    ReadDeviceName = 32,
    ReadScalings = 33,
    ReadCovIncrements = 34,
    ReadInputNameFirst = 35,
    ReadInputNameSecond = 36,
    ReadOutputNameFirst = 37,
    ReadOutputNameSecond = 38,
    ReadAnalogueNameFirst = 39,
    ReadAnalogueNameSecond = 40,
    ReadLocation = 41,
    ReadPassword = 42,
    IdentifyOnly = 50,
};

// How long the link must stay quiet after an exchange that the device did not
// answer in time before the next exchange sends its first request: the
// protocol carries no request tag, so a late reply taken as the answer to a
// new request would shift every part of that exchange by one.
inline constexpr std::chrono::milliseconds kQuietAfterNoReply{250};

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

    DeviceExchange(core::ConfigurationImage& image, ExchangePort& port);

    // Sends Identify and enters state 1 (Write) or 30 (Read), whatever the
    // previous exchange was doing. The caller has validated and collected
    // the window (Write) and opened the device. After an exchange abandoned
    // for NoReply, Identify waits until the shell calls linkQuiet().
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

    // True from a start after a NoReply abandonment until linkQuiet(): the
    // shell lets the link be quiet for kQuietAfterNoReply, handing over (to be
    // dropped and logged) whatever late reports still arrive, and then calls
    // linkQuiet(), which sends the deferred Identify.
    bool awaitingQuietLink() const { return m_awaitingQuiet; }
    void linkQuiet();
    // The device was opened afresh: no late reply can come on the new link.
    void linkReopened() { m_linkUnsettled = false; }

    bool idle() const { return m_state == ExchangeStep::Idle; }
    // Replies consumed so far in the running exchange, and how many it needs
    // (49 for a Write, 47 for a Read, 1 to identify); both 0 while idle.
    int stepsDone() const { return m_stepsDone; }
    int stepsTotal() const;

    // Set by an accepted identity reply; cleared when an exchange starts.
    const std::optional<DeviceIdentity>& identity() const { return m_identity; }

    const Report& InReport() const { return m_inReport; }

private:
    void start(ExchangeStep state);
    bool identityAccepted();
    void step();
    void namePairStep();
    void prepareBlockPart(int part);
    void prepareRequest(std::uint8_t code);
    bool transmit();
    void goIdle();

    core::ConfigurationImage& m_image;
    ExchangePort& m_port;
    core::ConfigurationImage m_readCopy;  // a Read fills this; the image takes it whole at the end
    Report m_outReport{};
    Report m_inReport{};
    ExchangeStep m_state = ExchangeStep::Idle;
    bool m_linkUnsettled = false;  // the last exchange was abandoned while a reply was due
    bool m_awaitingQuiet = false;
    std::uint8_t m_blockNumber = 0;
    std::int32_t m_nameIndex = 0;
    int m_stepsDone = 0;
    std::optional<DeviceIdentity> m_identity;
};

}  // namespace vaskiro::device
