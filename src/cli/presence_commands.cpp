#include "cli/presence_commands.h"

#include <sstream>

#include "cli/console_port.h"
#include "device/device_finder.h"
#include "device/device_presence.h"
#include "device/exchange.h"
#include "device/exchange_runner.h"

namespace vaskiro::cli {

namespace {

// Who the device at `path` says it is, or why it did not say.
std::string identifyAt(DeviceSession& session, const std::string& path) {
    device::OpenResult opened = device::openVaskiroAt(session.backend(), path);
    if (!opened.connection)
        return "not identified: " +
               (opened.error.empty() ? std::string(device::openFailureMessage(opened.outcome)) : opened.error);
    std::ostringstream quiet;
    ConsolePort port(*opened.connection, quiet, quiet);
    core::ConfigurationImage unused;
    device::DeviceExchange exchange(unused, port);
    exchange.startIdentify();
    device::runExchange(exchange, *opened.connection, session.replyTimeout());
    if (!exchange.identity()) return "not identified: " + port.error();
    return device::identityText(*exchange.identity());
}

}  // namespace

int runList(const DeviceOptions& options, bool identify, Streams io) {
    DeviceSession session(options);
    device::DevicePresence presence = device::assessPresence(session.backend().enumerate());
    if (presence.devices.empty()) {
        io.err << "Cannot find VASKIRO\n";
        return kExitFailure;
    }
    for (const device::HidDeviceInfo& device : presence.devices) {
        io.out << device.path << '\t' << device.identifier << '\t'
               << (device::inProgramMode(device) ? "program mode" : "application");
        if (!device.openError.empty())
            io.out << "\tcannot be opened: " << device.openError;
        else if (identify && !device::inProgramMode(device))
            io.out << '\t' << identifyAt(session, device.path);
        io.out << '\n';
    }
    return kExitDone;
}

int runWait(const DeviceOptions& options, bool gone, std::optional<std::chrono::milliseconds> timeout, Streams io) {
    DeviceSession session(options);
    device::HidBackend& backend = session.backend();
    // Opened before the first enumeration, so that no change falls between.
    std::unique_ptr<device::DeviceChangeMonitor> monitor = backend.openChangeMonitor();
    if (device::waitForPresence(backend, monitor.get(), !gone, timeout, options.devicePath)) return kExitDone;
    io.err << (gone ? "A VASKIRO is still connected after " : "No VASKIRO was connected within ")
           << std::chrono::duration<double>(*timeout).count() << " s\n";
    return kExitFailure;
}

}  // namespace vaskiro::cli
