#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/result.h"
#include "device/report.h"

namespace vaskiro::device {

// The identifier Windows gives as a HID device's first hardware identifier,
// "HID\VID_vvvv&PID_pppp&REV_rrrr" with four upper-case hex digits each;
// the match texts of the device search are compared against it.
std::string hidIdentifier(std::uint16_t vendor, std::uint16_t product, std::uint16_t release);

// A HID device as enumeration sees it.
struct HidDeviceInfo {
    // "HID\VID_vvvv&PID_pppp&REV_rrrr", four upper-case hex digits each: the
    // form Windows gives as a HID device's first hardware identifier.
    std::string identifier;
    std::string path;  // what open() takes
    // Why open() would be refused, when enumeration can already tell (for
    // instance no permission on the device node); empty otherwise.
    std::string openError{};
};

enum class ReadStatus {
    Report,   // a report arrived; `length` counts its bytes, report ID included
    Timeout,  // nothing within the time asked for; the device is still there
    Failed,   // the device is gone or the handle is no longer usable
};

struct ReadResult {
    ReadStatus status = ReadStatus::Failed;
    std::size_t length = 0;  // 0..65; bytes of `report` at and past it are not set
    std::string error;       // the system's reason when status is Failed
};

// An opened device. write() is called from one thread (the exchange's) and
// read() from one other thread (the reader's); implementations allow exactly
// that concurrency.
class HidConnection {
public:
    virtual ~HidConnection() = default;
    // Sends the whole 65-byte report, report ID first; the reason when the
    // device refused it or is gone.
    virtual core::Result<void> write(const Report& report) = 0;
    // Waits at most timeoutMs (negative: without limit) for one input report
    // and stores it at report[0..length), report ID at report[0].
    virtual ReadResult read(Report& report, int timeoutMs) = 0;
};

// Learns that HID devices came or went, so that presence is enumerated
// again only then. The system's own notification (a udev monitor on Linux).
class DeviceChangeMonitor {
public:
    virtual ~DeviceChangeMonitor() = default;
    // A descriptor that turns readable when an event waits, for an event loop.
    virtual int descriptor() const = 0;
    // Takes one waiting event; true when it tells of a device that came or went.
    virtual bool takeChange() = 0;
    // Blocks until a device came or went (true) or `timeout` passed (false).
    virtual bool waitForChange(std::chrono::milliseconds timeout) = 0;
};

// The HID devices of the machine, or a stand-in for them.
class HidBackend {
public:
    virtual ~HidBackend() = default;
    // True for the machine's own devices, whose coming and going the system
    // announces; stand-ins are enumerated again every pollInterval() instead.
    virtual bool systemAnnouncesChanges() const { return false; }
    virtual std::chrono::milliseconds pollInterval() const { return std::chrono::milliseconds(100); }
    // Present devices in enumeration order.
    virtual std::vector<HidDeviceInfo> enumerate() = 0;
    // Opens a device by path, or the system's reason why it cannot be.
    virtual core::Result<std::unique_ptr<HidConnection>> open(const std::string& path) = 0;
    // The system's notice of devices coming and going, where there is one;
    // null where callers must enumerate to learn of changes.
    virtual std::unique_ptr<DeviceChangeMonitor> openChangeMonitor() { return nullptr; }
    // Simulated devices whose settings outlive the process: loads them before
    // a search and keeps them after an exchange; the error is a whole sentence
    // saying which file cannot be used. Nothing for real devices.
    virtual core::Result<void> restoreState() { return {}; }
    virtual core::Result<void> saveState() { return {}; }
};

}  // namespace vaskiro::device
