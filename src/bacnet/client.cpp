#include "bacnet/client.h"

#include <algorithm>

namespace vaskiro::bacnet {

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds leftUntil(Clock::time_point deadline) {
    return std::max(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()),
                    std::chrono::milliseconds(0));
}

bool inRange(const WhoIs& request, std::uint32_t instance) {
    return !request.low || !request.high || (instance >= *request.low && instance <= *request.high);
}

std::string describe(const Message& reply) {
    if (const auto* error = std::get_if<Error>(&reply))
        return "the device answered with error class " + std::to_string(error->errorClass) + ", code " +
               std::to_string(error->errorCode);
    if (const auto* reject = std::get_if<Reject>(&reply))
        return "the device rejected the request (reason " + std::to_string(reject->reason) + ")";
    return "the device aborted the request (reason " + std::to_string(std::get<Abort>(reply).reason) + ")";
}

std::optional<std::uint8_t> invokeIdOf(const Message& reply) {
    if (const auto* ack = std::get_if<ReadPropertyAck>(&reply)) return ack->invokeId;
    if (const auto* error = std::get_if<Error>(&reply)) return error->invokeId;
    if (const auto* reject = std::get_if<Reject>(&reply)) return reject->invokeId;
    if (const auto* abort = std::get_if<Abort>(&reply)) return abort->invokeId;
    return std::nullopt;
}

}  // namespace

bool isBroadcast(const Endpoint& endpoint) { return endpoint.address[3] == 255; }

std::unique_ptr<Client> Client::open(std::uint16_t bacnetPort, std::string& error, std::string& warning) {
    std::unique_ptr<Client> client(new Client);
    client->m_requests = UdpSocket::open(Endpoint{{0, 0, 0, 0}, 0}, false, error);
    if (!client->m_requests) {
        error = "Cannot open a UDP socket: " + error;
        return nullptr;
    }
    std::string taken;
    client->m_broadcasts = UdpSocket::open(Endpoint{{0, 0, 0, 0}, bacnetPort}, true, taken);
    if (!client->m_broadcasts)
        warning = "UDP port " + std::to_string(bacnetPort) + " is in use by another program (" + taken +
                  "); listening on port " + std::to_string(client->m_requests->localEndpoint().port) +
                  " only, so devices that broadcast their I-Am may be missed.";
    return client;
}

std::vector<SeenDevice> Client::whoIs(const Endpoint& to, const WhoIs& request, std::chrono::milliseconds collect,
                                      std::string& error) {
    std::vector<SeenDevice> seen;
    if (!m_requests->sendTo(encode(request, isBroadcast(to)), to, error)) {
        error = "Cannot send to " + formatEndpoint(to) + ": " + error;
        return seen;
    }
    std::vector<UdpSocket*> sockets{m_requests.get()};
    if (m_broadcasts) sockets.push_back(m_broadcasts.get());
    const auto deadline = Clock::now() + collect;
    while (Clock::now() < deadline) {
        const int ready = UdpSocket::waitReadable(sockets, leftUntil(deadline));
        if (ready < 0) continue;
        while (auto received = sockets[static_cast<std::size_t>(ready)]->receive()) {
            Decoded decoded = decode(received->bytes);
            if (!decoded.datagram) continue;
            const auto* iAm = std::get_if<IAm>(&decoded.datagram->message);
            if (!iAm || !inRange(request, iAm->instance)) continue;
            SeenDevice device{*iAm, decoded.datagram->forwardedFrom.value_or(received->from)};
            const bool known = std::any_of(seen.begin(), seen.end(), [&](const SeenDevice& s) {
                return s.iAm.instance == device.iAm.instance && s.address == device.address;
            });
            if (!known) seen.push_back(device);
        }
    }
    return seen;
}

Client::PropertyResult Client::readProperty(const Endpoint& device, std::uint32_t instance, std::uint32_t property,
                                            std::chrono::milliseconds timeout) {
    const std::uint8_t invokeId = m_nextInvokeId++;
    std::string error;
    if (!m_requests->sendTo(encode(ReadProperty{invokeId, {kDeviceObjectType, instance}, property}, false), device,
                            error))
        return {std::nullopt, "cannot send: " + error};
    UdpSocket* sockets[] = {m_requests.get()};
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        if (UdpSocket::waitReadable(sockets, leftUntil(deadline)) < 0) continue;
        while (auto received = m_requests->receive()) {
            Decoded decoded = decode(received->bytes);
            if (!decoded.datagram || received->from != device) continue;
            const Message& reply = decoded.datagram->message;
            if (invokeIdOf(reply) != invokeId) continue;
            if (const auto* ack = std::get_if<ReadPropertyAck>(&reply)) {
                if (ack->property != property || ack->object != ObjectId{kDeviceObjectType, instance}) continue;
                return {ack->value, {}};
            }
            return {std::nullopt, describe(reply)};
        }
    }
    return {std::nullopt, "no reply"};
}

}  // namespace vaskiro::bacnet
