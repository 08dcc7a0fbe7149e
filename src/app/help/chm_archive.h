#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct chmFile;

namespace vaskiro::app {

// What the compiler recorded about the help project in the archive's
// #SYSTEM object. Paths are archive paths ("/welcome.html"); an entry the
// archive does not carry is empty.
struct ChmSystemInfo {
    std::string contentsFile;  // the table of contents (.hhc)
    std::string indexFile;     // the keyword index (.hhk)
    std::string defaultTopic;  // the page shown first
    std::string title;         // the help file's title
};

// A compiled HTML help file (.chm, an ITSF archive) opened read-only through
// chmlib. Objects are addressed by archive path: absolute, '/'-separated,
// e.g. "/welcome.html". Move-only; a moved-from archive is closed. Not
// thread-safe: one archive, one thread.
class ChmArchive {
public:
    ChmArchive() = default;
    ~ChmArchive();
    ChmArchive(ChmArchive&& other) noexcept;
    ChmArchive& operator=(ChmArchive&& other) noexcept;
    ChmArchive(const ChmArchive&) = delete;
    ChmArchive& operator=(const ChmArchive&) = delete;

    // Opens `file`, closing any archive held before. False when the file is
    // missing, unreadable or not an ITSF archive; the object is then closed.
    bool open(const std::filesystem::path& file);
    void close();
    bool isOpen() const { return m_file != nullptr; }

    // The archive's own files (pages, style sheets, images, the .hhc and
    // .hhk), in archive order. Internal objects ("/#SYSTEM", "::DataSpace/...",
    // "/$FIftiMain") and directories are left out. Empty when closed.
    std::vector<std::string> fileNames() const;

    // True when `path` names an object of the archive. `path` is normalised
    // first (see normaliseArchivePath); a "#fragment" is ignored.
    bool contains(std::string_view path) const;

    // The whole object at `path` (normalised as for contains), as raw bytes.
    // nullopt when the archive is closed, the object is missing, or fewer
    // bytes could be read than the object holds.
    std::optional<std::string> read(std::string_view path) const;

    // Read once by open(). When #SYSTEM does not name a contents file, the
    // first .hhc among the files is taken; when it names no default topic,
    // the first page of the table of contents is taken.
    const ChmSystemInfo& systemInfo() const { return m_system; }

private:
    // The object named exactly `objectPath`, internal objects included.
    std::optional<std::string> readObject(const std::string& objectPath) const;
    void readSystemInfo();

    chmFile* m_file = nullptr;
    ChmSystemInfo m_system;
};

// An archive path in canonical form: a leading '/', '\' turned into '/',
// "." and ".." segments folded (".." never climbs above the root), doubled
// separators folded, the "#fragment" and "?query" removed.
// "general.html#ip" -> "/general.html"; "/a/../b//c.png" -> "/b/c.png".
std::string normaliseArchivePath(std::string_view path);

// `reference` (an href or src as written in a page) resolved against the
// archive path of the page that holds it, normalised. Keeps a fragment:
// ("/dir/page.html", "../other.html#x") -> "/other.html#x";
// ("/page.html", "#x") -> "/page.html#x".
std::string resolveArchivePath(std::string_view basePage, std::string_view reference);

}  // namespace vaskiro::app
