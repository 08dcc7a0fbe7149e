// Any image exports, and its export imports back to the same bytes: the same
// 1596-byte data file. The input is the image (a shorter one is padded with
// zeros, bytes after the 1560th are ignored).
#include <algorithm>

#include "commission/json_form.h"
#include "core/data_file.h"
#include "fuzz_check.h"

using namespace vaskiro;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    core::ConfigurationImage image;
    std::copy_n(data, std::min(size, core::kImageSize), image.bytes().begin());
    const auto back = commission::importJson(commission::exportJson(image));
    FUZZ_CHECK(back && core::encodeDataFile(*back) == core::encodeDataFile(image));
    return 0;
}
