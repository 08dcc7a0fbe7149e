#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bacnet/codec.h"
#include "bacnet/udp_socket.h"

namespace vaskiro::bacnet {

// A device that answered a Who-Is.
struct SeenDevice {
    IAm iAm;
    Endpoint address;  // where it answered from (the original sender of a forwarded I-Am)
};

// A BACnet/IP client: asks with Who-Is and reads properties. Requests go out
// from a port of its own, where unicast replies come back; a second socket
// on the BACnet port hears I-Am replies that devices broadcast. Blocking; one
// thread at a time.
class Client {
public:
    // `bacnetPort`: the port the devices use and broadcast their I-Am to.
    // Null with `error` when no socket can be had. When the BACnet port is
    // taken by a program that does not share it, the client still works and
    // `warning` says what may be missed.
    static std::unique_ptr<Client> open(std::uint16_t bacnetPort, std::string& error, std::string& warning);

    // Sends Who-Is to `to` (as a broadcast when it is one) and collects the
    // I-Am replies within the request's range for `collect`, at most one per
    // device and address, in the order they came.
    std::vector<SeenDevice> whoIs(const Endpoint& to, const WhoIs& request, std::chrono::milliseconds collect,
                                  std::string& error);

    // Reads one property of the device object `instance` at `device`: the
    // value, or an error text (no reply, the device's Error, Reject or Abort).
    struct PropertyResult {
        std::optional<Value> value;
        std::string error;
    };
    PropertyResult readProperty(const Endpoint& device, std::uint32_t instance, std::uint32_t property,
                                std::chrono::milliseconds timeout);

private:
    Client() = default;
    std::unique_ptr<UdpSocket> m_requests;
    std::unique_ptr<UdpSocket> m_broadcasts;  // null when the BACnet port was taken
    std::uint8_t m_nextInvokeId = 0;
};

// 255.255.255.255 and directed broadcasts (taken as any address ending in 255).
bool isBroadcast(const Endpoint& endpoint);

}  // namespace vaskiro::bacnet
