#include "core/data_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "core/little_endian.h"
#include "core/atomic_file.h"

namespace vaskiro::core {

namespace {

constexpr std::size_t kTextOffset = 4;
constexpr std::size_t kTextEnd = kTextOffset + kDataFileText.size();  // offset 28, the NUL

// Needs bytes up to the NUL at kTextEnd.
bool hasDataFileText(std::span<const std::uint8_t> bytes) {
    return std::equal(kDataFileText.begin(), kDataFileText.end(), bytes.begin() + kTextOffset) && bytes[kTextEnd] == 0;
}

std::int32_t readVersion(std::span<const std::uint8_t> bytes) {
    return static_cast<std::int32_t>(core::readLittleEndian32(bytes.data()));
}

}  // namespace

DataFileBytes encodeDataFile(const ConfigurationImage& image) {
    DataFileBytes out{};
    core::writeLittleEndian32(out.data(), static_cast<std::uint32_t>(kDataFormatVersion));
    std::copy(kDataFileText.begin(), kDataFileText.end(), out.begin() + kTextOffset);
    std::copy(image.bytes().begin(), image.bytes().end(), out.begin() + kHeaderSize);
    return out;
}

LoadOutcome decodeDataFile(std::span<const std::uint8_t> bytes, ConfigurationImage& image) {
    if (bytes.size() <= kTextEnd || !hasDataFileText(bytes)) return LoadOutcome::Incompatible;

    if (readVersion(bytes) > kDataFormatVersion) return LoadOutcome::LaterFormat;

    // A file that stops inside the image would mix two configurations.
    if (bytes.size() < kDataFileSize) return LoadOutcome::Incompatible;

    std::copy_n(bytes.begin() + kHeaderSize, kImageSize, image.bytes().begin());
    return LoadOutcome::Loaded;
}

std::string dataFileFault(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return "it is empty";
    // As much of the identifying text as the file holds must match.
    const std::size_t upTo = std::min(bytes.size(), kTextEnd + 1);
    const std::string text = std::string(kDataFileText) + '\0';
    if (upTo > kTextOffset && !std::equal(bytes.begin() + kTextOffset, bytes.begin() + upTo, text.begin()))
        return "it does not begin with the header of a " + std::string(kDataFileText) + " data file";
    if (bytes.size() < kDataFileSize)
        return "it ends after " + std::to_string(bytes.size()) + " bytes; a data file holds " +
               std::to_string(kDataFileSize);
    return {};
}

std::string dataFileNote(std::span<const std::uint8_t> bytes, std::uintmax_t fileSize) {
    if (bytes.size() < kDataFileSize || !hasDataFileText(bytes)) return {};
    const auto version = readVersion(bytes);
    std::string note;
    if (version < kDataFormatVersion)
        note = "it says data format version " + std::to_string(version) + ", read as version 1";
    if (fileSize > kDataFileSize)
        note += (note.empty() ? "" : "; ") + std::string("the ") + std::to_string(fileSize - kDataFileSize) +
                " bytes after its " + std::to_string(kDataFileSize) + " were left out";
    return note;
}

FileResult readDataFile(const std::filesystem::path& path, ConfigurationImage& image) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {LoadOutcome::Unreadable, std::strerror(errno)};
    DataFileBytes buffer{};
    in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
    if (in.bad()) return {LoadOutcome::Unreadable, "read error"};
    const std::span<const std::uint8_t> bytes(buffer.data(), static_cast<std::size_t>(in.gcount()));
    const LoadOutcome outcome = decodeDataFile(bytes, image);
    if (outcome == LoadOutcome::Incompatible) return {outcome, dataFileFault(bytes)};
    std::error_code sizeError;
    const std::uintmax_t size = std::filesystem::file_size(path, sizeError);
    return {outcome, {}, outcome == LoadOutcome::Loaded ? dataFileNote(bytes, sizeError ? 0 : size) : std::string()};
}

core::Result<void> writeDataFile(const std::filesystem::path& path, const ConfigurationImage& image) {
    DataFileBytes bytes = encodeDataFile(image);
    return writeFileAtomically(path, bytes);
}

}  // namespace vaskiro::core
