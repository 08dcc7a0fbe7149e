#include "bacnet/network_check.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "bacnet/client.h"
#include "core/text_codec.h"

namespace vaskiro::bacnet {

namespace {

using config::TextField;

std::string text(const Value& value) {
    if (const auto* string = std::get_if<std::string>(&value)) return *string;
    if (const auto* number = std::get_if<std::uint32_t>(&value)) return std::to_string(*number);
    return "a value of type " + std::to_string(std::get<OtherValue>(value).tag);
}

void say(const std::function<void(const std::string&)>& to, const std::string& text) {
    if (to) to(text);
}

std::unique_ptr<Client> openClient(std::uint16_t port, const Reporter& reporter) {
    std::string error, warning;
    auto client = Client::open(port, error, warning);
    if (!warning.empty()) say(reporter.note, warning);
    if (!client) say(reporter.note, error);
    return client;
}

std::string quoted(const std::string& value) { return '"' + value + '"'; }

}  // namespace

int discoverDevices(const DiscoverOptions& options, const Reporter& reporter) {
    auto client = openClient(options.to.port, reporter);
    if (!client) return -1;
    std::string error;
    std::vector<SeenDevice> seen = client->whoIs(options.to, options.range, options.timeout, error);
    if (!error.empty()) {
        say(reporter.note, error);
        return -1;
    }
    std::sort(seen.begin(), seen.end(), [](const SeenDevice& a, const SeenDevice& b) {
        return std::tie(a.iAm.instance, a.address) < std::tie(b.iAm.instance, b.address);
    });
    std::map<std::uint32_t, int> perInstance;
    for (const SeenDevice& device : seen) ++perInstance[device.iAm.instance];
    for (const SeenDevice& device : seen) {
        auto name = client->readProperty(device.address, device.iAm.instance, kObjectName, options.timeout);
        std::string line = std::to_string(device.iAm.instance) + '\t' + formatEndpoint(device.address) + '\t' +
                           std::to_string(device.iAm.vendorId) + '\t' +
                           (name.value ? text(*name.value) : "(object-name not read: " + name.error + ")");
        if (perInstance[device.iAm.instance] > 1) line += "\tduplicate instance";
        say(reporter.line, line);
    }
    return static_cast<int>(seen.size());
}

CheckResult checkOnNetwork(const config::ConfigurationImage& image, const CheckOptions& options,
                           const Reporter& reporter) {
    const std::uint32_t instance = image.objectIdentifier();
    if (instance >= kMaxInstance)
        return {CheckOutcome::BadConfiguration, "The object identifier " + std::to_string(instance) +
                                                    " is not a BACnet device instance (0 to 4194302)."};
    const std::int32_t port = image.bacnetPort();
    if (port < 1 || port > 0xFFFF)
        return {CheckOutcome::BadConfiguration, "The BACnet port " + std::to_string(port) + " is not a UDP port."};
    const bool dhcp = image.dhcpEnable();
    const Endpoint configured{dhcp ? config::Octets{255, 255, 255, 255} : image.address(config::AddressField::IPAddress),
                              static_cast<std::uint16_t>(port)};
    const Endpoint to = options.to.value_or(configured);

    auto client = openClient(to.port, reporter);
    if (!client) return {CheckOutcome::Failed, "The network check could not open a UDP socket."};
    std::string error;
    std::vector<SeenDevice> seen = client->whoIs(to, WhoIs{instance, instance}, options.timeout, error);
    if (!error.empty()) return {CheckOutcome::Failed, error};
    const std::string who = "BACnet device " + std::to_string(instance);
    if (seen.empty()) {
        say(reporter.line, "No answer from " + who + " at " + formatEndpoint(to));
        return {CheckOutcome::NoAnswer,
                "Nothing answered as " + who + " at " + formatEndpoint(to) +
                    ".\nCheck the network cable, that the device's IP address and subnet suit this computer's "
                    "network (or name a directed address), that the device uses UDP port " +
                    std::to_string(to.port) + ", and that no firewall blocks that port."};
    }
    if (seen.size() > 1) {
        std::sort(seen.begin(), seen.end(), [](const SeenDevice& a, const SeenDevice& b) { return a.address < b.address; });
        std::string addresses;
        for (const SeenDevice& device : seen) addresses += (addresses.empty() ? "" : ", ") + formatEndpoint(device.address);
        say(reporter.line, who + ": duplicate instance, answered from " + addresses);
        return {CheckOutcome::Duplicate, "More than one device answers as " + who + ": " + addresses +
                                             ".\nGive each device on the network its own object identifier."};
    }

    const SeenDevice& device = seen.front();
    say(reporter.line, who + " answered from " + formatEndpoint(device.address));
    std::string differences;
    auto compare = [&](const std::string& item, const std::string& expected, const std::string& found) {
        const bool same = expected == found;
        const std::string verdict = same ? "ok" : "differs: device has " + found;
        say(reporter.line, item + ": " + verdict);
        if (!same) differences += "\n" + item + ": " + verdict;
    };
    if (!dhcp)
        compare("address", formatAddress(configured.address), formatAddress(device.address.address));
    compare("port", std::to_string(configured.port), std::to_string(device.address.port));
    const std::pair<const char*, TextField> texts[] = {{"object-name", TextField::DeviceName},
                                                      {"location", TextField::Location},
                                                      {"description", TextField::Description}};
    const std::uint32_t properties[] = {kObjectName, kLocation, kDescription};
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        auto read = client->readProperty(device.address, instance, properties[i], options.timeout);
        const std::string expected = config::fromWindows1252(image.text(texts[i].second));
        if (read.value) {
            compare(texts[i].first, quoted(expected), quoted(text(*read.value)));
        } else {
            const std::string verdict = std::string(texts[i].first) + ": cannot read: " + read.error;
            say(reporter.line, verdict);
            differences += "\n" + verdict;
        }
    }
    if (differences.empty()) return {CheckOutcome::Match, kFoundAsConfigured};
    return {CheckOutcome::Differs, who + " answered from " + formatEndpoint(device.address) +
                                       " but differs from the configuration:" + differences};
}

}  // namespace vaskiro::bacnet
