#include "cli/foreign_device_option.h"

#include "cli/endpoint_option.h"
#include "core/bacnet_numbers.h"

namespace vaskiro::cli {

bool parseForeignDevice(const ForeignDeviceOption& option, std::optional<bacnet::ForeignDevice>& into, Streams io) {
    into.reset();
    if (option.bbmd.empty()) return true;
    const auto bbmd = parseEndpointOption("--bbmd", option.bbmd, core::kDefaultBacnetPort, io);
    if (!bbmd) return false;
    into = bacnet::ForeignDevice{*bbmd, std::chrono::seconds(option.ttlSeconds)};
    return true;
}

}  // namespace vaskiro::cli
