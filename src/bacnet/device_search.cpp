#include "bacnet/device_search.h"

#include <algorithm>

namespace vaskiro::bacnet {

std::vector<std::optional<SeenDevice>> findDevices(Client& client, const std::vector<WantedDevice>& wanted,
                                                   std::chrono::milliseconds timeout,
                                                   const std::function<bool()>& stopped) {
    std::vector<std::optional<SeenDevice>> found(wanted.size());
    std::size_t looked = 0;  // the I-Am replies already matched
    const auto allFound = [&] {
        for (; looked < client.seen().size(); ++looked) {
            const SeenDevice& seen = client.seen()[looked];
            for (std::size_t i = 0; i < wanted.size(); ++i)
                if (seen.iAm.instance == wanted[i].instance && (!found[i] || seen.address == wanted[i].at))
                    found[i] = seen;
        }
        return std::all_of(found.begin(), found.end(), [](const auto& one) { return one.has_value(); });
    };
    // The client sends each Who-Is again until a device of its instance answers.
    for (const WantedDevice& device : wanted)
        (void)client.sendWhoIs(device.at,
                               WhoIs{device.instance, device.instance});  // one not sent is answered by no one
    client.wait(Client::Clock::now() + timeout, [&] { return stopped() || allFound(); });
    return found;
}

}  // namespace vaskiro::bacnet
