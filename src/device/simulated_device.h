#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/configuration_image.h"
#include "device/block_codec.h"
#include "device/hid_backend.h"

namespace vaskiro::device {

// One block part as the device keeps it: the payload as it was written.
using BlockPayload = std::array<std::uint8_t, kPayloadSize>;

// A model of the device's side of the link, for tests, benchmarks and a
// demonstration mode. It answers every request with one report: Identify
// with an identity reply, read requests with the block part it holds
// (payload at report byte 2 + k), everything else with an acknowledgement
// that echoes the request code in byte 1. A write request stores its payload
// (report bytes 3 + k) as the block part it names.
//
// write() and read() may run on two different threads; every other member
// may be called from any thread at any time.
class SimulatedDevice : public HidConnection {
public:
    static constexpr std::uint16_t kVendorId = 0x04D8;
    static constexpr std::uint16_t kProductId = 0xC5E9;
    static constexpr std::uint16_t kApplicationRevision = 0x0014;
    static constexpr std::uint16_t kProgramModeRevision = 0x0001;

    // Holds what a Write of the default image stores; application revision,
    // serial number 12345, version "1.00".
    SimulatedDevice();

    core::Result<void> write(const Report& report) override;
    // Returns the oldest reply once its delay has passed; Failed as soon as
    // the device is disconnected, whatever is still queued.
    ReadResult read(Report& report, int timeoutMs) override;

    void setRevision(std::uint16_t revision);
    // "HID\VID_04D8&PID_C5E9&REV_rrrr" with the current revision.
    std::string identifier() const;
    void setSerialNumber(std::uint32_t serial);
    // Single-byte text sent from report byte 10; at most 55 bytes fit, and
    // a text of 55 bytes leaves no room for the terminating zero.
    void setVersion(std::string version);

    // Test switches.
    void setRefuseIdentity(bool refuse);      // identity replies lack 00 01 10 at bytes 2-4
    void setSilent(bool silent);              // records reports but neither acts on nor answers them
    void setReplyLength(std::size_t length);  // later replies deliver only their first `length` bytes (1..65)
    void setReplyDelay(std::chrono::milliseconds delay);  // a reply becomes readable this long after its request
    // The `reports`-th report from now is received but not answered, and
    // the device is gone with it (as if unplugged while the host waits).
    void disconnectAfter(int reports);
    // Gone now: pending and later reads fail, writes fail.
    void disconnect();
    bool connected() const;

    // The settings as a first Write of `image` would leave them.
    void storeImage(const core::ConfigurationImage& image);
    // Decodes every block part into `image`, as a complete Read would;
    // image bytes the link does not carry keep their values.
    void loadImage(core::ConfigurationImage& image) const;
    BlockPayload blockPart(int block, int part) const;
    void setBlockPart(int block, int part, const BlockPayload& payload);

    // The reports written to the device, oldest first: every one of the
    // last kReceivedHistory / 2 at least, so that the memory stays bounded.
    static constexpr std::size_t kReceivedHistory = 4096;
    std::vector<Report> receivedReports() const;

private:
    struct Reply {
        Report report;
        std::size_t length;
        std::chrono::steady_clock::time_point due;
    };

    Report answer(const Report& request);

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Reply> m_replies;
    std::array<BlockPayload, kBlockPartCount> m_blocks{};
    std::vector<Report> m_received;
    std::uint16_t m_revision = kApplicationRevision;
    std::uint32_t m_serial = 12345;
    std::string m_version = "1.00";
    bool m_refuseIdentity = false;
    bool m_silent = false;
    bool m_connected = true;
    std::size_t m_replyLength = kReportSize;
    std::chrono::milliseconds m_replyDelay{0};
    int m_reportsUntilGone = 0;  // 0: stays connected
};

// A connection to a shared device; the device outlives it.
std::unique_ptr<HidConnection> connectTo(std::shared_ptr<SimulatedDevice> device);

// Simulated devices in place of the machine's HID devices.
class SimulatedBackend : public HidBackend {
public:
    // Appends a device to the enumeration order, listed under its own
    // identifier(), or under `identifier` when one is given.
    void add(std::string path, std::shared_ptr<SimulatedDevice> device);
    void add(std::string identifier, std::string path, std::shared_ptr<SimulatedDevice> device);
    // Appends a device that open() refuses with `reason` as the system's
    // error, which enumeration gives as its openError too.
    void addUnopenable(std::string identifier, std::string path, std::string reason);
    // Pulls the cable: the device leaves the enumeration and is disconnected.
    void unplug(const std::string& path);

    std::vector<HidDeviceInfo> enumerate() override;
    // A connection to the shared device; the device outlives it.
    core::Result<std::unique_ptr<HidConnection>> open(const std::string& path) override;

    // Paths that open() was asked for, in order.
    const std::vector<std::string>& openAttempts() const { return m_openAttempts; }

private:
    struct Entry {
        std::string identifier;  // empty: the device's own
        std::string path;
        std::shared_ptr<SimulatedDevice> device;
        std::string refusal;
    };

    std::mutex m_mutex;  // plugging may happen on another thread than enumeration
    std::vector<Entry> m_entries;
    std::vector<std::string> m_openAttempts;
};

}  // namespace vaskiro::device
