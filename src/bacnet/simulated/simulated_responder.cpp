#include "bacnet/simulated/simulated_responder.h"

#include <algorithm>
#include <cmath>

namespace vaskiro::bacnet {

namespace {

// The largest APDU a reply may be: what the client takes, less the BVLC and NPDU headers around it.
bool fits(const Message& reply, std::uint16_t maxApdu) { return encode(reply, false).size() - 6 <= maxApdu; }

bool isPoint(ObjectId object) {
    return object.type == kBinaryInput || object.type == kBinaryOutput || object.type == kAnalogInput;
}

}  // namespace

SimulatedDevice::SimulatedDevice(const core::ConfigurationImage& image, const DeviceIdentity& identity)
    : m_instance(image.objectIdentifier() & kInstanceMask),
      m_vendorId(identity.vendorId),
      m_points(std::make_unique<SimulatedPoints>(image)),
      m_objects(std::make_unique<ObjectDatabase>()) {
    addDeviceObjects(*m_objects, image, identity, *m_points);
    for (int n = 1; n <= SimulatedPoints::kAnalogues; ++n)
        m_covIncrement[n - 1] = image.analogueValue(core::FloatGroup::COVIncrement, n);
}

Message SimulatedDevice::subscribe(const SubscribeCov& request, const Endpoint& from) {
    if (m_refuseSubscriptions) return Reject{request.invokeId, kRejectUnrecognizedService};
    const BacnetObject* object = m_objects->find(request.object);
    if (!object) return Error{request.invokeId, kServiceSubscribeCov, kErrorClassObject, kErrorUnknownObject};
    auto same = [&](const Subscription& s) {
        return s.subscriber == from && s.processId == request.processId && s.object == object->id();
    };
    if (!request.confirmed && !request.lifetime) {  // a cancellation
        std::erase_if(m_subscriptions, same);
        return SimpleAck{request.invokeId, kServiceSubscribeCov};
    }
    if (!request.confirmed) return Reject{request.invokeId, kRejectMissingRequiredParameter};
    // Confirmed notifications are not sent: a subscription asks for them is refused, as for an object without COV.
    if (*request.confirmed || !isPoint(object->id()))
        return Error{request.invokeId, kServiceSubscribeCov, kErrorClassServices, kErrorCovSubscriptionFailed};
    auto found = std::find_if(m_subscriptions.begin(), m_subscriptions.end(), same);
    if (found == m_subscriptions.end()) {
        if (m_subscriptions.size() == kMaxSubscriptions)
            return Error{request.invokeId, kServiceSubscribeCov, kErrorClassResources, kErrorNoSpaceToAddListElement};
        found = m_subscriptions.insert(m_subscriptions.end(), Subscription{from, request.processId, object->id()});
    }
    found->ends = request.lifetime.value_or(0) == 0
                      ? std::nullopt
                      : std::optional(Clock::now() + std::chrono::seconds(*request.lifetime));
    found->sent.clear();  // a notification follows every subscription and renewal
    return SimpleAck{request.invokeId, kServiceSubscribeCov};
}

Message SimulatedDevice::write(const WriteProperty& request) {
    const auto refuse = [&](std::uint32_t errorClass, std::uint32_t code) -> Message {
        return Error{request.invokeId, kServiceWriteProperty, errorClass, code};
    };
    const BacnetObject* object = m_objects->find(request.object);
    if (!object) return refuse(kErrorClassObject, kErrorUnknownObject);
    if (!object->find(request.property)) return refuse(kErrorClassProperty, kErrorUnknownProperty);
    if (object->id().type != kBinaryOutput || request.property != kPresentValue)
        return refuse(kErrorClassProperty, kErrorWriteAccessDenied);
    if (request.arrayIndex) return refuse(kErrorClassProperty, kErrorPropertyIsNotAnArray);
    std::optional<Primitive> value;
    try {
        Reader in(request.value);
        value = readPrimitive(in);
        if (!in.atEnd()) value.reset();
    } catch (const Malformed&) {}
    const auto* state = value ? std::get_if<Enumerated>(&*value) : nullptr;
    if (!value || (!state && !std::holds_alternative<Null>(*value)))
        return refuse(kErrorClassProperty, kErrorInvalidDataType);
    if (state && state->value > 1) return refuse(kErrorClassProperty, kErrorValueOutOfRange);
    // Without a priority, the lowest (16).
    m_points->command(static_cast<int>(object->id().instance), request.priority.value_or(16),
                      state ? std::optional(state->value == 1) : std::nullopt);
    return SimpleAck{request.invokeId, kServiceWriteProperty};
}

std::vector<std::uint8_t> SimulatedDevice::covValues(ObjectId object) const {
    Writer out;
    for (std::uint32_t property : {kPresentValue, kStatusFlags}) {
        out.unsignedValue(0, true, property);
        out.byte(0x2E);
        const auto bytes = std::get<std::vector<std::uint8_t>>(m_objects->read(object, property, std::nullopt));
        out.m_bytes.insert(out.m_bytes.end(), bytes.begin(), bytes.end());
        out.byte(0x2F);
    }
    return std::move(out.m_bytes);
}

std::vector<std::pair<Endpoint, CovNotification>> SimulatedDevice::takeNotifications() {
    const auto now = Clock::now();
    std::erase_if(m_subscriptions, [&](const Subscription& s) { return s.ends && *s.ends <= now; });
    std::vector<std::pair<Endpoint, CovNotification>> due;
    for (Subscription& subscription : m_subscriptions) {
        std::vector<std::uint8_t> values = covValues(subscription.object);
        if (values == subscription.sent) continue;
        const bool analogue = subscription.object.type == kAnalogInput;
        const int channel = static_cast<int>(subscription.object.instance);
        if (analogue && !subscription.sent.empty()) {
            // Only a change of at least the cov-increment (or of the flags, which follow the value) is told.
            const float increment = m_covIncrement[channel - 1];
            const float moved = std::fabs(m_points->analogue(channel) - subscription.sentAnalogue);
            const bool flagsSame = std::equal(values.end() - 6, values.end(), subscription.sent.end() - 6);
            if (flagsSame && std::isfinite(increment) && increment > 0 && moved < increment) continue;
        }
        if (analogue) subscription.sentAnalogue = m_points->analogue(channel);
        subscription.sent = values;
        const std::uint32_t remaining =
            subscription.ends
                ? static_cast<std::uint32_t>(std::chrono::ceil<std::chrono::seconds>(*subscription.ends - now).count())
                : 0;
        due.emplace_back(subscription.subscriber, CovNotification{subscription.processId,
                                                                  {kDeviceObjectType, m_instance},
                                                                  subscription.object,
                                                                  remaining,
                                                                  std::move(values)});
    }
    return due;
}

std::optional<Message> SimulatedDevice::answer(const Message& request, const Endpoint& from) {
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
        if (m_ignoreReadMultiple) return std::nullopt;
        if (m_refuseReadMultiple) return Reject{readMultiple->invokeId, kRejectUnrecognizedService};
        reply = ReadPropertyMultipleAck{readMultiple->invokeId, m_objects->readMultiple(readMultiple->objects)};
        maxApdu = readMultiple->maxApdu;
    } else if (const auto* subscription = std::get_if<SubscribeCov>(&request)) {
        return subscribe(*subscription, from);
    } else if (const auto* writing = std::get_if<WriteProperty>(&request)) {
        return write(*writing);
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
    const std::uint8_t invokeId = std::visit(
        [](const auto& ack) -> std::uint8_t {
            if constexpr (requires { ack.invokeId; })
                return ack.invokeId;
            else
                return 0;
        },
        reply);
    return Abort{invokeId, kAbortSegmentationNotSupported, true};
}

std::optional<Message> answer(const core::ConfigurationImage& image, const DeviceIdentity& identity,
                              const Message& request) {
    return SimulatedDevice(image, identity).answer(request);
}

core::Result<std::unique_ptr<SimulatedResponder>> SimulatedResponder::open(const core::ConfigurationImage& image,
                                                                           DeviceIdentity identity, const Endpoint& at,
                                                                           std::string& note) {
    std::unique_ptr<SimulatedResponder> responder(new SimulatedResponder(image, identity));
    auto unicast = UdpSocket::open(at, true);
    if (!unicast) return core::Unexpected(unicast.error());
    responder->m_unicast = std::move(*unicast);
    auto wake = UdpSocket::open(Endpoint{{127, 0, 0, 1}, 0}, false);
    if (!wake) return core::Unexpected(wake.error());
    responder->m_wake = std::move(*wake);
    const std::uint16_t port = responder->m_unicast->localEndpoint().port;
    if (auto broadcasts = UdpSocket::open(Endpoint{{0, 0, 0, 0}, port}, true))
        responder->m_broadcasts = std::move(*broadcasts);
    else
        note = "Broadcasts to port " + std::to_string(port) + " are not heard (" + broadcasts.error() + ").";
    return responder;
}

void SimulatedResponder::serve(const std::atomic<bool>& stop, std::chrono::steady_clock::time_point until) {
    std::vector<UdpSocket*> sockets{m_unicast.get()};
    if (m_broadcasts) sockets.push_back(m_broadcasts.get());
    while (!stop && std::chrono::steady_clock::now() < until) {
        const auto slice =
            std::min(std::chrono::milliseconds(100),
                     std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now()));
        const int ready = UdpSocket::waitReadable(sockets, slice);
        applyChanges();
        if (ready >= 0) {
            while (auto received = sockets[static_cast<std::size_t>(ready)]->receive()) {
                applyChanges();  // a change made before a request arrived is seen by it
                const auto decoded = decode(received->bytes);
                if (!decoded) continue;
                auto reply = m_device.answer(decoded->message, received->from);
                if (reply) (void)m_unicast->sendTo(encode(*reply, false), received->from);
            }
        }
        sendNotifications();
    }
}

void SimulatedResponder::applyChanges() {
    std::lock_guard lock(m_changesMutex);
    for (const auto& edit : m_changes) edit(m_device.points());
    m_changes.clear();
}

void SimulatedResponder::sendNotifications() {
    // A notification lost is as a datagram lost on the way.
    for (const auto& [subscriber, notification] : m_device.takeNotifications())
        (void)m_unicast->sendTo(encode(notification, false), subscriber);
}

void SimulatedResponder::send(const Message& message, const Endpoint& to) {
    (void)m_unicast->sendTo(encode(message, false), to);
}

void SimulatedResponder::change(std::function<void(SimulatedPoints&)> edit) {
    std::lock_guard lock(m_changesMutex);
    m_changes.push_back(std::move(edit));
    Endpoint self = m_unicast->localEndpoint();
    if (self.address == std::array<std::uint8_t, 4>{0, 0, 0, 0}) self.address = {127, 0, 0, 1};
    (void)m_wake->sendTo({}, self);
}

}  // namespace vaskiro::bacnet
