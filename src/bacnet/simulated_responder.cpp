#include "bacnet/simulated_responder.h"

#include <algorithm>

#include "core/text_codec.h"

namespace vaskiro::bacnet {

namespace {

std::optional<Value> propertyValue(const config::ConfigurationImage& image, const DeviceIdentity& identity,
                                   std::uint32_t property) {
    using config::TextField;
    switch (property) {
    case kObjectName: return config::fromWindows1252(image.text(TextField::DeviceName));
    case kLocation: return config::fromWindows1252(image.text(TextField::Location));
    case kDescription: return config::fromWindows1252(image.text(TextField::Description));
    case kVendorIdentifier: return identity.vendorId;
    case kModelName: return identity.modelName;
    case kFirmwareRevision: return identity.firmwareRevision;
    case kApplicationSoftwareVersion: return identity.applicationVersion;
    default: return std::nullopt;
    }
}

}  // namespace

std::optional<Message> answer(const config::ConfigurationImage& image, const DeviceIdentity& identity,
                              const Message& request) {
    const std::uint32_t instance = image.objectIdentifier() & kMaxInstance;
    if (const auto* whoIs = std::get_if<WhoIs>(&request)) {
        if (whoIs->low && whoIs->high && (instance < *whoIs->low || instance > *whoIs->high)) return std::nullopt;
        return IAm{instance, 1476, 3, identity.vendorId};
    }
    if (const auto* read = std::get_if<ReadProperty>(&request)) {
        if (read->object != ObjectId{kDeviceObjectType, instance})
            return Error{read->invokeId, 12, kErrorClassObject, kErrorUnknownObject};
        auto value = propertyValue(image, identity, read->property);
        if (!value) return Error{read->invokeId, 12, kErrorClassProperty, kErrorUnknownProperty};
        return ReadPropertyAck{read->invokeId, read->object, read->property, *value};
    }
    if (const auto* other = std::get_if<OtherRequest>(&request))
        return Reject{other->invokeId, kRejectUnrecognizedService};
    return std::nullopt;
}

std::unique_ptr<SimulatedResponder> SimulatedResponder::open(const config::ConfigurationImage& image,
                                                             DeviceIdentity identity, const Endpoint& at,
                                                             std::string& error, std::string& note) {
    std::unique_ptr<SimulatedResponder> responder(new SimulatedResponder(image, std::move(identity)));
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
            auto reply = answer(m_image, m_identity, decoded.datagram->message);
            std::string unused;
            if (reply) m_unicast->sendTo(encode(*reply, false), received->from, unused);
        }
    }
}

}  // namespace vaskiro::bacnet
