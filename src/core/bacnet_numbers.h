#pragma once

#include <chrono>
#include <cstdint>

namespace vaskiro::core {

// A BACnet object instance has 22 bits. Instances 0 to 4194302 name one
// device; 4194303 names none and stands for "any device" where a request
// allows it.
inline constexpr std::uint32_t kLargestDeviceInstance = 4194302;
inline constexpr std::uint32_t kAnyDeviceInstance = 4194303;

// BACnet/IP's own UDP port, 0xBAC0, and the largest any UDP port can be.
inline constexpr std::uint16_t kDefaultBacnetPort = 47808;
inline constexpr std::int32_t kLargestUdpPort = 65535;

// The device object's properties that publish settings on the network.
inline constexpr std::uint32_t kDescriptionProperty = 28;
inline constexpr std::uint32_t kLocationProperty = 58;
inline constexpr std::uint32_t kObjectNameProperty = 77;

// How long a request on the network waits for its answers (an I-Am, the
// values read) before what has not answered is taken as silent.
inline constexpr std::chrono::milliseconds kNetworkTimeout{3000};

}  // namespace vaskiro::core
