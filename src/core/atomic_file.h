#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "core/result.h"

namespace vaskiro::core {

// Writes the bytes to a new file beside the target and renames it over the
// target only after every byte was written and flushed. On failure the
// target is left as it was, the temporary file is removed, and the error is
// the system's reason.
core::Result<void> writeFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes);

}  // namespace vaskiro::core
