// Contents and index files built from the input as a program of choices:
// lists opened and closed in any order and to any depth, entries with
// their parameters, comments, other objects, and (in the noisy half) stray
// bytes, unclosed tags and quotes. The reader must keep every entry of a
// clean file, nest no deeper than its limit and say when it cut; the
// compiler's binary contents and index must be built from the result
// without running away, their keywords no more than the entries.
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "chmfiles/sitemap.h"
#include "choices.h"
#include "compile/binary_tables.h"
#include "compile/table_writers.h"

namespace {

const char* const kTexts[] = {
    "a",  "Topic", "b, c",        "&amp;",      "&#x4e2d;", "\xe4\xb8\xad",
    "_x", "a.htm", "sub/b.htm#p", "..\\up.htm", "",         "ms-its:o.chm::/x.htm",
    "A",  "-"};

struct Made {
  std::string html;
  std::size_t entries = 0;  // sitemap objects written
  bool tooDeep = false;     // the lists went deeper than the limit
};

Made sitemapText(Choices& c, std::size_t maxDepth, bool noisy) {
  Made m;
  std::size_t lists = 1, ignored = 0;
  auto open = [&] {
    m.html += c.below(2) ? "<UL>\n" : "<ul >";
    if (lists >= maxDepth) {
      ++ignored;
      m.tooDeep = true;
    } else {
      ++lists;
    }
  };
  auto close = [&] {
    m.html += "</UL>\n";
    if (ignored > 0)
      --ignored;
    else if (lists > 1)
      --lists;
  };
  auto text = [&] { return std::string(kTexts[c.below(std::size(kTexts))]); };
  while (c.more()) {
    switch (c.below(noisy ? 10 : 9)) {
      case 0:
        for (unsigned n = 1 + c.count(); n > 0; --n) open();
        break;
      case 1:
        for (unsigned n = 1 + c.count(); n > 0; --n) close();
        break;
      case 2:
      case 3:
      case 4: {
        m.html += c.below(2) ? "<LI> " : "";
        m.html += c.below(2) ? "<OBJECT type=\"text/sitemap\">" : "<object TYPE='text/sitemap' >";
        ++m.entries;
        for (unsigned n = c.below(5); n > 0; --n) {
          static const char* const keys[] = {"Name", "Local", "URL", "See Also", "Keyword"};
          m.html +=
              "<param name=\"" + std::string(keys[c.below(5)]) + "\" value=\"" + text() + "\">";
        }
        if (c.below(3)) m.html += "</OBJECT>\n";
        break;
      }
      case 5:
        m.html +=
            "<OBJECT type=\"text/site properties\"><param name=\"Name\" value=\"x\"></OBJECT>";
        break;
      case 6:
        m.html += "<!-- <UL><OBJECT type=\"text/sitemap\"> -->";
        break;
      case 7:
        m.html += "</LI><LI>" + text();
        break;
      case 8:
        m.html += "<HTML><BODY>";
        break;
      default:
        // Noise: anything at all, up to an unclosed tag or quote.
        for (unsigned n = c.below(12); n > 0; --n) m.html += static_cast<char>(c.byte());
    }
  }
  return m;
}

std::size_t countEntries(const std::vector<SitemapEntry>& level, std::size_t depth,
                         std::size_t& height) {
  std::size_t n = 0;
  if (!level.empty() && depth > height) height = depth;
  for (const SitemapEntry& e : level) n += 1 + countEntries(e.children, depth + 1, height);
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  Choices c(data, size, 4, 40);
  const std::size_t maxDepth = 1 + c.below(kMaxSitemapDepth + 4);
  const bool noisy = c.below(2);
  const Made made = sitemapText(c, maxDepth, noisy);

  bool tooDeep = false;
  const std::vector<SitemapEntry> tree = parseSitemap(made.html, maxDepth, &tooDeep);
  std::size_t height = 0;
  const std::size_t entries = countEntries(tree, 1, height);
  if (height > maxDepth) std::abort();
  if (!noisy && (entries != made.entries || tooDeep != made.tooDeep)) std::abort();

  SitemapSources sources;
  sources.contents = made.html;
  sources.index = made.html;
  std::vector<TopicRecord> topics{{"a.htm", std::string("Topic"), 0}};
  StringPool strings;
  const BinaryTables tables = buildBinaryTables(sources, topics, strings);
  std::size_t indexEntries = 0, indexHeight = 0;
  indexEntries = countEntries(parseSitemap(made.html, kMaxIndexDepth), 1, indexHeight);
  if (tables.keywords.keywords > indexEntries) std::abort();
  if (tables.keywords.keywords > 0 && tables.keywords.btree.size() % 2048 != 0x4C) std::abort();
  return 0;
}
