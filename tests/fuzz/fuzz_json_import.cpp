// JSON import on arbitrary text: an accepted text gives an image whose export
// imports to the same bytes.
#include <string>

#include "commission/json_form.h"
#include "fuzz_check.h"

using namespace vaskiro;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto imported = commission::importJson(std::string(reinterpret_cast<const char*>(data), size));
    if (!imported) return 0;
    const std::string exported = commission::exportJson(*imported);
    const auto again = commission::importJson(exported);
    FUZZ_CHECK(again && *again == *imported);
    FUZZ_CHECK(commission::exportJson(*again) == exported);
    return 0;
}
