#pragma once
// A tolerant reader of sitemap files (".hhc" contents, ".hhk" index): the
// <OBJECT type="text/sitemap"> entries with their <PARAM> values, nested by
// <UL> lists. Tags and attribute names are matched without case; missing
// </OBJECT>, </LI> and </UL> tags, bare or single-quoted values and comments
// are taken in stride. Texts stay bytes in the help file's code page, with
// their HTML entities as written.
#include <string>
#include <string_view>
#include <vector>

struct SitemapEntry {
  std::string name;     // the first "Name" value
  std::string keyword;  // the first "Keyword" value: an index entry's own text
  std::string local;  // the first "Local" value, else the first "URL" value
  // Every "Local" value in order: an index keyword names each of its pages.
  std::vector<std::string> locals;
  std::string seeAlso;  // an index keyword's "See Also" text
  std::vector<SitemapEntry> children;
};

// Lists nested deeper than this are read as if at this depth, so a hostile
// file cannot make the tree (or code walking it) arbitrarily deep.
constexpr std::size_t kMaxSitemapDepth = 64;
// The depth an index is read to when every level's keyword is written with
// all the levels above it (the binary index): deeper, the texts of a nested
// index would grow with the square of its depth.
constexpr std::size_t kMaxIndexDepth = 16;

// Memory and time are linear in the text's size. `tooDeep`, when given, is
// set when lists were nested deeper than maxDepth.
std::vector<SitemapEntry> parseSitemap(std::string_view html,
                                       std::size_t maxDepth = kMaxSitemapDepth,
                                       bool* tooDeep = nullptr);
