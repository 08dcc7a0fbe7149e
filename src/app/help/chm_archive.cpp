#include "app/help/chm_archive.h"

#include <chm_lib.h>

#include <algorithm>
#include <cctype>
#include <utility>

#include "app/help/sitemap.h"

namespace vaskiro::app {
namespace {

bool endsWith(std::string_view text, std::string_view suffix) {
    if (suffix.size() > text.size()) return false;
    return std::equal(
        suffix.begin(), suffix.end(), text.end() - static_cast<std::ptrdiff_t>(suffix.size()), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        });
}

// Records of #SYSTEM that name files or texts. The object is a 32-bit
// version followed by records of (16-bit code, 16-bit length, data), all
// little-endian; text data ends with a zero byte inside its length.
enum SystemCode : std::uint16_t {
    kSystemContentsFile = 0,
    kSystemIndexFile = 1,
    kSystemDefaultTopic = 2,
    kSystemTitle = 3,
};

std::uint16_t readLe16(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

std::string recordText(const std::string& bytes, std::size_t at, std::size_t length) {
    std::string text = bytes.substr(at, length);
    if (const auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return text;
}

int collectFileName(chmFile*, chmUnitInfo* unit, void* context) {
    auto* names = static_cast<std::vector<std::string>*>(context);
    const std::string_view path = unit->path;
    // Internal objects start with "/#" or "/$" (or "::" outside the root).
    if (path.size() > 1 && path[0] == '/' && path[1] != '#' && path[1] != '$' && path.back() != '/')
        names->emplace_back(path);
    return CHM_ENUMERATOR_CONTINUE;
}

std::vector<std::string> splitSegments(std::string_view path) {
    std::vector<std::string> segments;
    std::string current;
    for (char c : path) {
        if (c == '/' || c == '\\') {
            segments.push_back(std::move(current));
            current.clear();
        } else {
            current += c;
        }
    }
    segments.push_back(std::move(current));
    return segments;
}

std::string joinFolded(const std::vector<std::string>& segments) {
    std::vector<std::string_view> kept;
    for (const std::string& segment : segments) {
        if (segment.empty() || segment == ".") continue;
        if (segment == "..") {
            if (!kept.empty()) kept.pop_back();
            continue;
        }
        kept.push_back(segment);
    }
    std::string path;
    for (std::string_view segment : kept) {
        path += '/';
        path += segment;
    }
    return path.empty() ? "/" : path;
}

}  // namespace

std::string normaliseArchivePath(std::string_view path) {
    const std::size_t cut = path.find_first_of("#?");
    if (cut != std::string_view::npos) path = path.substr(0, cut);
    return joinFolded(splitSegments(path));
}

std::string resolveArchivePath(std::string_view basePage, std::string_view reference) {
    std::string_view fragment;
    if (const std::size_t hash = reference.find('#'); hash != std::string_view::npos) {
        fragment = reference.substr(hash);
        reference = reference.substr(0, hash);
    }
    std::string path;
    if (reference.empty()) {
        path = normaliseArchivePath(basePage);
    } else if (reference.front() == '/' || reference.front() == '\\') {
        path = normaliseArchivePath(reference);
    } else {
        std::string_view base = basePage.substr(0, basePage.find_first_of("#?"));
        const std::size_t slash = base.find_last_of("/\\");
        std::string combined(slash == std::string_view::npos ? std::string_view{} : base.substr(0, slash + 1));
        combined += reference;
        path = normaliseArchivePath(combined);
    }
    path += fragment;
    return path;
}

ChmArchive::~ChmArchive() { close(); }

ChmArchive::ChmArchive(ChmArchive&& other) noexcept
    : m_file(std::exchange(other.m_file, nullptr)), m_system(std::move(other.m_system)) {}

ChmArchive& ChmArchive::operator=(ChmArchive&& other) noexcept {
    if (this != &other) {
        close();
        m_file = std::exchange(other.m_file, nullptr);
        m_system = std::move(other.m_system);
    }
    return *this;
}

bool ChmArchive::open(const std::filesystem::path& file) {
    close();
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) return false;
    m_file = chm_open(file.string().c_str());
    if (m_file == nullptr) return false;
    readSystemInfo();
    return true;
}

void ChmArchive::close() {
    if (m_file != nullptr) chm_close(m_file);
    m_file = nullptr;
    m_system = {};
}

std::vector<std::string> ChmArchive::fileNames() const {
    std::vector<std::string> names;
    if (m_file != nullptr) chm_enumerate(m_file, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES, collectFileName, &names);
    return names;
}

bool ChmArchive::contains(std::string_view path) const {
    if (m_file == nullptr) return false;
    chmUnitInfo unit{};
    return chm_resolve_object(m_file, normaliseArchivePath(path).c_str(), &unit) == CHM_RESOLVE_SUCCESS;
}

std::optional<std::string> ChmArchive::read(std::string_view path) const {
    return readObject(normaliseArchivePath(path));
}

std::optional<std::string> ChmArchive::readObject(const std::string& objectPath) const {
    if (m_file == nullptr) return std::nullopt;
    chmUnitInfo unit{};
    if (chm_resolve_object(m_file, objectPath.c_str(), &unit) != CHM_RESOLVE_SUCCESS) return std::nullopt;
    // Help objects are small; anything claiming more than 64 MiB is damage.
    constexpr LONGUINT64 kLargestObject = 64u << 20;
    if (unit.length > kLargestObject) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(unit.length), '\0');
    LONGUINT64 done = 0;
    while (done < unit.length) {
        const LONGINT64 got = chm_retrieve_object(m_file, &unit, reinterpret_cast<unsigned char*>(bytes.data()) + done,
                                                  done, static_cast<LONGINT64>(unit.length - done));
        if (got <= 0) return std::nullopt;
        done += static_cast<LONGUINT64>(got);
    }
    return bytes;
}

void ChmArchive::readSystemInfo() {
    m_system = {};
    // Read by its exact name: normalising would take "#SYSTEM" for a fragment.
    if (const auto system = readObject("/#SYSTEM"); system && system->size() >= 4) {
        std::size_t at = 4;  // past the version
        while (at + 4 <= system->size()) {
            const std::uint16_t code = readLe16(*system, at);
            const std::uint16_t length = readLe16(*system, at + 2);
            at += 4;
            if (at + length > system->size()) break;
            switch (code) {
            case kSystemContentsFile: m_system.contentsFile = recordText(*system, at, length); break;
            case kSystemIndexFile: m_system.indexFile = recordText(*system, at, length); break;
            case kSystemDefaultTopic: m_system.defaultTopic = recordText(*system, at, length); break;
            case kSystemTitle: m_system.title = recordText(*system, at, length); break;
            default: break;
            }
            at += length;
        }
    }

    auto asArchivePath = [](std::string& name) {
        if (!name.empty()) name = resolveArchivePath("/", name);
    };
    asArchivePath(m_system.contentsFile);
    asArchivePath(m_system.indexFile);
    asArchivePath(m_system.defaultTopic);

    if (m_system.contentsFile.empty() || !contains(m_system.contentsFile)) {
        m_system.contentsFile.clear();
        for (const std::string& name : fileNames())
            if (endsWith(name, ".hhc")) {
                m_system.contentsFile = name;
                break;
            }
    }
    if (m_system.indexFile.empty() || !contains(m_system.indexFile)) {
        m_system.indexFile.clear();
        for (const std::string& name : fileNames())
            if (endsWith(name, ".hhk")) {
                m_system.indexFile = name;
                break;
            }
    }
    if (m_system.defaultTopic.empty() && !m_system.contentsFile.empty()) {
        if (const auto contents = read(m_system.contentsFile)) {
            const auto entries = parseSitemap(*contents);
            if (const SitemapEntry* first = firstTopic(entries))
                m_system.defaultTopic = resolveArchivePath(m_system.contentsFile, first->local);
        }
    }
}

}  // namespace vaskiro::app
