#include "cli/foreign_device_option.h"

#include "core/bacnet_numbers.h"

namespace vaskiro::cli {

bool parseForeignDevice(const ForeignDeviceOption& option, std::optional<bacnet::ForeignDevice>& into, Streams io) {
    into.reset();
    if (option.bbmd.empty()) return true;
    const auto bbmd = bacnet::parseEndpoint(option.bbmd, core::kDefaultBacnetPort);
    if (!bbmd) {
        io.err << "Bad value: --bbmd " << option.bbmd << " is not ADDRESS or ADDRESS:PORT.\n";
        return false;
    }
    into = bacnet::ForeignDevice{*bbmd, std::chrono::seconds(option.ttlSeconds)};
    return true;
}

}  // namespace vaskiro::cli
