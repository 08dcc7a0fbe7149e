#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vaskiro::app {

// One entry of an HTML Help sitemap: a table of contents (.hhc) or keyword
// index (.hhk) line, with the entries nested below it.
struct SitemapEntry {
    std::string name;   // the "Name" parameter, entities decoded
    std::string local;  // the "Local" parameter as written ("device.html#read"); may be empty
    std::vector<SitemapEntry> children;
};

// Reads the <UL>/<LI>/<OBJECT type="text/sitemap"> structure of a sitemap
// file. Tag and attribute names are matched ignoring case; objects of any
// other type (the "text/site properties" header) and everything outside the
// objects are skipped. Tolerant of the loose HTML that help compilers
// accept: unclosed <LI>, unbalanced </UL> and missing quotes never fail, they
// only flatten the tree. Text is taken as bytes; entities &amp; &lt; &gt;
// &quot; &apos; and numeric ones below 128 are decoded.
std::vector<SitemapEntry> parseSitemap(std::string_view text);

// The first entry, depth first, whose `local` is not empty; nullptr if none.
const SitemapEntry* firstTopic(const std::vector<SitemapEntry>& entries);

}  // namespace vaskiro::app
