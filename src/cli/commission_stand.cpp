#include <algorithm>
#include <cctype>
#include <chrono>
#include <thread>

#include "bacnet/network_check.h"
#include "cli/commission.h"
#include "device/device_finder.h"
#include "hid/hidapi_backend.h"

namespace vaskiro::cli {

namespace {

constexpr std::chrono::milliseconds kPollInterval{200};

bool vaskiroPresent(device::HidBackend& backend) {
    auto lower = [](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
        return text;
    };
    const std::string match = lower(std::string(device::kMatchAny));
    for (const auto& info : backend.enumerate())
        if (lower(info.identifier).find(match) != std::string::npos) return true;
    return false;
}

// Looks at the machine's HID devices a few times a second.
class HidStand : public CommissionStand {
public:
    bool waitForDevice(const std::function<bool()>& stopping) override { return waitFor(true, stopping); }
    bool waitUntilGone(const std::function<bool()>& stopping) override { return waitFor(false, stopping); }
    bool checkOnNetwork(const config::ConfigurationImage& image, std::string& result, Streams io) override {
        bacnet::Reporter reporter{[&io](const std::string& line) { io.out << "  " << line << '\n' << std::flush; },
                                  [&io](const std::string& note) { io.err << "  " << note << '\n'; }};
        bacnet::CheckResult check = bacnet::checkOnNetwork(image, {}, reporter);
        bool passed = check.outcome == bacnet::CheckOutcome::Match;
        result = passed ? "passed" : check.summary;
        return passed;
    }

private:
    bool waitFor(bool present, const std::function<bool()>& stopping) {
        while (!stopping()) {
            if (vaskiroPresent(*m_backend) == present) return true;
            std::this_thread::sleep_for(kPollInterval);
        }
        return false;
    }

    std::unique_ptr<device::HidBackend> m_backend = device::makeHidapiBackend();
};

}  // namespace

std::unique_ptr<CommissionStand> makeCommissionStand(const DeviceOptions&) { return std::make_unique<HidStand>(); }

}  // namespace vaskiro::cli
