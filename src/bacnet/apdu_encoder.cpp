#include "bacnet/apdu.h"
#include "bacnet/character_sets.h"
#include "bacnet/property_value.h"

namespace vaskiro::bacnet {

namespace {

class ApduWriter {
public:
    explicit ApduWriter(Writer& out) : m_out(out) {}

    void operator()(const WhoIs& whoIs) {
        m_out.byte(kUnconfirmedRequest << 4);
        m_out.byte(kServiceWhoIs);
        if (!whoIs.low || !whoIs.high) return;
        m_out.unsignedValue(0, true, *whoIs.low);
        m_out.unsignedValue(1, true, *whoIs.high);
    }
    void operator()(const IAm& iAm) {
        m_out.byte(kUnconfirmedRequest << 4);
        m_out.byte(kServiceIAm);
        m_out.objectId(kTagObjectId, false, {kDeviceObjectType, iAm.instance});
        m_out.unsignedValue(kTagUnsigned, false, iAm.maxApdu);
        m_out.unsignedValue(kTagEnumerated, false, iAm.segmentation);
        m_out.unsignedValue(kTagUnsigned, false, iAm.vendorId);
    }
    void operator()(const ReadProperty& request) {
        confirmedHeader(request.invokeId, kServiceReadProperty, request.maxApdu);
        m_out.objectId(0, true, request.object);
        m_out.unsignedValue(1, true, request.property);
        if (request.arrayIndex) m_out.unsignedValue(2, true, *request.arrayIndex);
    }
    void operator()(const ReadPropertyMultiple& request) {
        confirmedHeader(request.invokeId, kServiceReadPropertyMultiple, request.maxApdu);
        for (const ReadAccess& access : request.objects) {
            m_out.objectId(0, true, access.object);
            m_out.byte(0x1E);
            for (const PropertyReference& reference : access.properties) {
                m_out.unsignedValue(0, true, reference.property);
                if (reference.arrayIndex) m_out.unsignedValue(1, true, *reference.arrayIndex);
            }
            m_out.byte(0x1F);
        }
    }
    void operator()(const SubscribeCov& request) {
        confirmedHeader(request.invokeId, kServiceSubscribeCov, 1476);
        m_out.unsignedValue(0, true, request.processId);
        m_out.objectId(1, true, request.object);
        if (request.confirmed) {
            m_out.tag(2, true, 1);
            m_out.byte(*request.confirmed ? 1 : 0);
        }
        if (request.lifetime) m_out.unsignedValue(3, true, *request.lifetime);
    }
    void operator()(const WriteProperty& request) {
        confirmedHeader(request.invokeId, kServiceWriteProperty, 1476);
        m_out.objectId(0, true, request.object);
        m_out.unsignedValue(1, true, request.property);
        if (request.arrayIndex) m_out.unsignedValue(2, true, *request.arrayIndex);
        m_out.byte(0x3E);
        m_out.m_bytes.insert(m_out.m_bytes.end(), request.value.begin(), request.value.end());
        m_out.byte(0x3F);
        if (request.priority) m_out.unsignedValue(4, true, *request.priority);
    }
    void operator()(const SimpleAck& ack) {
        m_out.byte(kSimpleAck << 4);
        m_out.byte(ack.invokeId);
        m_out.byte(ack.service);
    }
    void operator()(const CovNotification& notification) {
        m_out.byte(kUnconfirmedRequest << 4);
        m_out.byte(kServiceUnconfirmedCovNotification);
        m_out.unsignedValue(0, true, notification.processId);
        m_out.objectId(1, true, notification.device);
        m_out.objectId(2, true, notification.object);
        m_out.unsignedValue(3, true, notification.timeRemaining);
        m_out.byte(0x4E);
        m_out.m_bytes.insert(m_out.m_bytes.end(), notification.values.begin(), notification.values.end());
        m_out.byte(0x4F);
    }
    void operator()(const OtherRequest& request) { confirmedHeader(request.invokeId, request.service, 1476); }
    void operator()(const SegmentedRequest& request) {
        // The first segment of a ReadProperty: sequence number 0, proposed window 1, no parameters.
        m_out.byte(kConfirmedRequest << 4 | kSegmentedMessage | 0x04);
        m_out.byte(kMaxApdu1476);
        m_out.byte(request.invokeId);
        m_out.byte(0);
        m_out.byte(1);
        m_out.byte(kServiceReadProperty);
    }
    // A ReadProperty without its parameters.
    void operator()(const InvalidRequest& request) { confirmedHeader(request.invokeId, kServiceReadProperty, 1476); }
    void operator()(const ReadPropertyAck& ack) {
        m_out.byte(kComplexAck << 4);
        m_out.byte(ack.invokeId);
        m_out.byte(kServiceReadProperty);
        m_out.objectId(0, true, ack.object);
        m_out.unsignedValue(1, true, ack.property);
        if (ack.arrayIndex) m_out.unsignedValue(2, true, *ack.arrayIndex);
        m_out.byte(0x3E);
        value(ack.value);
        m_out.byte(0x3F);
    }
    void operator()(const ReadPropertyMultipleAck& ack) {
        m_out.byte(kComplexAck << 4);
        m_out.byte(ack.invokeId);
        m_out.byte(kServiceReadPropertyMultiple);
        m_out.m_bytes.insert(m_out.m_bytes.end(), ack.results.begin(), ack.results.end());
    }
    void operator()(const Error& error) {
        m_out.byte(kErrorPdu << 4);
        m_out.byte(error.invokeId);
        m_out.byte(error.service);
        m_out.unsignedValue(kTagEnumerated, false, error.errorClass);
        m_out.unsignedValue(kTagEnumerated, false, error.errorCode);
    }
    void operator()(const Reject& reject) {
        m_out.byte(kRejectPdu << 4);
        m_out.byte(reject.invokeId);
        m_out.byte(reject.reason);
    }
    void operator()(const Abort& abort) {
        m_out.byte(static_cast<std::uint8_t>(kAbortPdu << 4 | (abort.fromServer ? 1 : 0)));
        m_out.byte(abort.invokeId);
        m_out.byte(abort.reason);
    }

private:
    void value(const Value& value) {
        if (const auto* text = std::get_if<std::string>(&value)) {
            writeCharacterString(m_out, *text);
        } else if (const auto* number = std::get_if<std::uint32_t>(&value)) {
            m_out.unsignedValue(kTagUnsigned, false, *number);
        } else if (const auto* encoded = std::get_if<EncodedValue>(&value)) {
            m_out.m_bytes.insert(m_out.m_bytes.end(), encoded->bytes.begin(), encoded->bytes.end());
        } else if (const auto* real = std::get_if<float>(&value)) {
            writePrimitive(m_out, *real);
        } else if (const auto* bits = std::get_if<BitString>(&value)) {
            writePrimitive(m_out, *bits);
        } else if (const auto* id = std::get_if<ObjectId>(&value)) {
            writePrimitive(m_out, *id);
        } else if (std::holds_alternative<UnreadableText>(value)) {
            m_out.tag(kTagCharacterString, false, 1);
            m_out.byte(1);  // a character set this tool does not read
        } else {
            m_out.tag(std::get<OtherValue>(value).tag, false, 0);
        }
    }
    void confirmedHeader(std::uint8_t invokeId, std::uint8_t service, std::uint16_t maxApdu) {
        constexpr std::uint16_t sizes[] = {50, 128, 206, 480, 1024};
        std::uint8_t code = 0;
        while (code < std::size(sizes) && sizes[code] < maxApdu) ++code;
        m_out.byte(kConfirmedRequest << 4);
        m_out.byte(code);
        m_out.byte(invokeId);
        m_out.byte(service);
    }

    Writer& m_out;
};

}  // namespace

void encodeApdu(const Message& message, Writer& out) { std::visit(ApduWriter(out), message); }

bool isConfirmedRequest(const Message& message) {
    return std::holds_alternative<ReadProperty>(message) || std::holds_alternative<OtherRequest>(message) ||
           std::holds_alternative<ReadPropertyMultiple>(message) || std::holds_alternative<SubscribeCov>(message) ||
           std::holds_alternative<WriteProperty>(message) || std::holds_alternative<SegmentedRequest>(message) ||
           std::holds_alternative<InvalidRequest>(message);
}

}  // namespace vaskiro::bacnet
