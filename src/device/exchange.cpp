#include "device/exchange.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "core/text_codec.h"
#include "device/block_codec.h"

namespace vaskiro::device {

namespace {

constexpr std::int32_t kIdle = 0;
constexpr std::int32_t kWriteIdentify = 1;
constexpr std::int32_t kReadIdentify = 30;
constexpr std::int32_t kIdentifyOnly = 50;

// Channels in the name group that a name state works through.
int namesInGroupOf(std::int32_t state) {
    switch (state) {
    case 6: case 7: case 35: case 36: return config::kInputCount;
    case 8: case 9: case 37: case 38: return config::kOutputCount;
    default: return config::kAnalogueCount;
    }
}

}  // namespace

DeviceExchange::DeviceExchange(config::ConfigurationImage& image, ExchangePort& port)
    : m_image(image), m_port(port) {}

void DeviceExchange::startWrite() { start(kWriteIdentify); }

void DeviceExchange::startRead() { start(kReadIdentify); }

void DeviceExchange::startIdentify() { start(kIdentifyOnly); }

int DeviceExchange::stepsTotal() const {
    if (m_state == kIdle) return 0;
    if (m_state == kIdentifyOnly) return 1;
    return m_state < kReadIdentify ? kWriteSteps : kReadSteps;
}

void DeviceExchange::start(std::int32_t state) {
    // A Read works on a copy so that an interrupted one leaves the image as
    // it was; bytes the link does not carry keep the image's values.
    if (state == kReadIdentify) m_readCopy = m_image;
    m_state = state;
    m_stepsDone = 0;
    m_identity.reset();
    m_outReport[0] = 0x00;
    m_outReport[1] = request::Identify;
    transmit();
}

void DeviceExchange::ProcessDeviceReport(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return;
    std::copy_n(bytes.begin(), std::min(bytes.size(), kReportSize), m_inReport.begin());
    if (m_state == kIdle) return;
    ++m_stepsDone;
    if (m_state == kWriteIdentify || m_state == kReadIdentify || m_state == kIdentifyOnly)
        identityStep();
    else if (m_state < kReadIdentify)
        writeStep();
    else
        readStep();
}

void DeviceExchange::abandon(AbandonReason reason) {
    if (m_state == kIdle) return;
    goIdle();
    m_port.appendLog("Exchange abandoned");
    m_port.showMessage(MessageKind::Error, reason == AbandonReason::NoReply ? "VASKIRO did not respond"
                                                                            : "VASKIRO was disconnected");
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
    std::uint32_t serial = std::uint32_t{m_inReport[identity::SerialAt]} | std::uint32_t{m_inReport[identity::SerialAt + 1]} << 8 |
                           std::uint32_t{m_inReport[identity::SerialAt + 2]} << 16 |
                           std::uint32_t{m_inReport[identity::SerialAt + 3]} << 24;
    m_identity->serial = static_cast<std::int32_t>(serial);
    m_port.appendLog("Serial Number: " + std::to_string(m_identity->serial));

    if (m_state == kIdentifyOnly) {
        goIdle();
        return;
    }
    m_blockNumber = 0;
    m_nameIndex = 0;
    if (m_state == kWriteIdentify) {
        m_outReport[1] = request::BeginWrite;
        m_state = 2;
    } else {
        prepareReadRequest(request::ReadBlockPart1);
        m_state = 31;
    }
    transmit();
}

// Each row builds its request in OutReport from the current BlockNumber,
// then moves the variables on, then sends: the request carries the number
// from before the row's increment, as the tables have it.
void DeviceExchange::writeStep() {
    switch (m_state) {
    case 2:
        prepareBlockPart(1);
        m_state = 3;
        break;
    case 3:
        prepareBlockPart(2);
        m_blockNumber = 1;
        m_nameIndex = 0;
        m_state = 4;
        break;
    case 4:
        prepareBlockPart(1);
        m_state = 5;
        break;
    case 5:
        prepareBlockPart(2);
        m_blockNumber = 2;
        m_nameIndex = 0;
        m_state = 6;
        break;
    case 6: case 8: case 10:
        prepareBlockPart(1);
        ++m_nameIndex;
        ++m_state;
        break;
    case 7: case 9: case 11:
        prepareBlockPart(2);
        ++m_nameIndex;
        ++m_blockNumber;
        nextNamePair();
        break;
    case 12:
        prepareBlockPart(1);
        m_state = 13;
        break;
    case 13:
        prepareBlockPart(2);
        m_nameIndex = 0;
        m_state = 21;
        break;
    case 21:
        m_outReport[1] = request::EndWrite;
        m_state = 22;
        if (transmit()) m_port.appendLog("Data downloaded");
        return;
    case 22:
        goIdle();
        m_port.showMessage(MessageKind::Information, "Download Complete");
        return;
    default:
        return;
    }
    transmit();
}

void DeviceExchange::readStep() {
    // Every reply answers the request last sent: store it as the block part
    // that request named.
    decodeBlockPart(m_inReport, m_outReport[2], m_outReport[1] == request::ReadBlockPart1 ? 1 : 2, m_readCopy);
    switch (m_state) {
    case 31:
        prepareReadRequest(request::ReadBlockPart2);
        m_blockNumber = 1;
        m_state = 32;
        break;
    case 32:
        prepareReadRequest(request::ReadBlockPart1);
        m_state = 33;
        break;
    case 33:
        prepareReadRequest(request::ReadBlockPart2);
        m_blockNumber = 2;
        m_nameIndex = 0;
        m_state = 34;
        break;
    case 34:
        prepareReadRequest(request::ReadBlockPart1);
        m_state = 35;
        break;
    case 35: case 37: case 39:
        ++m_nameIndex;
        prepareReadRequest(request::ReadBlockPart2);
        ++m_blockNumber;
        ++m_state;
        break;
    case 36: case 38: case 40:
        ++m_nameIndex;
        prepareReadRequest(request::ReadBlockPart1);
        nextNamePair();
        break;
    case 41:
        prepareReadRequest(request::ReadBlockPart2);
        m_state = 42;
        break;
    case 42:
        goIdle();
        m_image = m_readCopy;
        m_port.populateForm();
        m_port.appendLog("Data read");
        m_port.showMessage(MessageKind::Information, "Read Complete");
        return;
    default:
        return;
    }
    transmit();
}

// After the second name of a pair: back to the first-name state for the
// next pair, or on to the next group once the group's last name went.
void DeviceExchange::nextNamePair() {
    if (m_nameIndex == namesInGroupOf(m_state)) {
        m_nameIndex = 0;
        ++m_state;
    } else {
        --m_state;
    }
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
    m_state = kIdle;
    m_stepsDone = 0;
}

}  // namespace vaskiro::device
