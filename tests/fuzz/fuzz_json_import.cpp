// JSON import on arbitrary text: a refused text leaves the image as it was;
// an accepted one gives an image whose export imports to the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cli/json_form.h"
#include "fuzz_check.h"

using namespace vaskiro;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    config::ConfigurationImage image;
    image.SetDefaults();
    image.bytes()[config::layout::Reserved] = 0xA5;
    const config::ConfigurationImage before = image;

    const std::string error = cli::importJson(text, image);
    if (!error.empty()) {
        FUZZ_CHECK(image == before);
        return 0;
    }
    const std::string exported = cli::exportJson(image);
    config::ConfigurationImage again;  // all zero, unlike anything imported
    FUZZ_CHECK(cli::importJson(exported, again).empty());
    FUZZ_CHECK(again == image);
    FUZZ_CHECK(cli::exportJson(again) == exported);
    return 0;
}
