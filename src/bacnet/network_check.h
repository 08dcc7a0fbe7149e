#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bacnet/client.h"
#include "bacnet/codec.h"
#include "core/bacnet_numbers.h"
#include "core/configuration_image.h"
#include "core/settings_table.h"

namespace vaskiro::bacnet {

// Where a network operation's lines go as they become known: `line` for
// results, `note` for remarks on how the search was made. Called on the
// thread that runs the operation; either may be left empty.
struct Reporter {
    std::function<void(const std::string&)> line;
    std::function<void(const std::string&)> note;
};

struct DiscoverOptions {
    Endpoint to{{255, 255, 255, 255}, core::kDefaultBacnetPort};
    WhoIs range;  // no limits: every device
    std::chrono::milliseconds timeout = core::kNetworkTimeout;
    std::optional<ForeignDevice> bbmd;  // register with it; the Who-Is goes through it
    std::size_t parallel = 32;  // names being read at one time, at most
};

// Who-Is, then each answering device's object-name, read as soon as its I-Am
// comes while fewer than `parallel` reads await their answer, all within
// `timeout`. One line per device, sorted by instance,
// tab-separated: instance, address:port, vendor, name (its control
// characters escaped), with "duplicate instance" after each of two or more
// devices with one instance. Returns how many devices answered, or -1 when
// the search could not be made (the reason in a note).
int discoverDevices(const DiscoverOptions& options, const Reporter& reporter);

enum class CheckOutcome {
    Match,             // the device answered and everything compared equal
    NoAnswer,          // no device with the configured instance answered
    Differs,           // it answered and a value read differs
    Unread,            // it answered but a property could not be read (no reply, an error, an unreadable text)
    Duplicate,         // the instance answered from two or more addresses
    BadConfiguration,  // the object identifier is no BACnet instance
    Failed,            // no socket, or the request could not be sent
};

struct CheckResult {
    CheckOutcome outcome = CheckOutcome::Failed;
    // For the person: what was found, and when it is not a match, what
    // differed or what to check.
    std::string summary;
    std::vector<std::string> differing = {};  // the items that differ ("location"), when it Differs
};

struct CheckOptions {
    // Default: the configuration's own address and port, or a broadcast on
    // its port when it takes its address by DHCP.
    std::optional<Endpoint> to;
    // Where the same Who-Is is broadcast, so that a second device with the
    // instance answers too. Default: broadcastFor(to); not sent when `to` is
    // a broadcast itself.
    std::optional<Endpoint> broadcast;
    std::chrono::milliseconds timeout = core::kNetworkTimeout;
    std::optional<ForeignDevice> bbmd;  // register with it; the broadcast goes through it
};

inline constexpr const char* kFoundAsConfigured = "Device found on the network as configured";

// Asks for exactly the configured device instance (Who-Is to `to` and to the
// broadcast) and compares what answers with `image`: the address (unless
// DHCP), the port, object-name, location and description; one line per
// item, "ok" or "differs: device has ...". Waits at most `timeout` for the
// I-Am and then at most `timeout` for the values, which are read at once;
// ends as soon as every value is in and a duplicate window (1 s, or the
// timeout when shorter) after the first I-Am has passed. Texts from the
// network and the file are shown with their control characters escaped.
CheckResult checkOnNetwork(const core::ConfigurationImage& image, const CheckOptions& options,
                           const Reporter& reporter);

// The parts of the check, for a check of many devices at once.
// The settings the device object publishes, in the order they are read and compared.
const std::vector<const core::Setting*>& publishedTexts();
// The verdict on the device `image` configures, which answered from `from`
// with `texts` read (one per publishedTexts()); one line per item to `reporter`.
CheckResult judgeAnswer(const core::ConfigurationImage& image, const Endpoint& from,
                        const std::vector<PropertyResult>& texts, const Reporter& reporter);
// Nothing answered as `instance` at `to`; two or more devices answered as it.
CheckResult noAnswer(std::uint32_t instance, const Endpoint& to);
CheckResult duplicateInstance(std::uint32_t instance, std::vector<Endpoint> addresses);

}  // namespace vaskiro::bacnet
