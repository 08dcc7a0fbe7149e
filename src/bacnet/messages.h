#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/bacnet_numbers.h"

namespace vaskiro::bacnet {

// An object identifier keeps its instance in the low 22 bits.
inline constexpr std::uint32_t kInstanceMask = 0x3FFFFF;
inline constexpr std::uint16_t kDeviceObjectType = 8;

// BACnetObjectType values of the objects the simulated device presents.
enum ObjectType : std::uint16_t {
    kAnalogInput = 0,
    kBinaryInput = 3,
    kBinaryOutput = 4,
};

// BACnetPropertyIdentifier values that the check reads or the simulated
// device presents.
enum Property : std::uint32_t {
    kAll = 8,
    kApduTimeout = 11,
    kApplicationSoftwareVersion = 12,
    kCovIncrement = 22,
    kDescription = core::kDescriptionProperty,
    kDeviceAddressBinding = 30,
    kEventState = 36,
    kFirmwareRevision = 44,
    kLocation = core::kLocationProperty,
    kMaxApduLengthAccepted = 62,
    kModelName = 70,
    kNumberOfApduRetries = 73,
    kObjectIdentifier = 75,
    kObjectList = 76,
    kObjectName = core::kObjectNameProperty,
    kObjectTypeProperty = 79,
    kOptional = 80,
    kOutOfService = 81,
    kPolarity = 84,
    kPresentValue = 85,
    kPriorityArray = 87,
    kProtocolObjectTypesSupported = 96,
    kProtocolServicesSupported = 97,
    kProtocolVersion = 98,
    kRelinquishDefault = 104,
    kRequired = 105,
    kSegmentationSupported = 107,
    kStatusFlags = 111,
    kSystemStatus = 112,
    kUnits = 117,
    kVendorIdentifier = 120,
    kVendorName = 121,
    kProtocolRevision = 139,
    kDatabaseRevision = 155,
    kPropertyList = 371,
};

// StatusFlags bits (in-alarm, fault, overridden, out-of-service), bit 0 first.
inline constexpr std::size_t kStatusFlagCount = 4;

struct ObjectId {
    std::uint16_t type = kDeviceObjectType;  // 10 bits
    std::uint32_t instance = 0;              // 22 bits
    friend bool operator==(const ObjectId&, const ObjectId&) = default;
};

struct WhoIs {
    // Both limits or neither: devices whose instance lies in [low, high].
    std::optional<std::uint32_t> low, high;
    friend bool operator==(const WhoIs&, const WhoIs&) = default;
};

struct IAm {
    std::uint32_t instance = 0;
    std::uint32_t maxApdu = 1476;
    std::uint32_t segmentation = 3;  // no-segmentation
    std::uint32_t vendorId = 0;
    friend bool operator==(const IAm&, const IAm&) = default;
};

struct ReadProperty {
    std::uint8_t invokeId = 0;
    ObjectId object;
    std::uint32_t property = kObjectName;
    std::optional<std::uint32_t> arrayIndex{};  // 0: the array's length
    std::uint16_t maxApdu = 1476;               // the largest reply the client takes
    friend bool operator==(const ReadProperty&, const ReadProperty&) = default;
};

// ReadPropertyMultiple: for each object, the properties wanted (or kAll,
// kRequired, kOptional).
struct PropertyReference {
    std::uint32_t property = kObjectName;
    std::optional<std::uint32_t> arrayIndex{};
    friend bool operator==(const PropertyReference&, const PropertyReference&) = default;
};
struct ReadAccess {
    ObjectId object;
    std::vector<PropertyReference> properties;
    friend bool operator==(const ReadAccess&, const ReadAccess&) = default;
};
struct ReadPropertyMultiple {
    std::uint8_t invokeId = 0;
    std::vector<ReadAccess> objects;
    std::uint16_t maxApdu = 1476;
    friend bool operator==(const ReadPropertyMultiple&, const ReadPropertyMultiple&) = default;
};

// A bit string, bit 0 first (status-flags, the services supported).
struct BitString {
    std::vector<bool> bits;
    friend bool operator==(const BitString&, const BitString&) = default;
};

// A value as read: a character string (as UTF-8), an unsigned or enumerated
// number, a real, a bit string, an object identifier, or something of
// another type (or a list) that is not read (its tag).
struct OtherValue {
    std::uint8_t tag = 0;
    friend bool operator==(const OtherValue&, const OtherValue&) = default;
};
// A character string this tool cannot turn into text; `why` completes "the
// device sent object-name ..." (for example "in character set 2").
struct UnreadableText {
    std::string why;
    friend bool operator==(const UnreadableText&, const UnreadableText&) = default;
};
// Application-tagged octets as a device encodes them, for values of any
// type (lists and arrays too); only sent, never the result of decoding.
struct EncodedValue {
    std::vector<std::uint8_t> bytes;
    friend bool operator==(const EncodedValue&, const EncodedValue&) = default;
};
using Value =
    std::variant<std::string, std::uint32_t, OtherValue, UnreadableText, EncodedValue, float, BitString, ObjectId>;

struct ReadPropertyAck {
    std::uint8_t invokeId = 0;
    ObjectId object;
    std::uint32_t property = kObjectName;
    Value value;
    std::optional<std::uint32_t> arrayIndex{};
    friend bool operator==(const ReadPropertyAck&, const ReadPropertyAck&) = default;
};

// The list of read access results, encoded by the device that answers.
struct ReadPropertyMultipleAck {
    std::uint8_t invokeId = 0;
    std::vector<std::uint8_t> results;
    friend bool operator==(const ReadPropertyMultipleAck&, const ReadPropertyMultipleAck&) = default;
};

struct Error {
    std::uint8_t invokeId = 0;
    std::uint8_t service = 12;
    std::uint32_t errorClass = 0;
    std::uint32_t errorCode = 0;
    friend bool operator==(const Error&, const Error&) = default;
};

struct Reject {
    std::uint8_t invokeId = 0;
    std::uint8_t reason = 0;
    friend bool operator==(const Reject&, const Reject&) = default;
};

struct Abort {
    std::uint8_t invokeId = 0;
    std::uint8_t reason = 0;
    bool fromServer = true;
    friend bool operator==(const Abort&, const Abort&) = default;
};

// A confirmed request for a service other than ReadProperty, kept only so
// that a device can reject it (its parameters are not decoded).
struct OtherRequest {
    std::uint8_t invokeId = 0;
    std::uint8_t service = 0;
    friend bool operator==(const OtherRequest&, const OtherRequest&) = default;
};

// The first segment of a segmented confirmed request: only its invoke ID
// is kept, so that a device without segmentation can abort it.
struct SegmentedRequest {
    std::uint8_t invokeId = 0;
    friend bool operator==(const SegmentedRequest&, const SegmentedRequest&) = default;
};

// A confirmed request whose header is whole but whose parameters are not
// (cut short, a wrong tag, bytes left over): the reason a device rejects it.
struct InvalidRequest {
    std::uint8_t invokeId = 0;
    std::uint8_t rejectReason = 0;
    friend bool operator==(const InvalidRequest&, const InvalidRequest&) = default;
};

// SubscribeCOV: notifications of `object`'s changes to `processId` for
// `lifetime` seconds (0: without end); with neither optional parameter, the
// cancellation of that subscription.
struct SubscribeCov {
    std::uint8_t invokeId = 0;
    std::uint32_t processId = 0;
    ObjectId object;
    std::optional<bool> confirmed{};  // issue-confirmed-notifications
    std::optional<std::uint32_t> lifetime{};
    friend bool operator==(const SubscribeCov&, const SubscribeCov&) = default;
};

// WriteProperty: `value` as application-tagged octets (a Null releases the
// command at `priority`, 1-16).
struct WriteProperty {
    std::uint8_t invokeId = 0;
    ObjectId object;
    std::uint32_t property = kPresentValue;
    std::optional<std::uint32_t> arrayIndex{};
    std::vector<std::uint8_t> value{};
    std::optional<std::uint8_t> priority{};
    friend bool operator==(const WriteProperty&, const WriteProperty&) = default;
};

// The acknowledgement of a confirmed request that returns nothing.
struct SimpleAck {
    std::uint8_t invokeId = 0;
    std::uint8_t service = 0;
    friend bool operator==(const SimpleAck&, const SimpleAck&) = default;
};

// UnconfirmedCOVNotification: the list of values (BACnetPropertyValue, as
// the device encoded them) of `object` at `device`, for a subscriber.
struct CovNotification {
    std::uint32_t processId = 0;
    ObjectId device;
    ObjectId object;
    std::uint32_t timeRemaining = 0;  // seconds left of the subscription
    std::vector<std::uint8_t> values{};
    friend bool operator==(const CovNotification&, const CovNotification&) = default;
};

using Message = std::variant<WhoIs, IAm, ReadProperty, ReadPropertyAck, Error, Reject, Abort, OtherRequest,
                             ReadPropertyMultiple, ReadPropertyMultipleAck, SegmentedRequest, InvalidRequest,
                             SubscribeCov, WriteProperty, SimpleAck, CovNotification>;

inline constexpr std::uint8_t kServiceSubscribeCov = 5;
inline constexpr std::uint8_t kServiceReadProperty = 12;
inline constexpr std::uint8_t kServiceReadPropertyMultiple = 14;
inline constexpr std::uint8_t kServiceWriteProperty = 15;
inline constexpr std::uint8_t kServiceUnconfirmedCovNotification = 2;

// Error classes and codes, reject and abort reasons that the simulated
// device sends.
inline constexpr std::uint32_t kErrorClassObject = 1;
inline constexpr std::uint32_t kErrorClassProperty = 2;
inline constexpr std::uint32_t kErrorUnknownObject = 31;
inline constexpr std::uint32_t kErrorUnknownProperty = 32;
inline constexpr std::uint32_t kErrorInvalidArrayIndex = 42;
inline constexpr std::uint32_t kErrorPropertyIsNotAnArray = 50;
inline constexpr std::uint32_t kErrorClassServices = 5;
inline constexpr std::uint32_t kErrorClassResources = 3;
inline constexpr std::uint32_t kErrorWriteAccessDenied = 40;
inline constexpr std::uint32_t kErrorInvalidDataType = 9;
inline constexpr std::uint32_t kErrorValueOutOfRange = 37;
inline constexpr std::uint32_t kErrorCovSubscriptionFailed = 43;
inline constexpr std::uint32_t kErrorNoSpaceToAddListElement = 19;
inline constexpr std::uint8_t kRejectInvalidTag = 4;
inline constexpr std::uint8_t kRejectMissingRequiredParameter = 5;
inline constexpr std::uint8_t kRejectTooManyArguments = 7;
inline constexpr std::uint8_t kRejectUnrecognizedService = 9;
inline constexpr std::uint8_t kAbortSegmentationNotSupported = 4;

}  // namespace vaskiro::bacnet
