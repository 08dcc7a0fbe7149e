#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace vaskiro::config {

// Writes the bytes to a new file beside the target and renames it over the
// target only after every byte was written and flushed. On failure the
// target is left as it was, the temporary file is removed, and `error` holds
// the system's reason.
bool writeFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                         std::string& error);

}  // namespace vaskiro::config
