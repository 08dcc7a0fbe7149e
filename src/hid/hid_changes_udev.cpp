// Linux: a udev monitor on the hidraw subsystem; events arrive once udev's
// rules have run, so a new node already has its final permissions.

#include <libudev.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "hid/hid_changes.h"

namespace vaskiro::hid {

bool isHidrawPlugEvent(const std::vector<std::string>& properties) {
    auto has = [&](std::string_view property) {
        return std::find(properties.begin(), properties.end(), property) != properties.end();
    };
    return has("SUBSYSTEM=hidraw") && (has("ACTION=add") || has("ACTION=remove"));
}

std::string hidOpenError(const std::string& path) {
    if (access(path.c_str(), R_OK | W_OK) == 0) return {};
    return std::strerror(errno);
}

namespace {

class UdevHidrawMonitor : public DeviceChangeMonitor {
public:
    UdevHidrawMonitor(udev* context, udev_monitor* monitor) : m_udev(context), m_monitor(monitor) {}
    ~UdevHidrawMonitor() override {
        udev_monitor_unref(m_monitor);
        udev_unref(m_udev);
    }
    UdevHidrawMonitor(const UdevHidrawMonitor&) = delete;
    UdevHidrawMonitor& operator=(const UdevHidrawMonitor&) = delete;

    int descriptor() const override { return udev_monitor_get_fd(m_monitor); }

    bool takeChange() override {
        udev_device* device = udev_monitor_receive_device(m_monitor);
        if (!device) return false;
        std::vector<std::string> properties;
        udev_list_entry* entry;
        udev_list_entry_foreach(entry, udev_device_get_properties_list_entry(device)) {
            const char* value = udev_list_entry_get_value(entry);
            properties.push_back(std::string(udev_list_entry_get_name(entry)) + "=" + (value ? value : ""));
        }
        udev_device_unref(device);
        return isHidrawPlugEvent(properties);
    }

    bool waitForChange(std::chrono::milliseconds timeout) override {
        using Clock = std::chrono::steady_clock;
        const auto start = Clock::now();
        for (;;) {
            auto left = timeout - std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
            if (left.count() < 0) return false;
            pollfd ready{descriptor(), POLLIN, 0};
            int waited = poll(&ready, 1, static_cast<int>(std::min<long long>(left.count(), 60'000)));
            if (waited < 0 && errno != EINTR) {
                // A broken socket must not make the caller spin: it enumerates once a second instead.
                std::this_thread::sleep_for(std::min<std::chrono::milliseconds>(left, std::chrono::seconds(1)));
                return true;
            }
            if (waited > 0 && takeChange()) return true;
        }
    }

private:
    udev* m_udev;
    udev_monitor* m_monitor;
};

}  // namespace

std::unique_ptr<DeviceChangeMonitor> openHidChangeMonitor() {
    udev* context = udev_new();
    if (!context) return nullptr;
    udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
    if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
        if (monitor) udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    return std::make_unique<UdevHidrawMonitor>(context, monitor);
}

}  // namespace vaskiro::hid
