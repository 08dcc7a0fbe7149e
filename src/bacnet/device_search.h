#pragma once

// Several devices looked for at once, so that those that do not answer cost
// one timeout together rather than one each.

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include "bacnet/client.h"

namespace vaskiro::bacnet {

struct WantedDevice {
    std::uint32_t instance = 0;
    Endpoint at;  // its address, or a broadcast that reaches it
};

// Sends a Who-Is for each device's instance to its address (the client sends
// it again until answered) and waits until all are found, `timeout` ends or
// `stopped` says so. For each: the I-Am of its instance, the one from its own
// address when several came; nothing when none did.
std::vector<std::optional<SeenDevice>> findDevices(Client& client, const std::vector<WantedDevice>& wanted,
                                                   std::chrono::milliseconds timeout,
                                                   const std::function<bool()>& stopped);

}  // namespace vaskiro::bacnet
