#include "cli/ede_command.h"

#include <algorithm>

#include "bacnet/configured_device.h"
#include "bacnet/object_inventory.h"
#include "bacnet/point_checkout.h"
#include "cli/stop_signals.h"
#include "commission/ede_files.h"
#include "core/atomic_file.h"
#include "core/local_time.h"
#include "core/version.h"

namespace vaskiro::cli {

namespace {

struct Target {
    std::optional<std::uint32_t> instance;  // nothing: whichever device answers at `at`
    bacnet::Endpoint at;
};

// The device the file describes, or the one --to names; the reason on `io.err` when neither is usable.
std::optional<Target> target(const EdeOptions& options, Streams io, int& code) {
    Target target{std::nullopt, {{0, 0, 0, 0}, core::kDefaultBacnetPort}};
    code = kExitUsage;
    if (!options.file.empty()) {
        core::ConfigurationImage image;
        if (!loadConfiguration(options.file, image, io)) {
            code = kExitFailure;
            return std::nullopt;
        }
        const auto configured = bacnet::configuredDevice(image);
        if (!configured) {
            io.err << configured.error() << '\n';
            return std::nullopt;
        }
        target = {configured->instance, configured->at};
    }
    if (!options.to.empty()) {
        auto parsed = bacnet::parseEndpoint(options.to, target.at.port);
        if (!parsed) {
            io.err << "Bad value: --to " << options.to << " is not ADDRESS or ADDRESS:PORT.\n";
            return std::nullopt;
        }
        target.at = *parsed;
    }
    if (!target.instance && bacnet::isBroadcast(target.at)) {
        io.err << "Bad value: --to " << options.to
               << " is a broadcast; name one device's address, or give its data file.\n";
        return std::nullopt;
    }
    return target;
}

std::optional<bacnet::SeenDevice> find(bacnet::Client& client, const Target& target,
                                       std::chrono::milliseconds timeout) {
    if (target.instance) return bacnet::findDevice(client, target.at, *target.instance, timeout);
    // The device at that address: another that broadcasts an I-Am meanwhile is not it.
    const auto there = [&] {
        return std::find_if(client.seen().begin(), client.seen().end(),
                            [&](const bacnet::SeenDevice& seen) { return seen.address == target.at; });
    };
    (void)client.sendWhoIs(target.at, bacnet::WhoIs{});  // one that cannot be sent is answered by no one
    client.wait(bacnet::Client::Clock::now() + timeout, [&] { return there() != client.seen().end(); });
    if (there() == client.seen().end()) return std::nullopt;
    return *there();
}

// The device found and its objects read, within `timeout` for each request; the reason on `io.err` when not.
std::optional<bacnet::DeviceInventory> readDevice(bacnet::Client& client, const Target& device,
                                                  std::chrono::milliseconds timeout, Streams io) {
    const auto seen = find(client, device, timeout);
    if (!seen) {
        io.err << "Nothing answered as "
               << (device.instance ? "BACnet device " + std::to_string(*device.instance) : "a BACnet device") << " at "
               << bacnet::formatEndpoint(device.at)
               << ". Check that it is on and on this network, its address and port (or name them with --to), "
                  "and that no firewall blocks UDP on that port.\n";
        return std::nullopt;
    }
    const std::uint32_t instance = seen->iAm.instance;
    auto inventory = bacnet::readInventory(client, seen->address, instance, [] { return StopSignals::caught() != 0; });
    if (!inventory) {
        io.err << "BACnet device " << instance << " at " << bacnet::formatEndpoint(seen->address)
               << " answered, but its objects could not be read: " << inventory.error() << ".\n";
        return std::nullopt;
    }
    return std::move(*inventory);
}

// The four files for `prefix`; the reason on `io.err` when one cannot be written.
bool writeFiles(const std::filesystem::path& prefix, const std::vector<bacnet::DeviceInventory>& devices, Streams io) {
    const commission::EdeHeader header{prefix.filename().string(),
                                       core::localTimeText(std::chrono::system_clock::now(), "%Y-%m-%d %H:%M:%S"),
                                       "vaskiro " + std::string(core::kProjectVersion)};
    const commission::EdeFiles files = commission::edeFiles(devices, header);
    const std::vector<std::string> names = commission::edeFileNames(prefix.string());
    const std::string* texts[] = {&files.ede, &files.stateTexts, &files.units, &files.objectTypes};
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto saved = core::writeFileAtomically(
            names[i], {reinterpret_cast<const std::uint8_t*>(texts[i]->data()), texts[i]->size()});
        if (!saved) {
            io.err << "Cannot write " << names[i] << ": " << saved.error()
                   << ". Name a folder you may write to with --out FOLDER/PREFIX.\n";
            return false;
        }
    }
    return true;
}

}  // namespace

int runEde(const EdeOptions& options, Streams io) {
    int code = kExitUsage;
    const auto device = target(options, io, code);
    if (!device) return code;
    const std::filesystem::path out = options.out;
    const std::filesystem::path folder = out.has_parent_path() ? out.parent_path() : ".";
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        io.err << "The folder " << folder.string()
               << " is not a folder that exists; create it, or name another with --out FOLDER/PREFIX.\n";
        return kExitFailure;
    }
    std::string warning;
    auto opened = bacnet::Client::open(device->at.port, warning);
    if (!warning.empty()) io.err << warning << '\n';
    if (!opened) {
        io.err << opened.error() << '\n';
        return kExitFailure;
    }
    const auto timeout = fromSeconds(options.timeoutSeconds);
    (*opened)->setRetryInterval(bacnet::retryIntervalWithin(timeout));
    const StopSignals interrupts(StopSignals::Which::Interrupt);
    auto inventory = readDevice(**opened, *device, timeout, io);
    if (!inventory) return kExitFailure;
    const std::filesystem::path prefix = !out.empty() ? out
                                         : !options.file.empty()
                                             ? options.file.stem()
                                             : std::filesystem::path("device-" + std::to_string(inventory->instance));
    const std::vector<std::string> names = commission::edeFileNames(prefix.string());
    if (!writeFiles(prefix, {*inventory}, io)) return kExitFailure;
    io.out << "EDE files of BACnet device " << inventory->instance << " (" << inventory->objects.size() << " objects):";
    for (const std::string& name : names) io.out << ' ' << name;
    io.out << '\n';
    return kExitDone;
}

}  // namespace vaskiro::cli
