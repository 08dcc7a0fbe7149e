#include "bacnet/apdu.h"
#include "bacnet/character_sets.h"

namespace vaskiro::bacnet {

namespace {

Value readPropertyValue(Reader& in) {
    Tag tag = readTag(in);
    std::optional<Value> value;
    if (!tag.context && !tag.opening) {
        switch (tag.number) {
        case kTagCharacterString: value = readCharacterString(in, tag.length); break;
        case kTagUnsigned:
        case kTagEnumerated: value = readUnsigned(in, tag.length); break;
        default: break;
        }
    }
    if (!value) {
        skipValue(in, tag);
        value = OtherValue{static_cast<std::uint8_t>(tag.number)};
    }
    // A list of values is more than the check reads: skip the rest of it.
    while (in.peek() != 0x3F) {
        skipValue(in, readTag(in));
        value = OtherValue{static_cast<std::uint8_t>(tag.number)};
    }
    return *value;
}

}  // namespace

Message decodeApdu(Reader& in) {
    const std::uint8_t first = in.byte();
    switch (first >> 4) {
    case kConfirmedRequest: {
        if (first & kSegmentedMessage) throw Malformed{"segmented request"};
        in.byte();  // maximum segments and APDU size the client accepts
        const std::uint8_t invokeId = in.byte();
        const std::uint8_t service = in.byte();
        if (service != kServiceReadProperty) {
            in.take(in.left());
            return OtherRequest{invokeId, service};
        }
        ReadProperty request{invokeId, expectObjectId(in, 0, true), expectUnsigned(in, 1, true, "a property")};
        if (!in.atEnd()) throw Malformed{"ReadProperty of an array element"};
        return request;
    }
    case kUnconfirmedRequest: {
        const std::uint8_t service = in.byte();
        if (service == kServiceWhoIs) {
            WhoIs whoIs;
            if (in.atEnd()) return whoIs;
            whoIs.low = expectUnsigned(in, 0, true, "a low limit");
            whoIs.high = expectUnsigned(in, 1, true, "a high limit");
            if (*whoIs.low > kMaxInstance || *whoIs.high > kMaxInstance) throw Malformed{"limit out of range"};
            return whoIs;
        }
        if (service == kServiceIAm) {
            IAm iAm;
            ObjectId device = expectObjectId(in, kTagObjectId, false);
            if (device.type != kDeviceObjectType) throw Malformed{"I-Am for an object that is not a device"};
            iAm.instance = device.instance;
            iAm.maxApdu = expectUnsigned(in, kTagUnsigned, false, "the maximum APDU length");
            iAm.segmentation = expectUnsigned(in, kTagEnumerated, false, "the segmentation");
            iAm.vendorId = expectUnsigned(in, kTagUnsigned, false, "a vendor identifier");
            return iAm;
        }
        throw Malformed{"unconfirmed service " + std::to_string(service) + " is not used"};
    }
    case kComplexAck: {
        if (first & kSegmentedMessage) throw Malformed{"segmented reply"};
        ReadPropertyAck ack;
        ack.invokeId = in.byte();
        if (in.byte() != kServiceReadProperty) throw Malformed{"acknowledgement of another service"};
        ack.object = expectObjectId(in, 0, true);
        ack.property = expectUnsigned(in, 1, true, "a property");
        if (optionalTagFollows(in, 2)) expectUnsigned(in, 2, true, "an array index");
        if (in.byte() != 0x3E) throw Malformed{"expected the value's opening tag"};
        ack.value = readPropertyValue(in);
        in.byte();  // the closing tag, seen by readPropertyValue
        return ack;
    }
    case kErrorPdu: {
        Error error;
        error.invokeId = in.byte();
        error.service = in.byte();
        error.errorClass = expectUnsigned(in, kTagEnumerated, false, "an error class");
        error.errorCode = expectUnsigned(in, kTagEnumerated, false, "an error code");
        return error;
    }
    case kRejectPdu: {
        Reject reject;
        reject.invokeId = in.byte();
        reject.reason = in.byte();
        return reject;
    }
    case kAbortPdu: {
        Abort abort;
        abort.fromServer = (first & 0x01) != 0;
        abort.invokeId = in.byte();
        abort.reason = in.byte();
        return abort;
    }
    default:
        throw Malformed{"APDU type " + std::to_string(first >> 4) + " is not used"};
    }
}

}  // namespace vaskiro::bacnet
