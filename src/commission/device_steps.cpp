#include "commission/device_steps.h"

#include "bacnet/network_check.h"
#include "core/display_text.h"
#include "core/settings_table.h"
#include "device/device_finder.h"
#include "device/exchange.h"
#include "device/exchange_runner.h"

namespace vaskiro::commission {

namespace {

// The exchange's port for a step: reports go to the device, the first error
// box's text is kept as the step's reason, log lines are dropped.
class StepPort : public device::ExchangePort {
public:
    explicit StepPort(device::HidConnection& connection) : m_connection(connection) {}

    bool sendReport(const device::Report& report) override { return m_connection.write(report).has_value(); }
    void appendLog(std::string_view) override {}
    void showMessage(device::MessageKind kind, std::string_view text) override {
        if (kind == device::MessageKind::Error && m_error.empty()) m_error = text;
    }
    void populateForm() override { m_readCompleted = true; }

    std::string m_error;
    bool m_readCompleted = false;

private:
    device::HidConnection& m_connection;
};

}  // namespace

DeviceSteps::DeviceSteps(device::HidBackend& devices, std::string devicePath, std::chrono::milliseconds replyTimeout,
                         bacnet::Reporter networkLines)
    : m_devices(devices),
      m_devicePath(std::move(devicePath)),
      m_replyTimeout(replyTimeout),
      m_networkLines(std::move(networkLines)) {}

DeviceSteps::~DeviceSteps() = default;

StepResult DeviceSteps::run(Step step, const core::ConfigurationImage& image) {
    if (step == Step::CheckNetwork) {
        bacnet::CheckResult check = bacnet::checkOnNetwork(image, {}, m_networkLines);
        bool passed = check.outcome == bacnet::CheckOutcome::Match;
        return {passed, {}, {}, passed ? "passed" : check.summary};
    }
    if (step == Step::Identify || !m_connection) {
        m_connection.reset();
        if (auto restored = m_devices.restoreState(); !restored) return {false, {}, {}, restored.error()};
        device::OpenResult opened = m_devicePath.empty() ? device::findAndOpenVaskiro(m_devices)
                                                         : device::openVaskiroAt(m_devices, m_devicePath);
        if (opened.outcome != device::OpenOutcome::Opened)
            return {false, {}, {}, device::describeOpenFailure(opened, m_devicePath).oneLine()};
        m_connection = std::move(opened.connection);
    }
    core::ConfigurationImage copy = image;
    if (step != Step::Verify) return exchange(step, copy);

    core::ConfigurationImage readBack;
    readBack.SetDefaults();
    StepResult read = exchange(Step::Verify, readBack);
    if (!read.ok) return read;
    read.readBack = readBack;
    std::string detail;
    for (const core::Setting* s : core::differences(image, readBack))
        detail += (detail.empty() ? "the device holds other settings than were written: " : "; ") + s->key +
                  " written " + core::escapeControlCharacters(s->show(image)) + ", device has " +
                  core::escapeControlCharacters(s->show(readBack));
    if (!detail.empty()) read = {false, {}, {}, detail, readBack};
    return read;
}

// Identify, Write, or (for Verify) a Read into `image`.
StepResult DeviceSteps::exchange(Step step, core::ConfigurationImage& image) {
    StepPort port(*m_connection);
    device::DeviceExchange exchange(image, port);
    if (step == Step::Identify) exchange.startIdentify();
    if (step == Step::Write) exchange.startWrite();
    if (step == Step::Verify) exchange.startRead();
    device::runExchange(exchange, *m_connection, m_replyTimeout);
    StepResult result{port.m_error.empty() && (step != Step::Verify || port.m_readCompleted), {}, {}, port.m_error};
    if (step == Step::Identify && result.ok) {
        if (!exchange.identity()) return {false, {}, {}, "the device did not say who it is"};
        result.serial = std::to_string(exchange.identity()->serial);
        result.version = exchange.identity()->version;
    }
    if (auto saved = m_devices.saveState(); !saved) return {false, {}, {}, saved.error()};
    return result;
}

}  // namespace vaskiro::commission
