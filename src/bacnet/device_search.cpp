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
    const auto until = Client::Clock::now() + timeout;
    while (!allFound() && !stopped() && Client::Clock::now() < until) {
        for (std::size_t i = 0; i < wanted.size(); ++i)
            if (!found[i]) (void)client.sendWhoIs(wanted[i].at, WhoIs{});  // one not sent is answered by no one
        client.wait(std::min(until, Client::Clock::now() + client.retryInterval()),
                    [&] { return stopped() || allFound(); });
    }
    return found;
}

}  // namespace vaskiro::bacnet
