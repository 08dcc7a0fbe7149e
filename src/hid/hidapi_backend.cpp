#include "hid/hidapi_backend.h"

#include <hidapi.h>

#include <cerrno>
#include <cstring>
#include <cwchar>
#include <string>

#include "hid/hid_changes.h"

namespace vaskiro::hid {

using namespace device;

namespace {

std::string narrow(const wchar_t* text) {
    if (!text) return {};
    std::string out;
    for (; *text; ++text) out += *text < 0x80 ? static_cast<char>(*text) : '?';
    return out;
}

// hidapi's reason for the last failure of `device` (or of the last open when
// null), falling back on errno when hidapi has none.
std::string lastError(hid_device* device, int savedErrno) {
    std::string reason = narrow(hid_error(device));
    if (reason.empty() || reason == "Success") reason = savedErrno ? std::strerror(savedErrno) : "unknown error";
    return reason;
}

// Two handles on one device, as the window has always used: the exchange's
// thread writes through one and the reader thread reads through the other,
// so the two never share hidapi's per-device state.
class HidapiConnection : public HidConnection {
public:
    HidapiConnection(hid_device* writer, hid_device* reader) : m_writer(writer), m_reader(reader) {}
    ~HidapiConnection() override {
        hid_close(m_reader);
        hid_close(m_writer);
    }
    HidapiConnection(const HidapiConnection&) = delete;
    HidapiConnection& operator=(const HidapiConnection&) = delete;

    core::Result<void> write(const Report& report) override {
        errno = 0;
        int written = hid_write(m_writer, report.data(), report.size());
        if (written < 0) return core::Unexpected(lastError(m_writer, errno));
        return {};
    }

    ReadResult read(Report& report, int timeoutMs) override {
        // The device's reports are unnumbered: hidapi gives the 64 data bytes
        // without the report ID, which goes in front as 0.
        errno = 0;
        int count = hid_read_timeout(m_reader, report.data() + 1, report.size() - 1, timeoutMs);
        if (count < 0) return {ReadStatus::Failed, 0, lastError(m_reader, errno)};
        if (count == 0) return {ReadStatus::Timeout, 0, {}};
        report[0] = 0;
        return {ReadStatus::Report, static_cast<std::size_t>(count) + 1, {}};
    }

private:
    hid_device* m_writer;
    hid_device* m_reader;
};

class HidapiBackend : public HidBackend {
public:
    HidapiBackend() { m_initialised = hid_init() == 0; }
    ~HidapiBackend() override {
        if (m_initialised) hid_exit();
    }
    HidapiBackend(const HidapiBackend&) = delete;
    HidapiBackend& operator=(const HidapiBackend&) = delete;

    bool systemAnnouncesChanges() const override { return true; }
    std::chrono::milliseconds pollInterval() const override { return std::chrono::seconds(1); }
    std::unique_ptr<DeviceChangeMonitor> openChangeMonitor() override { return openHidChangeMonitor(); }

    std::vector<HidDeviceInfo> enumerate() override {
        std::vector<HidDeviceInfo> devices;
        if (!m_initialised) return devices;
        hid_device_info* list = hid_enumerate(0, 0);
        for (hid_device_info* info = list; info; info = info->next) {
            std::string path = info->path ? info->path : "";
            devices.push_back(
                {hidIdentifier(info->vendor_id, info->product_id, info->release_number), path, hidOpenError(path)});
        }
        hid_free_enumeration(list);
        return devices;
    }

    core::Result<std::unique_ptr<HidConnection>> open(const std::string& path) override {
        if (!m_initialised) return core::Unexpected(std::string("the HID library could not be initialised"));
        errno = 0;
        hid_device* writer = hid_open_path(path.c_str());
        if (!writer) return core::Unexpected(lastError(nullptr, errno));
        errno = 0;
        hid_device* reader = hid_open_path(path.c_str());
        if (!reader) {
            std::string error = lastError(nullptr, errno);
            hid_close(writer);
            return core::Unexpected(std::move(error));
        }
        return std::unique_ptr<HidConnection>(std::make_unique<HidapiConnection>(writer, reader));
    }

private:
    bool m_initialised = false;
};

}  // namespace

std::unique_ptr<HidBackend> makeHidapiBackend() { return std::make_unique<HidapiBackend>(); }

}  // namespace vaskiro::hid
