#include "cli/commission.h"
#include "device/device_presence.h"

namespace vaskiro::cli {

namespace {

// How often a wait looks at the Ctrl-C flag.
constexpr std::chrono::milliseconds kStopCheck{250};

// The devices the options name, waited for as `wait` waits for them (only
// the one at --device when given), through the system's notification where
// there is one.
class PresenceStand : public CommissionStand {
public:
    explicit PresenceStand(const DeviceOptions& options) : m_session(options), m_path(options.devicePath) {
        m_monitor = m_session.backend().openChangeMonitor();
    }

    bool waitForDevice(const std::function<bool()>& stopping) override { return waitFor(true, stopping); }
    bool waitUntilGone(const std::function<bool()>& stopping) override { return waitFor(false, stopping); }

    bool severalAttached() override {
        return device::assessPresence(m_session.backend().enumerate()).state == device::PresenceState::Several;
    }

private:
    bool waitFor(bool present, const std::function<bool()>& stopping) {
        while (!stopping())
            if (device::waitForPresence(m_session.backend(), m_monitor.get(), present, kStopCheck, m_path)) return true;
        return false;
    }

    DeviceSession m_session;  // for its devices only; each row opens its own
    std::string m_path;
    std::unique_ptr<device::DeviceChangeMonitor> m_monitor;
};

}  // namespace

std::unique_ptr<CommissionStand> makeCommissionStand(const DeviceOptions& options) {
    return std::make_unique<PresenceStand>(options);
}

}  // namespace vaskiro::cli
