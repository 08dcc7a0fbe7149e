// BACnet/IP datagrams as they may arrive from any device on the network:
// decoding never reads outside the datagram, and whatever decodes comes back
// the same after encoding again (values of types the check does not read
// are only skipped, so those are left out). The simulated device's answer to
// any request encodes and decodes to itself too.
#include <cstddef>
#include <cstdint>
#include <span>

#include "bacnet/codec.h"
#include "bacnet/simulated_responder.h"
#include "fuzz_check.h"

using namespace vaskiro::bacnet;

namespace {

bool encodesAgain(const Message& message) {
    const auto* ack = std::get_if<ReadPropertyAck>(&message);
    return !ack || !std::holds_alternative<OtherValue>(ack->value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Decoded decoded = decode(std::span(data, size));
    FUZZ_CHECK(decoded.datagram.has_value() == decoded.error.empty());
    if (!decoded.datagram) return 0;
    const Message& message = decoded.datagram->message;
    if (encodesAgain(message)) {
        const Decoded again = decode(encode(message, decoded.datagram->broadcast));
        FUZZ_CHECK(again.datagram && again.datagram->message == message);
    }
    vaskiro::config::ConfigurationImage image;
    image.SetDefaults();
    if (auto reply = answer(image, {}, message)) {
        const Decoded replied = decode(encode(*reply, false));
        FUZZ_CHECK(replied.datagram && replied.datagram->message == *reply);
    }
    return 0;
}
