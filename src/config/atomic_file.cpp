#include "config/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace vaskiro::config {

namespace {

std::filesystem::path temporaryBeside(const std::filesystem::path& target, unsigned attempt) {
    std::random_device random;
    auto name = target.filename().string() + "." + std::to_string(random() ^ attempt) + ".tmp";
    return target.parent_path() / name;
}

bool flushToDisk(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
#ifndef _WIN32
    if (::fsync(::fileno(file)) != 0) return false;
#endif
    return true;
}

}  // namespace

bool writeFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                         std::string& error) {
    std::filesystem::path temporary;
    std::FILE* file = nullptr;
    for (unsigned attempt = 0; attempt < 16 && !file; ++attempt) {
        temporary = temporaryBeside(target, attempt);
        // "x": fail rather than reuse a file that happens to have the name.
        file = std::fopen(temporary.string().c_str(), "wbx");
        if (!file && errno != EEXIST) break;
    }
    if (!file) {
        error = std::strerror(errno);
        return false;
    }

    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && flushToDisk(file);
    int writeErrno = errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        writeErrno = errno;
    }
    if (!written) {
        error = std::strerror(writeErrno);
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return false;
    }

    std::error_code renameError;
    std::filesystem::rename(temporary, target, renameError);
    if (renameError) {
        error = renameError.message();
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return false;
    }
    return true;
}

}  // namespace vaskiro::config
