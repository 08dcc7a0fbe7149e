#include "bacnet/configured_device.h"

#include <string>

namespace vaskiro::bacnet {

core::Result<ConfiguredDevice> configuredDevice(const core::ConfigurationImage& image) {
    using Fail = core::Unexpected<std::string>;
    const std::uint32_t instance = image.objectIdentifier();
    if (instance > core::kLargestDeviceInstance)
        return Fail("The object identifier " + std::to_string(instance) + " is not a BACnet device instance (0 to " +
                    std::to_string(core::kLargestDeviceInstance) + ").");
    const std::int32_t port = image.bacnetPort();
    if (port < 1 || port > core::kLargestUdpPort)
        return Fail("The BACnet port " + std::to_string(port) + " is not a UDP port (1 to " +
                    std::to_string(core::kLargestUdpPort) + ").");
    if (image.dhcpEnable()) return ConfiguredDevice{instance, {{255, 255, 255, 255}, static_cast<std::uint16_t>(port)}};
    const core::Octets address = image.address(core::AddressField::IPAddress);
    if (address == core::Octets{})
        return Fail(
            "The IP address 0.0.0.0 is no device's: enter the device's address, or turn DHCP on to find it "
            "by broadcast.");
    return ConfiguredDevice{instance, {address, static_cast<std::uint16_t>(port)}};
}

}  // namespace vaskiro::bacnet
