#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace vaskiro::bacnet {

inline constexpr std::uint32_t kMaxInstance = 4194303;  // 22 bits; 4194303 itself means "any"
inline constexpr std::uint16_t kDeviceObjectType = 8;

// Device properties that the network check reads.
enum Property : std::uint32_t {
    kApplicationSoftwareVersion = 12,
    kDescription = 28,
    kFirmwareRevision = 44,
    kLocation = 58,
    kModelName = 70,
    kObjectName = 77,
    kVendorIdentifier = 120,
};

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
    friend bool operator==(const ReadProperty&, const ReadProperty&) = default;
};

// A value as read: a character string (as UTF-8), an unsigned or enumerated
// number, or something of another type the check does not use (its tag).
struct OtherValue {
    std::uint8_t tag = 0;
    friend bool operator==(const OtherValue&, const OtherValue&) = default;
};
using Value = std::variant<std::string, std::uint32_t, OtherValue>;

struct ReadPropertyAck {
    std::uint8_t invokeId = 0;
    ObjectId object;
    std::uint32_t property = kObjectName;
    Value value;
    friend bool operator==(const ReadPropertyAck&, const ReadPropertyAck&) = default;
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

using Message = std::variant<WhoIs, IAm, ReadProperty, ReadPropertyAck, Error, Reject, Abort, OtherRequest>;

// Error classes and codes, reject and abort reasons that the simulated
// device sends.
inline constexpr std::uint32_t kErrorClassObject = 1;
inline constexpr std::uint32_t kErrorClassProperty = 2;
inline constexpr std::uint32_t kErrorUnknownObject = 31;
inline constexpr std::uint32_t kErrorUnknownProperty = 32;
inline constexpr std::uint8_t kRejectUnrecognizedService = 9;
inline constexpr std::uint8_t kAbortSegmentationNotSupported = 4;

}  // namespace vaskiro::bacnet
