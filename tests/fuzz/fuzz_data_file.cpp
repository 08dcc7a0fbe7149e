// The data file decoder on arbitrary bytes: a refused file leaves the image
// as it was; a loaded one puts exactly the file's image bytes in it.
#include <algorithm>
#include <span>

#include "core/data_file.h"
#include "fuzz_check.h"

using namespace vaskiro::core;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::uint8_t> file(data, size);
    ConfigurationImage image;
    image.SetDefaults();
    image.bytes()[layout::Reserved] = 0xA5;  // a byte no default would explain
    const ConfigurationImage before = image;

    const LoadOutcome outcome = decodeDataFile(file, image);
    if (outcome != LoadOutcome::Loaded) {
        FUZZ_CHECK(image == before);
        FUZZ_CHECK(outcome == LoadOutcome::Incompatible || outcome == LoadOutcome::LaterFormat);
        return 0;
    }
    FUZZ_CHECK(size >= kDataFileSize);
    FUZZ_CHECK(std::equal(image.bytes().begin(), image.bytes().end(), data + kHeaderSize));
    // Saving what was loaded gives the same identifying text and image; the
    // version is written as the current one and the header's spare bytes
    // after the text's NUL, which loading ignores, as zero.
    const DataFileBytes again = encodeDataFile(image);
    constexpr std::size_t kTextAt = 4;
    constexpr std::size_t kTextEnd = kTextAt + kDataFileText.size() + 1;
    FUZZ_CHECK(std::equal(again.begin() + kTextAt, again.begin() + kTextEnd, data + kTextAt));
    FUZZ_CHECK(std::all_of(again.begin() + kTextEnd, again.begin() + kHeaderSize, [](auto b) { return b == 0; }));
    FUZZ_CHECK(std::equal(again.begin() + kHeaderSize, again.end(), data + kHeaderSize));
    const auto version = static_cast<std::int32_t>(std::uint32_t{data[0]} | std::uint32_t{data[1]} << 8 |
                                                   std::uint32_t{data[2]} << 16 | std::uint32_t{data[3]} << 24);
    FUZZ_CHECK(version <= kDataFormatVersion);
    ConfigurationImage reloaded;
    FUZZ_CHECK(decodeDataFile(again, reloaded) == LoadOutcome::Loaded && reloaded == image);
    return 0;
}
