#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "core/configuration_image.h"
#include "core/result.h"

namespace vaskiro::core {

// A data file: a 36-byte header (format version, identifying text) followed
// by the 1560-byte image exactly as held in memory.
inline constexpr std::size_t kHeaderSize = 36;
inline constexpr std::size_t kDataFileSize = kHeaderSize + kImageSize;  // 1596
inline constexpr std::int32_t kDataFormatVersion = 1;
inline constexpr std::string_view kDataFileText = "VASKIRO BACnet Interface";

using DataFileBytes = std::array<std::uint8_t, kDataFileSize>;

enum class LoadOutcome {
    Loaded,        // the image now holds the file's 1560 bytes
    Incompatible,  // not a data file of this utility, or cut short
    LaterFormat,   // written by a later version of the format
    Unreadable,    // the file could not be opened or read
};

DataFileBytes encodeDataFile(const ConfigurationImage& image);

// Checks the identifying text first, then the version (above 1 is refused;
// 0 and negative versions are accepted), then that the whole image is there.
// Bytes beyond the first 1596 are ignored. The image is changed only when the
// outcome is Loaded.
LoadOutcome decodeDataFile(std::span<const std::uint8_t> bytes, ConfigurationImage& image);

// Why bytes that decodeDataFile finds Incompatible are no data file ("it is
// empty", "it ends after 100 bytes; ..."); empty for a whole data file.
std::string dataFileFault(std::span<const std::uint8_t> bytes);

// What a loadable file holds that Save never writes: a version below 1 (read
// as 1), bytes after the 1596 of a file of `fileSize` (left out). Empty for a
// file as Save writes it.
std::string dataFileNote(std::span<const std::uint8_t> bytes, std::uintmax_t fileSize);

struct FileResult {
    FileResult(LoadOutcome o = LoadOutcome::Loaded, std::string e = {}, std::string n = {})
        : outcome(o), error(std::move(e)), note(std::move(n)) {}
    LoadOutcome outcome;
    std::string error;  // why the file could not be used: the system's reason, or what is wrong with it
    std::string note;   // a loaded file's oddity, as dataFileNote says it
};

// Reads the file and decodes its first 1596 bytes.
FileResult readDataFile(const std::filesystem::path& path, ConfigurationImage& image);

// Writes the file atomically: an existing file is replaced only once the new
// one is complete, and a failed save leaves it as it was; the error is the
// system's reason.
core::Result<void> writeDataFile(const std::filesystem::path& path, const ConfigurationImage& image);

}  // namespace vaskiro::core
