#pragma once
// Sitemap files rebuilt from the binary tables. A compiled help file may
// carry its contents or index only in binary form: the stored .hhc or .hhk
// missing (a recompile dropped it) or an empty stub, while "#TOCIDX" or the
// keyword tree of "$WWKeywordLinks" holds every entry. From those tables,
// "#TOPICS" and the string tables behind them, a sitemap file with the
// entries' names, nesting, "see also" references and every topic's link is
// written again, so that the decompiled project compiles to a help file
// with its contents and index.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "chmfiles/help_trees.h"
#include "platform/itss/storage.h"

// A sitemap file's text: the entries nested by <UL> lists, every text
// escaped for HTML and written in codePage, a character it lacks as a
// numeric character reference. A contents entry names its page; an index
// keyword names each of its pages with the page's title, or refers to
// another keyword ("See Also").
std::string sitemapText(const std::vector<HelpTreeEntry>& entries, bool index, unsigned codePage);

// Text for a sitemap file or project: HTML's four special characters
// escaped, then converted to codePage with a numeric character reference
// for each character it lacks.
std::string sitemapValue(std::string_view utf8, unsigned codePage);

struct RebuiltSitemap {
  bool index = false;  // an .hhk from the keyword tree, else an .hhc from #TOCIDX
  // The file's path relative to the target folder, "/"-separated, in UTF-8:
  // the name #SYSTEM gives the file; else the stored sitemap file of that
  // kind (the one whose name hash #SYSTEM records for the binary table, or
  // the first); else the compiled file's stem with ".hhc" or ".hhk".
  std::string path;
  bool named = false;  // #SYSTEM names the file (the project names it already)
  std::string text;
  std::size_t entries = 0;  // entries or keywords written, at every level
};

// The contents and index that the help file open at root holds only in
// binary form: for each of the two whose stored file is missing or holds no
// entry while its binary table holds entries (the index only when #SYSTEM
// names an index file or a binary index). compiledName gives the stem for a
// file #SYSTEM does not name. The texts are in the help file's code page
// unless a link holds characters beyond ASCII, in which case they are in
// UTF-8, so that links name the files as decompile writes them.
std::vector<RebuiltSitemap> rebuildSitemaps(itss::IStorage* root, std::string_view compiledName);
