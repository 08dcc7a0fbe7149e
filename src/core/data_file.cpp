#include "core/data_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "core/atomic_file.h"

namespace vaskiro::config {

namespace {

constexpr std::size_t kTextOffset = 4;
constexpr std::size_t kTextEnd = kTextOffset + kDataFileText.size();  // offset 28, the NUL

// Needs bytes up to the NUL at kTextEnd.
bool hasDataFileText(std::span<const std::uint8_t> bytes) {
    return std::equal(kDataFileText.begin(), kDataFileText.end(), bytes.begin() + kTextOffset) && bytes[kTextEnd] == 0;
}

}  // namespace

DataFileBytes encodeDataFile(const ConfigurationImage& image) {
    DataFileBytes out{};
    auto version = static_cast<std::uint32_t>(kDataFormatVersion);
    for (std::size_t i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(version >> (8 * i));
    std::copy(kDataFileText.begin(), kDataFileText.end(), out.begin() + kTextOffset);
    std::copy(image.bytes().begin(), image.bytes().end(), out.begin() + kHeaderSize);
    return out;
}

LoadOutcome decodeDataFile(std::span<const std::uint8_t> bytes, ConfigurationImage& image) {
    if (bytes.size() <= kTextEnd || !hasDataFileText(bytes)) return LoadOutcome::Incompatible;

    auto version = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
        static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24);
    if (version > kDataFormatVersion) return LoadOutcome::LaterFormat;

    // A file that stops inside the image would mix two configurations.
    if (bytes.size() < kDataFileSize) return LoadOutcome::Incompatible;

    std::copy_n(bytes.begin() + kHeaderSize, kImageSize, image.bytes().begin());
    return LoadOutcome::Loaded;
}

FileResult readDataFile(const std::filesystem::path& path, ConfigurationImage& image) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {LoadOutcome::Unreadable, std::strerror(errno)};
    DataFileBytes buffer{};
    in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
    if (in.bad()) return {LoadOutcome::Unreadable, "read error"};
    auto count = static_cast<std::size_t>(in.gcount());
    const std::span<const std::uint8_t> bytes(buffer.data(), count);
    const LoadOutcome outcome = decodeDataFile(bytes, image);
    if (outcome != LoadOutcome::Incompatible) return {outcome, {}};
    if (count > kTextEnd && hasDataFileText(bytes))
        return {outcome, "it ends after " + std::to_string(count) + " bytes; a data file holds " +
                             std::to_string(kDataFileSize)};
    return {outcome, "it does not begin with the header of a " + std::string(kDataFileText) + " data file"};
}

core::Result<void> writeDataFile(const std::filesystem::path& path, const ConfigurationImage& image) {
    DataFileBytes bytes = encodeDataFile(image);
    return writeFileAtomically(path, bytes);
}

}  // namespace vaskiro::config
