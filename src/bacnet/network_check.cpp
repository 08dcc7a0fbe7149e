#include "bacnet/network_check.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "bacnet/client.h"
#include "bacnet/configured_device.h"
#include "core/display_text.h"
#include "core/settings_table.h"
#include "core/text_codec.h"

namespace vaskiro::bacnet {

namespace {

using core::escapeControlCharacters;
using Clock = Client::Clock;

// A value read from the network, as it may be shown.
std::string text(const Value& value) {
    if (const auto* string = std::get_if<std::string>(&value)) return escapeControlCharacters(*string);
    if (const auto* number = std::get_if<std::uint32_t>(&value)) return std::to_string(*number);
    if (const auto* other = std::get_if<OtherValue>(&value)) return "a value of type " + std::to_string(other->tag);
    return "a value this tool cannot read";
}

void say(const std::function<void(const std::string&)>& to, const std::string& text) {
    if (to) to(text);
}

core::Result<std::unique_ptr<Client>> openClient(std::uint16_t port, const std::optional<ForeignDevice>& bbmd,
                                                 std::chrono::milliseconds timeout, const Reporter& reporter) {
    return bacnet::openClient(port, bbmd, timeout,
                              [note = reporter.note](const std::string& text) { say(note, text); });
}

std::string quoted(const std::string& value) { return '"' + value + '"'; }

std::string addressList(std::vector<Endpoint> seen) {
    std::sort(seen.begin(), seen.end());
    std::string addresses;
    for (const Endpoint& address : seen) addresses += (addresses.empty() ? "" : ", ") + formatEndpoint(address);
    return addresses;
}

}  // namespace

int discoverDevices(const DiscoverOptions& options, const Reporter& reporter) {
    auto opened = openClient(options.to.port, options.bbmd, options.timeout, reporter);
    if (!opened) {
        say(reporter.note, opened.error());
        return -1;
    }
    const auto& client = *opened;
    if (auto sent = client->sendWhoIs(options.to, options.range); !sent) {
        say(reporter.note, sent.error());
        return -1;
    }
    std::vector<std::size_t> nameReads;  // one per device seen, in the order seen, as far as reads were started
    std::vector<std::size_t> reading;    // the reads awaiting their answer
    client->wait(Clock::now() + options.timeout, [&] {
        std::erase_if(reading, [&](std::size_t read) { return client->finished(read); });
        while (reading.size() < std::max<std::size_t>(options.parallel, 1) &&
               nameReads.size() < client->seen().size()) {
            const SeenDevice& device = client->seen()[nameReads.size()];
            const ObjectId object{kDeviceObjectType, device.iAm.instance};
            nameReads.push_back(client->startRead(device.address, object, kObjectName));
            reading.push_back(nameReads.back());
        }
        return false;
    });
    std::vector<std::pair<SeenDevice, std::optional<std::size_t>>> seen;
    for (std::size_t i = 0; i < client->seen().size(); ++i)
        seen.emplace_back(client->seen()[i], i < nameReads.size() ? std::optional(nameReads[i]) : std::nullopt);
    std::sort(seen.begin(), seen.end(), [](const auto& a, const auto& b) {
        return std::tie(a.first.iAm.instance, a.first.address) < std::tie(b.first.iAm.instance, b.first.address);
    });
    std::map<std::uint32_t, int> perInstance;
    for (const auto& [device, read] : seen) ++perInstance[device.iAm.instance];
    for (const auto& [device, read] : seen) {
        const PropertyResult name =
            read ? client->result(*read) : PropertyResult(core::Unexpected(std::string("no time left to ask")));
        std::string line = std::to_string(device.iAm.instance) + '\t' + formatEndpoint(device.address) + '\t' +
                           std::to_string(device.iAm.vendorId) + '\t' +
                           (name ? text(*name) : "(object-name not read: " + name.error() + ")");
        if (perInstance[device.iAm.instance] > 1) line += "\tduplicate instance";
        say(reporter.line, line);
    }
    return static_cast<int>(seen.size());
}

CheckResult checkOnNetwork(const core::ConfigurationImage& image, const CheckOptions& options,
                           const Reporter& reporter) {
    const auto asked = configuredDevice(image);
    if (!asked) return {CheckOutcome::BadConfiguration, asked.error()};
    const std::uint32_t instance = asked->instance;
    const Endpoint configured = asked->at;
    const Endpoint to = options.to.value_or(configured);
    const std::optional<Endpoint> broadcast = options.broadcast ? options.broadcast
                                              : isBroadcast(to) ? std::nullopt
                                                                : std::optional(broadcastFor(to));

    auto opened = openClient(to.port, options.bbmd, options.timeout, reporter);
    if (!opened) {
        if (!options.bbmd) say(reporter.note, opened.error());
        // A registration refused or unanswered is the whole story; a socket that cannot be had, the note above.
        return {CheckOutcome::Failed, options.bbmd ? opened.error() : "The network check could not open a UDP socket."};
    }
    const auto& client = *opened;
    const WhoIs whoIs{instance, instance};
    auto sent = client->sendWhoIs(to, whoIs);
    if (sent && broadcast && *broadcast != to) sent = client->sendWhoIs(*broadcast, whoIs);
    if (!sent) return {CheckOutcome::Failed, sent.error()};
    client->wait(Clock::now() + options.timeout, [&] { return !client->seen().empty(); });
    if (client->seen().empty()) {
        say(reporter.line, "No answer from BACnet device " + std::to_string(instance) + " at " + formatEndpoint(to));
        return noAnswer(instance, to);
    }

    // The values are read while a second device with the instance may still answer.
    const SeenDevice device = client->seen().front();
    const auto firstHeard = Clock::now();
    const auto duplicateWindowEnds =
        firstHeard + std::min<std::chrono::milliseconds>(std::chrono::seconds(1), options.timeout);
    std::vector<std::size_t> reads;
    for (const core::Setting* setting : publishedTexts())
        reads.push_back(client->startRead(device.address, {kDeviceObjectType, instance}, setting->published->property));
    client->wait(firstHeard + options.timeout, [&] { return client->allFinished(); });
    client->wait(duplicateWindowEnds, [] { return false; });  // what is left of the window, if anything

    if (client->seen().size() > 1) {
        std::vector<Endpoint> addresses;
        for (const SeenDevice& seen : client->seen()) addresses.push_back(seen.address);
        CheckResult duplicate = duplicateInstance(instance, addresses);
        say(reporter.line, "BACnet device " + std::to_string(instance) + ": duplicate instance, answered from " +
                               addressList(addresses));
        return duplicate;
    }
    std::vector<PropertyResult> texts;
    for (std::size_t read : reads) texts.push_back(client->result(read));
    return judgeAnswer(image, device.address, texts, reporter);
}

const std::vector<const core::Setting*>& publishedTexts() {
    static const std::vector<const core::Setting*> texts = [] {
        std::vector<const core::Setting*> published;
        for (const core::Setting& setting : core::allSettings())
            if (setting.published) published.push_back(&setting);
        return published;
    }();
    return texts;
}

CheckResult noAnswer(std::uint32_t instance, const Endpoint& to) {
    return {CheckOutcome::NoAnswer,
            "Nothing answered as BACnet device " + std::to_string(instance) + " at " + formatEndpoint(to) +
                ".\nCheck the network cable, that the device's IP address and subnet suit this computer's "
                "network (or name a directed address), that the device uses UDP port " +
                std::to_string(to.port) + ", and that no firewall blocks that port."};
}

CheckResult duplicateInstance(std::uint32_t instance, std::vector<Endpoint> addresses) {
    return {CheckOutcome::Duplicate, "More than one device answers as instance " + std::to_string(instance) + ": " +
                                         addressList(std::move(addresses)) +
                                         ".\nGive each device on the network its own object identifier."};
}

CheckResult judgeAnswer(const core::ConfigurationImage& image, const Endpoint& from,
                        const std::vector<PropertyResult>& texts, const Reporter& reporter) {
    const Endpoint configured = configuredDevice(image)->at;
    const std::string who = "BACnet device " + std::to_string(image.objectIdentifier() & kInstanceMask);
    say(reporter.line, who + " answered from " + formatEndpoint(from));
    std::string differences, unread;
    std::vector<std::string> differing;
    auto compare = [&](const std::string& item, const std::string& expected, const std::string& found,
                       const std::string& note = {}) {
        const bool same = expected == found;
        const std::string verdict = (same ? "ok" : "differs: device has " + found) + note;
        say(reporter.line, item + ": " + verdict);
        if (same) return;
        differences += "\n" + item + ": " + verdict;
        differing.push_back(item);
    };
    if (!image.dhcpEnable()) compare("address", formatAddress(configured.address), formatAddress(from.address));
    compare("port", std::to_string(configured.port), std::to_string(from.port));
    const auto& published = publishedTexts();
    for (std::size_t i = 0; i < published.size(); ++i) {
        const PropertyResult& read = texts[i];
        const std::string& item = published[i]->published->name;
        // The device holds only the first characters of a longer text: that is what it can answer.
        const std::string configuredText = std::get<std::string>(published[i]->value(image));
        const std::string kept = configuredText.substr(0, std::size_t(published[i]->limits.high));
        const std::string expected = escapeControlCharacters(core::fromWindows1252(kept));
        const std::string note = kept.size() == configuredText.size()
                                     ? std::string()
                                     : " (the device keeps " + std::to_string(kept.size()) + " of the " +
                                           std::to_string(configuredText.size()) + " characters configured)";
        if (read) {
            compare(item, quoted(expected), quoted(text(*read)), note);
        } else {
            const std::string verdict = item + ": cannot read: " + read.error();
            say(reporter.line, verdict);
            unread += "\n" + verdict;
        }
    }
    if (!differences.empty())
        return {CheckOutcome::Differs,
                who + " answered from " + formatEndpoint(from) + " but differs from the configuration:" + differences +
                    unread,
                differing};
    if (!unread.empty())
        return {CheckOutcome::Unread,
                who + " answered from " + formatEndpoint(from) + " but not everything could be read:" + unread};
    return {CheckOutcome::Match, kFoundAsConfigured};
}

}  // namespace vaskiro::bacnet
