#include "cli/endpoint_option.h"

namespace vaskiro::cli {

std::optional<bacnet::Endpoint> parseEndpointOption(const char* option, const std::string& text,
                                                    std::uint16_t defaultPort, Streams io) {
    auto endpoint = bacnet::parseEndpoint(text, defaultPort);
    if (!endpoint) io.err << "Bad value: " << option << ' ' << text << " is not ADDRESS or ADDRESS:PORT.\n";
    return endpoint;
}

}  // namespace vaskiro::cli
