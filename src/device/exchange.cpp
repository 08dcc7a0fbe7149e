#include "device/exchange.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "core/text_codec.h"
#include "device/block_codec.h"

namespace vaskiro::device {

namespace {

using S = ExchangeStep;

constexpr std::int32_t number(S state) { return static_cast<std::int32_t>(state); }

// The states outside the name pairs: on the reply they wait for, each sends
// `request` with the current BlockNumber (and, writing, the block part's
// payload), then sets BlockNumber and NameIndex as the row says.
struct SequenceRow {
    S state;
    std::uint8_t request;
    int blockAfter;  // BlockNumber afterwards; -1 keeps it
    bool resetName;  // NameIndex := 0 afterwards
    S next;
};

constexpr SequenceRow kSequence[] = {
    {S::WriteBegun, request::WriteBlockPart1, -1, false, S::WroteSettings},
    {S::WroteSettings, request::WriteBlockPart2, 1, true, S::WroteDeviceName},
    {S::WroteDeviceName, request::WriteBlockPart1, -1, false, S::WroteScalings},
    {S::WroteScalings, request::WriteBlockPart2, 2, true, S::WriteInputNameFirst},
    {S::WroteNames, request::WriteBlockPart1, -1, false, S::WroteLocation},
    {S::WroteLocation, request::WriteBlockPart2, -1, true, S::WrotePassword},
    {S::WrotePassword, request::EndWrite, -1, false, S::WriteEnded},
    {S::ReadSettings, request::ReadBlockPart2, 1, false, S::ReadDeviceName},
    {S::ReadDeviceName, request::ReadBlockPart1, -1, false, S::ReadScalings},
    {S::ReadScalings, request::ReadBlockPart2, 2, true, S::ReadCovIncrements},
    {S::ReadCovIncrements, request::ReadBlockPart1, -1, false, S::ReadInputNameFirst},
    {S::ReadLocation, request::ReadBlockPart2, -1, false, S::ReadPassword},
};

// The name groups: two names a block, the first-name state and the one after
// it alternating until the group's last name went.
struct NameGroupRow {
    S first;
    int names;
};

constexpr NameGroupRow kNameGroups[] = {
    {S::WriteInputNameFirst, config::kInputCount},       {S::WriteOutputNameFirst, config::kOutputCount},
    {S::WriteAnalogueNameFirst, config::kAnalogueCount}, {S::ReadInputNameFirst, config::kInputCount},
    {S::ReadOutputNameFirst, config::kOutputCount},      {S::ReadAnalogueNameFirst, config::kAnalogueCount},
};

bool isWriting(std::int32_t state) { return state >= number(S::WriteIdentify) && state < number(S::ReadIdentify); }

}  // namespace

DeviceExchange::DeviceExchange(config::ConfigurationImage& image, ExchangePort& port) : m_image(image), m_port(port) {}

void DeviceExchange::startWrite() { start(S::WriteIdentify); }

void DeviceExchange::startRead() { start(S::ReadIdentify); }

void DeviceExchange::startIdentify() { start(S::IdentifyOnly); }

int DeviceExchange::stepsTotal() const {
    if (m_state == number(S::Idle)) return 0;
    if (m_state == number(S::IdentifyOnly)) return 1;
    return isWriting(m_state) ? kWriteSteps : kReadSteps;
}

void DeviceExchange::start(ExchangeStep state) {
    // A Read works on a copy so that an interrupted one leaves the image as
    // it was; bytes the link does not carry keep the image's values.
    if (state == S::ReadIdentify) m_readCopy = m_image;
    m_state = number(state);
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
    if (m_state == number(S::Idle)) return;
    if (m_awaitingQuiet) {
        m_port.appendLog("Late report dropped");
        return;
    }
    ++m_stepsDone;
    if (m_state == number(S::WriteIdentify) || m_state == number(S::ReadIdentify) || m_state == number(S::IdentifyOnly))
        identityStep();
    else
        sequenceStep();
}

void DeviceExchange::abandon(AbandonReason reason) {
    if (m_state == number(S::Idle)) return;
    // A reply may still be on its way; Disconnected ends the link itself.
    m_linkUnsettled = reason == AbandonReason::NoReply;
    goIdle();
    m_port.appendLog("Exchange abandoned");
    m_port.showMessage(MessageKind::Error,
                       reason == AbandonReason::NoReply ? "VASKIRO did not respond" : "VASKIRO was disconnected");
}
void DeviceExchange::identityStep() {
    if (!std::equal(std::begin(identity::Mark), std::end(identity::Mark), m_inReport.begin() + identity::MarkAt)) {
        goIdle();
        m_port.showMessage(MessageKind::Error, "Application is not a VASKIRO BACnet");
        return;
    }
    auto versionBegin = m_inReport.begin() + identity::VersionAt;
    std::string version(versionBegin, std::find(versionBegin, m_inReport.end(), std::uint8_t{0}));
    m_identity = DeviceIdentity{0, config::fromWindows1252(version)};
    m_port.appendLog("Appware Version:" + m_identity->version);
    std::uint32_t serial = std::uint32_t{m_inReport[identity::SerialAt]} |
                           std::uint32_t{m_inReport[identity::SerialAt + 1]} << 8 |
                           std::uint32_t{m_inReport[identity::SerialAt + 2]} << 16 |
                           std::uint32_t{m_inReport[identity::SerialAt + 3]} << 24;
    m_identity->serial = static_cast<std::int32_t>(serial);
    m_port.appendLog("Serial Number: " + std::to_string(m_identity->serial));

    if (m_state == number(S::IdentifyOnly)) {
        goIdle();
        return;
    }
    m_blockNumber = 0;
    m_nameIndex = 0;
    if (m_state == number(S::WriteIdentify)) {
        m_outReport[1] = request::BeginWrite;
        m_state = number(S::WriteBegun);
    } else {
        prepareReadRequest(request::ReadBlockPart1);
        m_state = number(S::ReadSettings);
    }
    transmit();
}

void DeviceExchange::sequenceStep() {
    if (!isWriting(m_state))
        // Every reply answers the request last sent: store it as the block
        // part that request named.
        decodeBlockPart(m_inReport, m_outReport[2], m_outReport[1] == request::ReadBlockPart1 ? 1 : 2, m_readCopy);
    if (m_state == number(S::WriteEnded)) {
        goIdle();
        m_port.showMessage(MessageKind::Information, "Download Complete");
        return;
    }
    if (m_state == number(S::ReadPassword)) {
        goIdle();
        m_image = m_readCopy;
        m_port.populateForm();
        m_port.appendLog("Data read");
        m_port.showMessage(MessageKind::Information, "Read Complete");
        return;
    }
    auto row = std::find_if(std::begin(kSequence), std::end(kSequence),
                            [this](const SequenceRow& r) { return number(r.state) == m_state; });
    if (row == std::end(kSequence)) return namePairStep();
    // The request carries the BlockNumber from before the row's changes.
    if (row->request == request::WriteBlockPart1 || row->request == request::WriteBlockPart2)
        prepareBlockPart(row->request == request::WriteBlockPart1 ? 1 : 2);
    else
        prepareReadRequest(row->request);
    if (row->blockAfter >= 0) m_blockNumber = static_cast<std::uint8_t>(row->blockAfter);
    if (row->resetName) m_nameIndex = 0;
    m_state = number(row->next);
    if (transmit() && row->request == request::EndWrite) m_port.appendLog("Data downloaded");
}

// Names go two a block: the first-name state sends (writing) or asks for the
// rest of (reading) the current block, the second-name state the next one;
// after the group's last name, on to the state after the pair.
void DeviceExchange::namePairStep() {
    auto group = std::find_if(std::begin(kNameGroups), std::end(kNameGroups), [this](const NameGroupRow& g) {
        return m_state == number(g.first) || m_state == number(g.first) + 1;
    });
    if (group == std::end(kNameGroups)) return;
    const bool first = m_state == number(group->first);
    const bool writing = isWriting(m_state);
    ++m_nameIndex;
    if (writing) {
        prepareBlockPart(first ? 1 : 2);
        if (!first) ++m_blockNumber;
    } else {
        prepareReadRequest(first ? request::ReadBlockPart2 : request::ReadBlockPart1);
        if (first) ++m_blockNumber;
    }
    if (first) {
        ++m_state;
    } else if (m_nameIndex == group->names) {
        m_nameIndex = 0;
        m_state = number(group->first) + 2;
    } else {
        m_state = number(group->first);
    }
    transmit();
}

void DeviceExchange::prepareBlockPart(int part) {
    m_outReport[1] = part == 1 ? request::WriteBlockPart1 : request::WriteBlockPart2;
    m_outReport[2] = m_blockNumber;
    encodeBlockPart(m_image, m_blockNumber, part, m_outReport);
}

void DeviceExchange::prepareReadRequest(std::uint8_t code) {
    m_outReport[1] = code;
    m_outReport[2] = m_blockNumber;
}

// A report the port cannot deliver means the device is gone.
bool DeviceExchange::transmit() {
    if (m_port.sendReport(m_outReport)) return true;
    abandon(AbandonReason::Disconnected);
    return false;
}

void DeviceExchange::goIdle() {
    m_state = number(S::Idle);
    m_awaitingQuiet = false;
    m_stepsDone = 0;
}

}  // namespace vaskiro::device
