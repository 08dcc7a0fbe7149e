#pragma once

#include <cstdint>
#include <string>

#include "bacnet/simulated/object_database.h"
#include "bacnet/simulated/simulated_points.h"
#include "core/configuration_image.h"

namespace vaskiro::bacnet {

// What a device says of itself beyond its configuration.
struct DeviceIdentity {
    std::uint32_t vendorId = 0;
    std::string vendorName = "VASKIRO";
    std::string modelName = "VASKIRO BACnet Interface";
    std::string firmwareRevision = "1.00";
    std::string applicationVersion = "1.00";
};

// The objects of a device configured by `image`, as the interface presents
// them: its Device object, then binary-input 1-16, binary-output 1-16 and
// analog-input 1-8, named and described from the configuration. Their
// present-values and the outputs' priority arrays read `points`, which must
// outlive the database.
void addDeviceObjects(ObjectDatabase& database, const core::ConfigurationImage& image, const DeviceIdentity& identity,
                      const SimulatedPoints& points);

}  // namespace vaskiro::bacnet
