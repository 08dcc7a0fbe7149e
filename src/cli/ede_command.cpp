#include "cli/ede_command.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "bacnet/configured_device.h"
#include "bacnet/device_search.h"
#include "bacnet/object_inventory.h"
#include "bacnet/point_checkout.h"
#include "cli/endpoint_option.h"
#include "cli/stop_signals.h"
#include "commission/ede_files.h"
#include "commission/site_devices.h"
#include "core/atomic_file.h"
#include "core/display_text.h"
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
        auto parsed = parseEndpointOption("--to", options.to, target.at.port, io);
        if (!parsed) return std::nullopt;
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

// Whether the folder of `out` exists; said on `io.err` when not.
bool folderExists(const std::filesystem::path& out, Streams io) {
    const std::filesystem::path folder = out.has_parent_path() ? out.parent_path() : ".";
    std::error_code error;
    if (std::filesystem::is_directory(folder, error)) return true;
    io.err << "The folder " << folder.string()
           << " is not a folder that exists; create it, or name another with --out FOLDER/PREFIX.\n";
    return false;
}

std::unique_ptr<bacnet::Client> openClient(std::uint16_t port, std::chrono::milliseconds timeout, Streams io) {
    auto opened = bacnet::openClient(port, std::nullopt, timeout,
                                     [&err = io.err](const std::string& note) { err << note << '\n'; });
    if (!opened) {
        io.err << opened.error() << '\n';
        return nullptr;
    }
    return std::move(*opened);
}

void sayWritten(const std::filesystem::path& prefix, std::size_t objects, Streams io) {
    io.out << " (" << objects << " objects):";
    for (const std::string& name : commission::edeFileNames(prefix.string())) io.out << ' ' << name;
    io.out << '\n';
}

// The record's name without its extension (a folder's name, given with a slash or as ".").
std::filesystem::path recordPrefix(const std::filesystem::path& record) {
    std::error_code error;
    std::filesystem::path named = std::filesystem::weakly_canonical(record, error);
    if (error || !named.has_filename()) named = record.lexically_normal();
    if (!named.has_filename()) named = named.parent_path();
    return named.stem().empty() ? std::filesystem::path("site") : named.stem();
}

// Devices read at once, each by a client of its own, so that one that stops answering midway holds up only its
// own share; few, since each has eight requests in flight.
constexpr std::size_t kDevicesAtOnce = 4;

using Reading = std::optional<core::Result<bacnet::DeviceInventory>>;

// The objects of each device found (nothing for one not found), read by `first` and up to kDevicesAtOnce - 1
// clients more, one thread each.
std::vector<Reading> readFound(bacnet::Client& first, const std::vector<std::optional<bacnet::SeenDevice>>& found,
                               const std::function<bool()>& stopped) {
    std::vector<std::unique_ptr<bacnet::Client>> more;
    const auto count = static_cast<std::size_t>(
        std::count_if(found.begin(), found.end(), [](const auto& one) { return one.has_value(); }));
    for (std::size_t i = 1; i < std::min(kDevicesAtOnce, count); ++i) {
        std::string warning;
        auto opened = bacnet::Client::open(0, warning);  // the devices are found: no broadcast to hear
        if (!opened) break;
        (*opened)->setRetryInterval(first.retryInterval());
        more.push_back(std::move(*opened));
    }
    std::vector<Reading> readings(found.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&](bacnet::Client& client) {
        for (std::size_t k; (k = next++) < found.size();)
            if (found[k])
                readings[k] = bacnet::readInventory(client, found[k]->address, found[k]->iAm.instance, stopped);
    };
    std::vector<std::thread> workers;
    for (const auto& client : more) workers.emplace_back(work, std::ref(*client));
    work(first);
    for (std::thread& worker : workers) worker.join();
    return readings;
}

// Every device of the record: all looked for at once, so that the silent ones cost one timeout together,
// then those that answered read a few at a time. One set of files of those read; each other named.
int runEdeOfRecord(const EdeOptions& options, Streams io) {
    auto devices = commission::readSiteDevices(options.record, options.base.empty() ? nullptr : &options.base);
    if (!devices) {
        io.err << devices.error() << ".\n";
        return kExitFailure;
    }
    const std::filesystem::path prefix =
        options.out.empty() ? recordPrefix(options.record) : std::filesystem::path(options.out);
    if (!folderExists(prefix, io)) return kExitFailure;
    int code = kExitDone;
    std::vector<std::size_t> asked;  // indices into `devices` of those with a usable configuration
    std::vector<bacnet::WantedDevice> wanted;
    for (std::size_t i = 0; i < devices->size(); ++i) {
        const auto configured = bacnet::configuredDevice((*devices)[i].image);
        if (!configured) {
            io.err << core::escapeControlCharacters((*devices)[i].label) << ": " << configured.error() << '\n';
            code = kExitFailure;
            continue;
        }
        asked.push_back(i);
        wanted.push_back({configured->instance, configured->at});
    }
    const auto timeout = fromSeconds(options.timeoutSeconds);
    const auto client = wanted.empty() ? nullptr : openClient(wanted.front().at.port, timeout, io);
    if (!client) {
        if (wanted.empty()) io.err << "No device of " << options.record.string() << " can be asked for.\n";
        return kExitFailure;
    }
    const StopSignals interrupts(StopSignals::Which::Interrupt);
    const auto stopped = [] { return StopSignals::caught() != 0; };
    const auto found = bacnet::findDevices(*client, wanted, timeout, stopped);
    std::vector<Reading> readings = readFound(*client, found, stopped);
    std::vector<bacnet::DeviceInventory> read;
    std::size_t objects = 0;
    for (std::size_t k = 0; k < wanted.size() && !stopped(); ++k) {
        const std::string who = core::escapeControlCharacters((*devices)[asked[k]].label) + " (instance " +
                                std::to_string(wanted[k].instance) + " at " + bacnet::formatEndpoint(wanted[k].at) +
                                "): ";
        if (!found[k]) {
            io.err << who << "no answer\n";
            code = kExitFailure;
            continue;
        }
        auto& inventory = *readings[k];
        if (!inventory) {
            io.err << who << "answered, but its objects could not be read: " << inventory.error() << '\n';
            code = kExitFailure;
            continue;
        }
        objects += inventory->objects.size();
        read.push_back(std::move(*inventory));
    }
    if (stopped()) {
        io.err << "Stopped; no files written.\n";
        return kExitFailure;
    }
    if (code != kExitDone)
        io.err << "Check that each is on and on this network at the address and port the record gives, and that "
                  "no firewall blocks UDP on that port.\n";
    if (read.empty()) {
        io.err << "No device of " << options.record.string() << " was read; no files written.\n";
        return kExitFailure;
    }
    if (!writeFiles(prefix, read, io)) return kExitFailure;
    io.out << "EDE files of " << read.size();
    if (read.size() < devices->size()) io.out << " of " << devices->size();
    io.out << (devices->size() == 1 ? " device" : " devices");
    sayWritten(prefix, objects, io);
    return code;
}

}  // namespace

int runEde(const EdeOptions& options, Streams io) {
    if (!options.record.empty()) return runEdeOfRecord(options, io);
    int code = kExitUsage;
    const auto device = target(options, io, code);
    if (!device) return code;
    if (!folderExists(options.out, io)) return kExitFailure;
    const auto timeout = fromSeconds(options.timeoutSeconds);
    const auto client = openClient(device->at.port, timeout, io);
    if (!client) return kExitFailure;
    const StopSignals interrupts(StopSignals::Which::Interrupt);
    auto inventory = readDevice(*client, *device, timeout, io);
    if (!inventory) return kExitFailure;
    const std::filesystem::path prefix = !options.out.empty() ? std::filesystem::path(options.out)
                                         : !options.file.empty()
                                             ? options.file.stem()
                                             : std::filesystem::path("device-" + std::to_string(inventory->instance));
    if (!writeFiles(prefix, {*inventory}, io)) return kExitFailure;
    io.out << "EDE files of BACnet device " << inventory->instance;
    sayWritten(prefix, inventory->objects.size(), io);
    return kExitDone;
}

}  // namespace vaskiro::cli
