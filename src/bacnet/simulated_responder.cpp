#include "bacnet/simulated_responder.h"

#include <algorithm>


namespace vaskiro::bacnet {

namespace {

// The largest APDU a reply may be: what the client takes, less the BVLC and NPDU headers around it.
bool fits(const Message& reply, std::uint16_t maxApdu) { return encode(reply, false).size() - 6 <= maxApdu; }

}  // namespace

SimulatedDevice::SimulatedDevice(const config::ConfigurationImage& image, const DeviceIdentity& identity)
    : m_instance(image.objectIdentifier() & kInstanceMask),
      m_vendorId(identity.vendorId),
      m_objects(std::make_unique<ObjectDatabase>()) {
    addDeviceObjects(*m_objects, image, identity);
}

std::optional<Message> SimulatedDevice::answer(const Message& request) const {
    if (const auto* whoIs = std::get_if<WhoIs>(&request)) {
        if (whoIs->low && whoIs->high && (m_instance < *whoIs->low || m_instance > *whoIs->high)) return std::nullopt;
        return IAm{m_instance, 1476, 3, m_vendorId};
    }
    Message reply;
    std::uint16_t maxApdu = 1476;
    if (const auto* read = std::get_if<ReadProperty>(&request)) {
        auto value = m_objects->read(read->object, read->property, read->arrayIndex);
        if (const auto* error = std::get_if<PropertyError>(&value))
            return Error{read->invokeId, kServiceReadProperty, error->errorClass, error->errorCode};
        reply = ReadPropertyAck{read->invokeId, m_objects->find(read->object)->id(), read->property,
                                EncodedValue{std::get<std::vector<std::uint8_t>>(std::move(value))}, read->arrayIndex};
        maxApdu = read->maxApdu;
    } else if (const auto* readMultiple = std::get_if<ReadPropertyMultiple>(&request)) {
        reply = ReadPropertyMultipleAck{readMultiple->invokeId, m_objects->readMultiple(readMultiple->objects)};
        maxApdu = readMultiple->maxApdu;
    } else if (const auto* other = std::get_if<OtherRequest>(&request)) {
        return Reject{other->invokeId, kRejectUnrecognizedService};
    } else if (const auto* invalid = std::get_if<InvalidRequest>(&request)) {
        return Reject{invalid->invokeId, invalid->rejectReason};
    } else if (const auto* segmented = std::get_if<SegmentedRequest>(&request)) {
        return Abort{segmented->invokeId, kAbortSegmentationNotSupported, true};
    } else {
        return std::nullopt;
    }
    if (fits(reply, maxApdu)) return reply;
    const std::uint8_t invokeId = std::visit([](const auto& ack) -> std::uint8_t {
        if constexpr (requires { ack.invokeId; }) return ack.invokeId; else return 0;
    }, reply);
    return Abort{invokeId, kAbortSegmentationNotSupported, true};
}

std::optional<Message> answer(const config::ConfigurationImage& image, const DeviceIdentity& identity,
                              const Message& request) {
    return SimulatedDevice(image, identity).answer(request);
}

std::unique_ptr<SimulatedResponder> SimulatedResponder::open(const config::ConfigurationImage& image,
                                                             DeviceIdentity identity, const Endpoint& at,
                                                             std::string& error, std::string& note) {
    std::unique_ptr<SimulatedResponder> responder(new SimulatedResponder(image, identity));
    responder->m_unicast = UdpSocket::open(at, true, error);
    if (!responder->m_unicast) return nullptr;
    std::string taken;
    const std::uint16_t port = responder->m_unicast->localEndpoint().port;
    responder->m_broadcasts = UdpSocket::open(Endpoint{{0, 0, 0, 0}, port}, true, taken);
    if (!responder->m_broadcasts)
        note = "Broadcasts to port " + std::to_string(port) + " are not heard (" + taken + ").";
    return responder;
}

void SimulatedResponder::serve(const std::atomic<bool>& stop, std::chrono::steady_clock::time_point until) {
    std::vector<UdpSocket*> sockets{m_unicast.get()};
    if (m_broadcasts) sockets.push_back(m_broadcasts.get());
    while (!stop && std::chrono::steady_clock::now() < until) {
        const auto slice = std::min(std::chrono::milliseconds(100),
                                    std::chrono::duration_cast<std::chrono::milliseconds>(
                                        until - std::chrono::steady_clock::now()));
        const int ready = UdpSocket::waitReadable(sockets, slice);
        if (ready < 0) continue;
        while (auto received = sockets[static_cast<std::size_t>(ready)]->receive()) {
            Decoded decoded = decode(received->bytes);
            if (!decoded.datagram) continue;
            auto reply = m_device.answer(decoded.datagram->message);
            std::string unused;
            if (reply) m_unicast->sendTo(encode(*reply, false), received->from, unused);
        }
    }
}

}  // namespace vaskiro::bacnet
