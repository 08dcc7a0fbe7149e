#include "bacnet/apdu.h"
#include "bacnet/character_sets.h"
#include "bacnet/property_value.h"

namespace vaskiro::bacnet {

namespace {

constexpr std::uint16_t kApduSizes[] = {50, 128, 206, 480, 1024, 1476};

std::uint16_t maxApduOf(std::uint8_t segmentsAndSize) {
    const std::size_t code = segmentsAndSize & 0x0F;
    return code < std::size(kApduSizes) ? kApduSizes[code] : 1476;
}

// The octets between context tags `number` opening and closing, which it consumes.
std::vector<std::uint8_t> enclosed(Reader& in, std::uint8_t number) {
    expectOpening(in, number);
    const Reader start = in;
    const std::size_t before = in.left();
    while (!closingFollows(in, number)) skipValue(in, readTag(in));
    Reader copy = start;
    const auto bytes = copy.take(before - in.left());
    in.byte();
    return {bytes.begin(), bytes.end()};
}

SubscribeCov subscribeCov(Reader& in, std::uint8_t invokeId) {
    SubscribeCov request{invokeId, expectUnsigned(in, 0, true, "a process identifier"), expectObjectId(in, 1, true)};
    if (optionalTagFollows(in, 2)) {
        const Tag tag = expectTag(in, 2, true, "issue-confirmed-notifications");
        if (tag.length != 1) throw Malformed{"a Boolean of " + std::to_string(tag.length) + " octets"};
        const std::uint8_t value = in.byte();
        if (value > 1) throw Malformed{"a Boolean of value " + std::to_string(value)};
        request.confirmed = value == 1;
    }
    request.lifetime = optionalUnsigned(in, 3, "a lifetime");
    return request;
}

WriteProperty writeProperty(Reader& in, std::uint8_t invokeId) {
    WriteProperty request{invokeId, expectObjectId(in, 0, true), expectUnsigned(in, 1, true, "a property")};
    request.arrayIndex = optionalUnsigned(in, 2, "an array index");
    request.value = enclosed(in, 3);
    if (request.value.empty()) throw Malformed{"a write without a value", kRejectMissingRequiredParameter};
    if (auto priority = optionalUnsigned(in, 4, "a priority")) {
        if (*priority < 1 || *priority > 16) throw Malformed{"priority " + std::to_string(*priority)};
        request.priority = static_cast<std::uint8_t>(*priority);
    }
    return request;
}

ReadPropertyMultiple readAccessList(Reader& in) {
    ReadPropertyMultiple request;
    do {
        ReadAccess access{expectObjectId(in, 0, true), {}};
        expectOpening(in, 1);
        do {
            PropertyReference reference;
            reference.property = expectUnsigned(in, 0, true, "a property");
            reference.arrayIndex = optionalUnsigned(in, 1, "an array index");
            access.properties.push_back(reference);
        } while (!closingFollows(in, 1));
        in.byte();
        request.objects.push_back(std::move(access));
    } while (!in.atEnd());
    return request;
}

// The parameters of a confirmed request, up to the end of the APDU.
Message readConfirmedParameters(Reader& in, std::uint8_t invokeId, std::uint8_t service, std::uint16_t maxApdu) {
    Message request;
    if (service == kServiceReadProperty) {
        ReadProperty read{invokeId, expectObjectId(in, 0, true), expectUnsigned(in, 1, true, "a property")};
        read.arrayIndex = optionalUnsigned(in, 2, "an array index");
        read.maxApdu = maxApdu;
        request = read;
    } else if (service == kServiceSubscribeCov) {
        request = subscribeCov(in, invokeId);
    } else if (service == kServiceWriteProperty) {
        request = writeProperty(in, invokeId);
    } else if (service == kServiceReadPropertyMultiple) {
        ReadPropertyMultiple read = readAccessList(in);
        read.invokeId = invokeId;
        read.maxApdu = maxApdu;
        request = std::move(read);
    } else {
        in.take(in.left());
        return OtherRequest{invokeId, service};
    }
    if (!in.atEnd()) throw Malformed{"bytes after the request's parameters", kRejectTooManyArguments};
    return request;
}

Value readPropertyValue(Reader& in) {
    if (in.peek() == 0x3F) return OtherValue{0};  // an empty list, such as a device-address-binding
    Tag tag = readTag(in);
    std::optional<Value> value;
    if (!tag.context && !tag.opening) {
        switch (tag.number) {
        case kTagCharacterString: value = readCharacterString(in, tag.length); break;
        case kTagUnsigned:
        case kTagEnumerated: value = readUnsigned(in, tag.length); break;
        case kTagReal: value = std::get<float>(readPrimitive(in, tag)); break;
        case kTagBitString: value = std::get<BitString>(readPrimitive(in, tag)); break;
        case kTagObjectId: value = std::get<ObjectId>(readPrimitive(in, tag)); break;
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
        const std::uint16_t maxApdu = maxApduOf(in.byte());
        const std::uint8_t invokeId = in.byte();
        if (first & kSegmentedMessage) {
            in.take(in.left());
            return SegmentedRequest{invokeId};
        }
        try {
            return readConfirmedParameters(in, invokeId, in.byte(), maxApdu);
        } catch (const Malformed& fault) {
            in.take(in.left());
            return InvalidRequest{invokeId, fault.rejectReason};
        }
    }
    case kUnconfirmedRequest: {
        const std::uint8_t service = in.byte();
        if (service == kServiceWhoIs) {
            WhoIs whoIs;
            if (in.atEnd()) return whoIs;
            whoIs.low = expectUnsigned(in, 0, true, "a low limit");
            whoIs.high = expectUnsigned(in, 1, true, "a high limit");
            if (*whoIs.low > core::kAnyDeviceInstance || *whoIs.high > core::kAnyDeviceInstance)
                throw Malformed{"limit out of range"};
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
        if (service == kServiceUnconfirmedCovNotification) {
            CovNotification notification;
            notification.processId = expectUnsigned(in, 0, true, "a process identifier");
            notification.device = expectObjectId(in, 1, true);
            notification.object = expectObjectId(in, 2, true);
            notification.timeRemaining = expectUnsigned(in, 3, true, "the time remaining");
            notification.values = enclosed(in, 4);
            return notification;
        }
        throw Malformed{"unconfirmed service " + std::to_string(service) + " is not used"};
    }
    case kSimpleAck: {
        SimpleAck ack;
        ack.invokeId = in.byte();
        ack.service = in.byte();
        return ack;
    }
    case kComplexAck: {
        if (first & kSegmentedMessage) throw Malformed{"segmented reply"};
        ReadPropertyAck ack;
        ack.invokeId = in.byte();
        const std::uint8_t service = in.byte();
        if (service == kServiceReadPropertyMultiple) {
            const auto results = in.take(in.left());
            Reader check(results);
            while (!check.atEnd()) skipValue(check, readTag(check));
            return ReadPropertyMultipleAck{ack.invokeId, {results.begin(), results.end()}};
        }
        if (service != kServiceReadProperty) throw Malformed{"acknowledgement of another service"};
        ack.object = expectObjectId(in, 0, true);
        ack.property = expectUnsigned(in, 1, true, "a property");
        ack.arrayIndex = optionalUnsigned(in, 2, "an array index");
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
    default: throw Malformed{"APDU type " + std::to_string(first >> 4) + " is not used"};
    }
}

}  // namespace vaskiro::bacnet
