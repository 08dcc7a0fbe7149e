// BACnet/IP datagrams as they may arrive from any device or client on the
// network: decoding never reads outside the datagram, and whatever decodes
// comes back the same after encoding again (values of types the check does
// not read are only skipped, and a request's reject reason is not encoded,
// so those are left out). The simulated device answers every confirmed
// request with a reply that names its invoke ID, fits the client's largest
// APDU, and decodes; its replies other than property values decode to
// themselves, as do the COV notifications it sends. The values of a
// ReadPropertyMultiple acknowledgement and of a COV notification are read
// without reading outside them.
#include <span>

#include "bacnet/codec.h"
#include "bacnet/point_values.h"
#include "bacnet/simulated/simulated_responder.h"
#include "fuzz_check.h"

using namespace vaskiro::bacnet;

namespace {

bool encodesAgain(const Message& message) {
    const auto* ack = std::get_if<ReadPropertyAck>(&message);
    const auto* real = ack ? std::get_if<float>(&ack->value) : nullptr;
    return !std::holds_alternative<InvalidRequest>(message) &&
           (!ack || (!std::holds_alternative<OtherValue>(ack->value) &&
                     !std::holds_alternative<UnreadableText>(ack->value) && !(real && *real != *real)));
}

std::optional<std::uint8_t> confirmedInvokeId(const Message& message) {
    return std::visit(
        [](const auto& m) -> std::optional<std::uint8_t> {
            using T = std::decay_t<decltype(m)>;
            if constexpr (std::is_same_v<T, ReadProperty> || std::is_same_v<T, ReadPropertyMultiple> ||
                          std::is_same_v<T, OtherRequest> || std::is_same_v<T, SegmentedRequest> ||
                          std::is_same_v<T, InvalidRequest> || std::is_same_v<T, SubscribeCov> ||
                          std::is_same_v<T, WriteProperty>)
                return m.invokeId;
            else
                return std::nullopt;
        },
        message);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto decoded = decode(std::span(data, size));
    if (!decoded) return 0;
    const Message& message = decoded->message;
    if (encodesAgain(message)) {
        const auto again = decode(encode(message, decoded->broadcast));
        FUZZ_CHECK(again && again->message == message);
    }
    if (const auto* ack = std::get_if<ReadPropertyMultipleAck>(&message)) readAccessResults(ack->results);
    if (const auto* notification = std::get_if<CovNotification>(&message))
        propertyValues(notification->values, notification->object);
    static SimulatedDevice device = [] {
        vaskiro::core::ConfigurationImage image;
        image.SetDefaults();
        return SimulatedDevice(image, {});
    }();
    const auto reply = device.answer(message, Endpoint{{127, 0, 0, 1}, 47808});
    for (const auto& [to, notification] : device.takeNotifications()) {
        const auto told = decode(encode(notification, false));
        FUZZ_CHECK(told && told->message == Message(notification));
        FUZZ_CHECK(propertyValues(notification.values, notification.object).has_value());
    }
    const auto invokeId = confirmedInvokeId(message);
    FUZZ_CHECK(!invokeId || reply);
    if (!reply) return 0;
    const auto bytes = encode(*reply, false);
    const auto replied = decode(bytes);
    FUZZ_CHECK(replied);
    const auto* ack = std::get_if<ReadPropertyAck>(&*reply);
    FUZZ_CHECK((ack && std::holds_alternative<EncodedValue>(ack->value)) || replied->message == *reply);
    if (invokeId) {
        FUZZ_CHECK(confirmedInvokeId(*reply) == std::nullopt && bytes[7] == *invokeId);
        const auto* read = std::get_if<ReadProperty>(&message);
        const auto* multiple = std::get_if<ReadPropertyMultiple>(&message);
        FUZZ_CHECK(bytes.size() - 6 <= (read ? read->maxApdu : multiple ? multiple->maxApdu : 1476u));
    }
    return 0;
}
