#include "device/exchange.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "core/little_endian.h"
#include "core/text_codec.h"
#include "device/block_codec.h"

namespace vaskiro::device {

namespace {

using S = ExchangeStep;

// What a state does with the reply it waits for.
enum class Kind {
    Identity,  // judge the identity reply; then, unless `next` is Idle, start over at block 0
    Send,      // send `request` for the current BlockNumber
    Written,   // the Write is over
    Read,      // the Read is over: the image takes what came
};

// The states outside the name pairs: on the reply they wait for, each sends
// `request` with the current BlockNumber (and, writing, the block part's
// payload), then sets BlockNumber and NameIndex as the row says.
struct StepRow {
    S state;
    Kind kind;
    std::uint8_t request;
    int blockAfter;  // BlockNumber afterwards; -1 keeps it
    bool resetName;  // NameIndex := 0 afterwards
    S next;
};

constexpr StepRow kSteps[] = {
    {S::WriteIdentify, Kind::Identity, request::BeginWrite, -1, false, S::WriteBegun},
    {S::WriteBegun, Kind::Send, request::WriteBlockPart1, -1, false, S::WroteSettings},
    {S::WroteSettings, Kind::Send, request::WriteBlockPart2, 1, true, S::WroteDeviceName},
    {S::WroteDeviceName, Kind::Send, request::WriteBlockPart1, -1, false, S::WroteScalings},
    {S::WroteScalings, Kind::Send, request::WriteBlockPart2, 2, true, S::WriteInputNameFirst},
    {S::WroteNames, Kind::Send, request::WriteBlockPart1, -1, false, S::WroteLocation},
    {S::WroteLocation, Kind::Send, request::WriteBlockPart2, -1, true, S::WrotePassword},
    {S::WrotePassword, Kind::Send, request::EndWrite, -1, false, S::WriteEnded},
    {S::WriteEnded, Kind::Written, 0, -1, false, S::Idle},
    {S::ReadIdentify, Kind::Identity, request::ReadBlockPart1, -1, false, S::ReadSettings},
    {S::ReadSettings, Kind::Send, request::ReadBlockPart2, 1, false, S::ReadDeviceName},
    {S::ReadDeviceName, Kind::Send, request::ReadBlockPart1, -1, false, S::ReadScalings},
    {S::ReadScalings, Kind::Send, request::ReadBlockPart2, 2, true, S::ReadCovIncrements},
    {S::ReadCovIncrements, Kind::Send, request::ReadBlockPart1, -1, false, S::ReadInputNameFirst},
    {S::ReadLocation, Kind::Send, request::ReadBlockPart2, -1, false, S::ReadPassword},
    {S::ReadPassword, Kind::Read, 0, -1, false, S::Idle},
    {S::IdentifyOnly, Kind::Identity, 0, -1, false, S::Idle},
};

// The name groups: two names a block, the first-name state and the second
// alternating until the group's last name went, then on to `after`.
struct NameGroupRow {
    S first;
    S second;
    S after;
    int names;
};

constexpr NameGroupRow kNameGroups[] = {
    {S::WriteInputNameFirst, S::WriteInputNameSecond, S::WriteOutputNameFirst, core::kInputCount},
    {S::WriteOutputNameFirst, S::WriteOutputNameSecond, S::WriteAnalogueNameFirst, core::kOutputCount},
    {S::WriteAnalogueNameFirst, S::WriteAnalogueNameSecond, S::WroteNames, core::kAnalogueCount},
    {S::ReadInputNameFirst, S::ReadInputNameSecond, S::ReadOutputNameFirst, core::kInputCount},
    {S::ReadOutputNameFirst, S::ReadOutputNameSecond, S::ReadAnalogueNameFirst, core::kOutputCount},
    {S::ReadAnalogueNameFirst, S::ReadAnalogueNameSecond, S::ReadLocation, core::kAnalogueCount},
};

bool isWriting(S state) { return state >= S::WriteIdentify && state < S::ReadIdentify; }

bool isWriteRequest(std::uint8_t code) { return code == request::WriteBlockPart1 || code == request::WriteBlockPart2; }

bool isReadRequest(std::uint8_t code) { return code == request::ReadBlockPart1 || code == request::ReadBlockPart2; }

}  // namespace

DeviceExchange::DeviceExchange(core::ConfigurationImage& image, ExchangePort& port) : m_image(image), m_port(port) {}

void DeviceExchange::startWrite() { start(S::WriteIdentify); }

void DeviceExchange::startRead() { start(S::ReadIdentify); }

void DeviceExchange::startIdentify() { start(S::IdentifyOnly); }

int DeviceExchange::stepsTotal() const {
    if (m_state == S::Idle) return 0;
    if (m_state == S::IdentifyOnly) return 1;
    return isWriting(m_state) ? kWriteSteps : kReadSteps;
}

void DeviceExchange::start(ExchangeStep state) {
    // A Read works on a copy so that an interrupted one leaves the image as
    // it was; bytes the link does not carry keep the image's values.
    if (state == S::ReadIdentify) m_readCopy = m_image;
    m_state = state;
    m_stepsDone = 0;
    m_identity.reset();
    m_outReport[0] = 0x00;
    m_outReport[1] = request::Identify;
    m_awaitingQuiet = m_linkUnsettled;
    if (!m_awaitingQuiet) transmit();
}

void DeviceExchange::linkQuiet() {
    if (!m_awaitingQuiet) return;
    m_awaitingQuiet = m_linkUnsettled = false;
    transmit();
}

void DeviceExchange::ProcessDeviceReport(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return;
    std::copy_n(bytes.begin(), std::min(bytes.size(), kReportSize), m_inReport.begin());
    if (m_state == S::Idle) return;
    if (m_awaitingQuiet) {
        m_port.appendLog("Late report dropped");
        return;
    }
    ++m_stepsDone;
    // Every reply answers the request last sent: a reply to a block request
    // is stored as the block part that request named.
    if (isReadRequest(m_outReport[1]))
        decodeBlockPart(m_inReport, m_outReport[2], m_outReport[1] == request::ReadBlockPart1 ? 1 : 2, m_readCopy);
    step();
}

void DeviceExchange::abandon(AbandonReason reason) {
    if (m_state == S::Idle) return;
    // A reply may still be on its way; Disconnected ends the link itself.
    m_linkUnsettled = reason == AbandonReason::NoReply;
    goIdle();
    m_port.appendLog("Exchange abandoned");
    m_port.showMessage(MessageKind::Error,
                       reason == AbandonReason::NoReply ? "VASKIRO did not respond" : "VASKIRO was disconnected");
}

bool DeviceExchange::identityAccepted() {
    if (!std::equal(std::begin(identity::Mark), std::end(identity::Mark), m_inReport.begin() + identity::MarkAt)) {
        goIdle();
        m_port.showMessage(MessageKind::Error, "Application is not a VASKIRO BACnet");
        return false;
    }
    auto versionBegin = m_inReport.begin() + identity::VersionAt;
    std::string version(versionBegin, std::find(versionBegin, m_inReport.end(), std::uint8_t{0}));
    m_identity = DeviceIdentity{0, core::fromWindows1252(version)};
    m_port.appendLog("Appware Version:" + m_identity->version);
    const std::uint32_t serial = core::readLittleEndian32(m_inReport.data() + identity::SerialAt);
    m_identity->serial = static_cast<std::int32_t>(serial);
    m_port.appendLog("Serial Number: " + std::to_string(m_identity->serial));
    return true;
}

void DeviceExchange::step() {
    auto found =
        std::find_if(std::begin(kSteps), std::end(kSteps), [this](const StepRow& r) { return r.state == m_state; });
    if (found == std::end(kSteps)) return namePairStep();
    const StepRow& row = *found;
    switch (row.kind) {
    case Kind::Identity:
        if (!identityAccepted()) return;
        if (row.next == S::Idle) return goIdle();
        m_blockNumber = 0;
        m_nameIndex = 0;
        break;
    case Kind::Written:
        goIdle();
        m_port.showMessage(MessageKind::Information, "Download Complete");
        return;
    case Kind::Read:
        goIdle();
        m_image = m_readCopy;
        m_port.populateForm();
        m_port.appendLog("Data read");
        m_port.showMessage(MessageKind::Information, "Read Complete");
        return;
    case Kind::Send: break;
    }
    // The request carries the BlockNumber from before the row's changes.
    if (isWriteRequest(row.request))
        prepareBlockPart(row.request == request::WriteBlockPart1 ? 1 : 2);
    else
        prepareRequest(row.request);
    if (row.blockAfter >= 0) m_blockNumber = static_cast<std::uint8_t>(row.blockAfter);
    if (row.resetName) m_nameIndex = 0;
    m_state = row.next;
    if (transmit() && row.request == request::EndWrite) m_port.appendLog("Data downloaded");
}

// Names go two a block: the first-name state sends (writing) or asks for the
// rest of (reading) the current block, the second-name state the next one;
// after the group's last name, on to the state after the pair.
void DeviceExchange::namePairStep() {
    auto group = std::find_if(std::begin(kNameGroups), std::end(kNameGroups),
                              [this](const NameGroupRow& g) { return m_state == g.first || m_state == g.second; });
    if (group == std::end(kNameGroups)) return;
    const bool first = m_state == group->first;
    ++m_nameIndex;
    if (isWriting(m_state)) {
        prepareBlockPart(first ? 1 : 2);
        if (!first) ++m_blockNumber;
    } else {
        prepareRequest(first ? request::ReadBlockPart2 : request::ReadBlockPart1);
        if (first) ++m_blockNumber;
    }
    if (first) {
        m_state = group->second;
    } else if (m_nameIndex == group->names) {
        m_nameIndex = 0;
        m_state = group->after;
    } else {
        m_state = group->first;
    }
    transmit();
}

void DeviceExchange::prepareBlockPart(int part) {
    m_outReport[1] = part == 1 ? request::WriteBlockPart1 : request::WriteBlockPart2;
    m_outReport[2] = m_blockNumber;
    encodeBlockPart(m_image, m_blockNumber, part, m_outReport);
}

// Byte 2 names the block only in a block request; other requests leave in it
// the last block sent.
void DeviceExchange::prepareRequest(std::uint8_t code) {
    m_outReport[1] = code;
    if (isReadRequest(code)) m_outReport[2] = m_blockNumber;
}

// A report the port cannot deliver means the device is gone.
bool DeviceExchange::transmit() {
    if (m_port.sendReport(m_outReport)) return true;
    abandon(AbandonReason::Disconnected);
    return false;
}

void DeviceExchange::goIdle() {
    m_state = S::Idle;
    m_awaitingQuiet = false;
    m_stepsDone = 0;
}

}  // namespace vaskiro::device
