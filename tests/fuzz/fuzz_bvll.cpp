// BACnet/IP virtual link layer messages as a BBMD or any sender may send
// them: decoding never reads outside the datagram, and what decodes encodes
// back to exactly the same bytes (every field is kept).
#include <algorithm>
#include <span>

#include "bacnet/bvll.h"
#include "fuzz_check.h"

using namespace vaskiro::bacnet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span bytes(data, size);
    const auto decoded = decodeLink(bytes);
    if (!decoded) return 0;
    const auto again = encodeLink(*decoded);
    FUZZ_CHECK(std::equal(again.begin(), again.end(), bytes.begin(), bytes.end()));
    return 0;
}
