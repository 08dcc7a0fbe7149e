#include "app/help/sitemap.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace vaskiro::app {
namespace {

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::string decodeEntities(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        const std::size_t semicolon = text.find(';', i);
        if (semicolon == std::string_view::npos || semicolon - i > 8) {
            out += '&';
            continue;
        }
        const std::string_view entity = text.substr(i + 1, semicolon - i - 1);
        std::optional<char> decoded;
        if (entity == "amp")
            decoded = '&';
        else if (entity == "lt")
            decoded = '<';
        else if (entity == "gt")
            decoded = '>';
        else if (entity == "quot")
            decoded = '"';
        else if (entity == "apos")
            decoded = '\'';
        else if (entity.size() > 1 && entity[0] == '#') {
            int value = 0;
            bool digits = true;
            for (char c : entity.substr(1)) {
                if (!std::isdigit(static_cast<unsigned char>(c))) {
                    digits = false;
                    break;
                }
                value = value * 10 + (c - '0');
                if (value > 127) {
                    digits = false;
                    break;
                }
            }
            if (digits) decoded = static_cast<char>(value);
        }
        if (decoded) {
            out += *decoded;
            i = semicolon;
        } else {
            out += '&';
        }
    }
    return out;
}

struct Tag {
    std::string name;                                             // lower case, with a leading '/' for an end tag
    std::vector<std::pair<std::string, std::string>> attributes;  // names in lower case

    std::string attribute(std::string_view key) const {
        for (const auto& [name, value] : attributes)
            if (name == key) return value;
        return {};
    }
};

// Parses the tag that starts at text[pos] == '<'; leaves pos after its '>'.
Tag readTag(std::string_view text, std::size_t& pos) {
    Tag tag;
    std::size_t i = pos + 1;
    auto skipSpace = [&] {
        while (i < text.size() && isSpace(text[i])) ++i;
    };
    skipSpace();
    while (i < text.size() && !isSpace(text[i]) && text[i] != '>') tag.name += lower(text[i++]);
    while (true) {
        skipSpace();
        if (i >= text.size() || text[i] == '>') break;
        std::string key;
        while (i < text.size() && !isSpace(text[i]) && text[i] != '=' && text[i] != '>') key += lower(text[i++]);
        if (key.empty()) {
            ++i;
            continue;
        }  // a stray '/' or quote
        skipSpace();
        std::string value;
        if (i < text.size() && text[i] == '=') {
            ++i;
            skipSpace();
            if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
                const char quote = text[i++];
                const std::size_t end = text.find(quote, i);
                const std::size_t stop = end == std::string_view::npos ? text.size() : end;
                value = decodeEntities(text.substr(i, stop - i));
                i = stop == text.size() ? stop : stop + 1;
            } else {
                std::size_t start = i;
                while (i < text.size() && !isSpace(text[i]) && text[i] != '>') ++i;
                value = decodeEntities(text.substr(start, i - start));
            }
        }
        tag.attributes.emplace_back(std::move(key), std::move(value));
    }
    pos = i < text.size() ? i + 1 : text.size();
    return tag;
}

}  // namespace

std::vector<SitemapEntry> parseSitemap(std::string_view text) {
    std::vector<SitemapEntry> root;
    // The lists being filled, innermost last. A <UL> opens the children of
    // the entry added last to the current list (or, before any entry, keeps
    // filling the current list); </UL> returns to the enclosing list.
    std::vector<std::vector<SitemapEntry>*> lists{&root};
    std::optional<SitemapEntry> pending;  // inside <OBJECT type="text/sitemap">
    int depth = 0;                        // of <UL>; the outermost lists fill the root

    std::size_t pos = 0;
    while ((pos = text.find('<', pos)) != std::string_view::npos) {
        if (text.substr(pos, 4) == "<!--") {
            const std::size_t end = text.find("-->", pos + 4);
            pos = end == std::string_view::npos ? text.size() : end + 3;
            continue;
        }
        const Tag tag = readTag(text, pos);
        if (tag.name == "ul") {
            if (++depth > 1) {
                auto* current = lists.back();
                lists.push_back(current->empty() ? current : &current->back().children);
            }
        } else if (tag.name == "/ul") {
            if (depth > 1) lists.pop_back();
            if (depth > 0) --depth;
        } else if (tag.name == "object") {
            if (equalsIgnoringCase(tag.attribute("type"), "text/sitemap")) pending.emplace();
        } else if (tag.name == "param") {
            if (!pending) continue;
            const std::string key = tag.attribute("name");
            if (equalsIgnoringCase(key, "name") && pending->name.empty())
                pending->name = tag.attribute("value");
            else if (equalsIgnoringCase(key, "local") && pending->local.empty())
                pending->local = tag.attribute("value");
        } else if (tag.name == "/object") {
            if (pending) {
                lists.back()->push_back(std::move(*pending));
                pending.reset();
            }
        }
    }
    return root;
}

const SitemapEntry* firstTopic(const std::vector<SitemapEntry>& entries) {
    for (const SitemapEntry& entry : entries) {
        if (!entry.local.empty()) return &entry;
        if (const SitemapEntry* child = firstTopic(entry.children)) return child;
    }
    return nullptr;
}

}  // namespace vaskiro::app
