#pragma once

#include <cstdint>

#include "bacnet/address_text.h"
#include "core/configuration_image.h"
#include "core/result.h"

namespace vaskiro::bacnet {

// The BACnet device an image configures: its instance, and where a Who-Is
// finds it (its own address, or a broadcast when it takes its address by
// DHCP, on its port).
struct ConfiguredDevice {
    std::uint32_t instance = 0;
    Endpoint at;
};

// Or why no device can be asked for: an object identifier beyond the device
// instances, a port that no UDP port is, or no address at all (0.0.0.0).
core::Result<ConfiguredDevice> configuredDevice(const core::ConfigurationImage& image);

}  // namespace vaskiro::bacnet
