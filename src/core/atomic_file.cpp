#include "core/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace vaskiro::core {

namespace {

std::filesystem::path temporaryBeside(const std::filesystem::path& target, unsigned attempt) {
    std::random_device random;
    auto name = target.filename().string() + "." + std::to_string(random() ^ attempt) + ".tmp";
    return target.parent_path() / name;
}

// Opens a new file for writing, failing with EEXIST rather than reuse a file
// that happens to have the name.
std::FILE* createNew(const std::filesystem::path& path) {
#ifdef _WIN32
    // fopen's "x" is unknown to msvcrt.dll, the C library of MinGW builds.
    int descriptor = -1;
    errno = _wsopen_s(&descriptor, path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _SH_DENYNO,
                      _S_IREAD | _S_IWRITE);
    if (descriptor < 0) return nullptr;
    std::FILE* file = _fdopen(descriptor, "wb");
    if (!file) {
        int saved = errno;
        _close(descriptor);
        errno = saved;
    }
    return file;
#else
    return std::fopen(path.c_str(), "wbx");
#endif
}

bool flushToDisk(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
#ifdef _WIN32
    if (_commit(_fileno(file)) != 0) return false;
#else
    if (::fsync(::fileno(file)) != 0) return false;
#endif
    return true;
}

}  // namespace

core::Result<void> writeFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes) {
    using Failure = core::Unexpected<std::string>;
    std::filesystem::path temporary;
    std::FILE* file = nullptr;
    for (unsigned attempt = 0; attempt < 16 && !file; ++attempt) {
        temporary = temporaryBeside(target, attempt);
        file = createNew(temporary);
        if (!file && errno != EEXIST) break;
    }
    if (!file) return Failure(std::strerror(errno));

    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && flushToDisk(file);
    int writeErrno = errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        writeErrno = errno;
    }
    if (!written) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return Failure(std::strerror(writeErrno));
    }

    std::error_code renameError;
    std::filesystem::rename(temporary, target, renameError);
    if (renameError) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return Failure(renameError.message());
    }
    return {};
}

}  // namespace vaskiro::core
