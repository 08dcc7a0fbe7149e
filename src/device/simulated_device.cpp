#include "device/simulated_device.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <string>

namespace vaskiro::device {

namespace {

constexpr const char* kGone = "device disconnected";

// A connection handed out by the backend; the device itself is shared so
// that tests can keep steering it.
class SharedConnection : public HidConnection {
public:
    explicit SharedConnection(std::shared_ptr<SimulatedDevice> device) : m_device(std::move(device)) {}
    core::Result<void> write(const Report& report) override { return m_device->write(report); }
    ReadResult read(Report& report, int timeoutMs) override { return m_device->read(report, timeoutMs); }

private:
    std::shared_ptr<SimulatedDevice> m_device;
};

std::size_t partIndex(int block, int part) {
    if (block < 0 || block >= kBlockCount || (part != 1 && part != 2))
        throw std::out_of_range("no block " + std::to_string(block) + " part " + std::to_string(part));
    return static_cast<std::size_t>(2 * block + part - 1);
}

std::uint8_t writeCode(int part) { return part == 1 ? request::WriteBlockPart1 : request::WriteBlockPart2; }

}  // namespace

SimulatedDevice::SimulatedDevice() {
    core::ConfigurationImage defaults;
    defaults.SetDefaults();
    storeImage(defaults);
}

core::Result<void> SimulatedDevice::write(const Report& report) {
    std::lock_guard lock(m_mutex);
    if (!m_connected) return core::Unexpected(std::string(kGone));
    // Keep the recent history only: a demonstration may run for hours.
    if (m_received.size() >= kReceivedHistory)
        m_received.erase(m_received.begin(), m_received.begin() + kReceivedHistory / 2);
    m_received.push_back(report);
    if (m_reportsUntilGone > 0 && --m_reportsUntilGone == 0) {
        m_connected = false;
        m_replies.clear();
        m_changed.notify_all();
        return {};
    }
    if (m_silent) return {};
    m_replies.push_back({answer(report), m_replyLength, std::chrono::steady_clock::now() + m_replyDelay});
    m_changed.notify_all();
    return {};
}

ReadResult SimulatedDevice::read(Report& report, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    std::unique_lock lock(m_mutex);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        if (!m_connected) return {ReadStatus::Failed, 0, kGone};
        Clock::time_point now = Clock::now();
        if (!m_replies.empty() && m_replies.front().due <= now) {
            const Reply& reply = m_replies.front();
            std::copy_n(reply.report.begin(), reply.length, report.begin());
            ReadResult result{ReadStatus::Report, reply.length, {}};
            m_replies.pop_front();
            return result;
        }
        if (timeoutMs >= 0 && now >= deadline) return {ReadStatus::Timeout, 0, {}};
        if (m_replies.empty() && timeoutMs < 0) {
            m_changed.wait(lock);
        } else {
            Clock::time_point wake = m_replies.empty() ? deadline : m_replies.front().due;
            if (timeoutMs >= 0) wake = std::min(wake, deadline);
            m_changed.wait_until(lock, wake);
        }
    }
}

Report SimulatedDevice::answer(const Report& request) {
    Report reply{};
    reply[1] = request[1];
    const std::uint8_t block = request[2];
    switch (request[1]) {
    case request::Identify: {
        if (!m_refuseIdentity)
            std::copy(std::begin(identity::Mark), std::end(identity::Mark), reply.begin() + identity::MarkAt);
        for (std::size_t i = 0; i < 4; ++i)
            reply[identity::SerialAt + i] = static_cast<std::uint8_t>(m_serial >> (8 * i));
        std::size_t length = std::min(m_version.size(), identity::VersionRoom);
        std::copy_n(m_version.begin(), length, reply.begin() + identity::VersionAt);
        break;
    }
    case request::WriteBlockPart1:
    case request::WriteBlockPart2:
        if (block < kBlockCount)
            std::copy_n(request.begin() + kWritePayloadAt, kPayloadSize,
                        m_blocks[partIndex(block, request[1] == request::WriteBlockPart1 ? 1 : 2)].begin());
        break;
    case request::ReadBlockPart1:
    case request::ReadBlockPart2:
        if (block < kBlockCount) {
            const BlockPayload& part = m_blocks[partIndex(block, request[1] == request::ReadBlockPart1 ? 1 : 2)];
            std::copy(part.begin(), part.end(), reply.begin() + kReplyPayloadAt);
        }
        break;
    default: break;
    }
    return reply;
}

void SimulatedDevice::setRevision(std::uint16_t revision) {
    std::lock_guard lock(m_mutex);
    m_revision = revision;
}

std::string SimulatedDevice::identifier() const {
    std::lock_guard lock(m_mutex);
    return hidIdentifier(kVendorId, kProductId, m_revision);
}

void SimulatedDevice::setSerialNumber(std::uint32_t serial) {
    std::lock_guard lock(m_mutex);
    m_serial = serial;
}

void SimulatedDevice::setVersion(std::string version) {
    std::lock_guard lock(m_mutex);
    m_version = std::move(version);
}

void SimulatedDevice::setRefuseIdentity(bool refuse) {
    std::lock_guard lock(m_mutex);
    m_refuseIdentity = refuse;
}

void SimulatedDevice::setSilent(bool silent) {
    std::lock_guard lock(m_mutex);
    m_silent = silent;
}

void SimulatedDevice::setReplyLength(std::size_t length) {
    std::lock_guard lock(m_mutex);
    m_replyLength = std::clamp<std::size_t>(length, 1, kReportSize);
}

void SimulatedDevice::setReplyDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(m_mutex);
    m_replyDelay = delay;
}

void SimulatedDevice::disconnectAfter(int reports) {
    std::lock_guard lock(m_mutex);
    m_reportsUntilGone = std::max(reports, 0);
}

void SimulatedDevice::disconnect() {
    std::lock_guard lock(m_mutex);
    m_connected = false;
    m_replies.clear();
    m_changed.notify_all();
}

bool SimulatedDevice::connected() const {
    std::lock_guard lock(m_mutex);
    return m_connected;
}

// A first Write after start-up sends each part from a buffer that held only
// the earlier parts: the carried-over bytes (0xFF behind block 0 part 2,
// zero before it) are part of what the device stores.
void SimulatedDevice::storeImage(const core::ConfigurationImage& image) {
    std::lock_guard lock(m_mutex);
    Report report{};
    for (int block = 0; block < kBlockCount; ++block) {
        for (int part = 1; part <= 2; ++part) {
            report[1] = writeCode(part);
            report[2] = static_cast<std::uint8_t>(block);
            encodeBlockPart(image, block, part, report);
            std::copy_n(report.begin() + kWritePayloadAt, kPayloadSize, m_blocks[partIndex(block, part)].begin());
        }
    }
}

void SimulatedDevice::loadImage(core::ConfigurationImage& image) const {
    std::lock_guard lock(m_mutex);
    for (int block = 0; block < kBlockCount; ++block) {
        for (int part = 1; part <= 2; ++part) {
            Report reply{};
            const BlockPayload& payload = m_blocks[partIndex(block, part)];
            std::copy(payload.begin(), payload.end(), reply.begin() + kReplyPayloadAt);
            decodeBlockPart(reply, block, part, image);
        }
    }
}

BlockPayload SimulatedDevice::blockPart(int block, int part) const {
    std::lock_guard lock(m_mutex);
    return m_blocks[partIndex(block, part)];
}

void SimulatedDevice::setBlockPart(int block, int part, const BlockPayload& payload) {
    std::lock_guard lock(m_mutex);
    m_blocks[partIndex(block, part)] = payload;
}

std::vector<Report> SimulatedDevice::receivedReports() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

void SimulatedBackend::add(std::string path, std::shared_ptr<SimulatedDevice> device) {
    std::lock_guard lock(m_mutex);
    m_entries.push_back({{}, std::move(path), std::move(device), {}});
}

void SimulatedBackend::add(std::string identifier, std::string path, std::shared_ptr<SimulatedDevice> device) {
    std::lock_guard lock(m_mutex);
    m_entries.push_back({std::move(identifier), std::move(path), std::move(device), {}});
}

void SimulatedBackend::addUnopenable(std::string identifier, std::string path, std::string reason) {
    std::lock_guard lock(m_mutex);
    m_entries.push_back({std::move(identifier), std::move(path), nullptr, std::move(reason)});
}

void SimulatedBackend::unplug(const std::string& path) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_entries, [&](const Entry& entry) {
        if (entry.path != path) return false;
        if (entry.device) entry.device->disconnect();
        return true;
    });
}

std::vector<HidDeviceInfo> SimulatedBackend::enumerate() {
    std::lock_guard lock(m_mutex);
    std::vector<HidDeviceInfo> devices;
    for (const Entry& entry : m_entries)
        devices.push_back({entry.identifier.empty() && entry.device ? entry.device->identifier() : entry.identifier,
                           entry.path, entry.refusal});
    return devices;
}

core::Result<std::unique_ptr<HidConnection>> SimulatedBackend::open(const std::string& path) {
    std::lock_guard lock(m_mutex);
    m_openAttempts.push_back(path);
    auto entry = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.path == path; });
    if (entry == m_entries.end()) return core::Unexpected(std::string("No such device"));
    if (!entry->device) return core::Unexpected(entry->refusal);
    return connectTo(entry->device);
}

std::unique_ptr<HidConnection> connectTo(std::shared_ptr<SimulatedDevice> device) {
    return std::make_unique<SharedConnection>(std::move(device));
}

}  // namespace vaskiro::device
