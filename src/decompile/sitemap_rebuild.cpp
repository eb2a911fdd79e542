#include "decompile/sitemap_rebuild.h"

#include <algorithm>

#include "chmfiles/help_code_page.h"
#include "chmfiles/sitemap.h"
#include "chmfiles/system_file.h"
#include "chmfiles/topic_tables.h"
#include "common/string_utils.h"
#include "its/element_walk.h"
#include "its/text_helpers.h"
#include "platform/system/codepage.h"

namespace {

// A stored sitemap file is read whole up to this size; a larger claim is
// read only that far.
constexpr std::size_t kTableLimit = std::size_t{256} << 20;

bool isAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

void writeEntries(const std::vector<HelpTreeEntry>& entries, bool index, unsigned page,
                  std::size_t depth, std::string& out) {
  const std::string indent(depth + 1, '\t');
  out += std::string(depth, '\t') + "<UL>\r\n";
  for (const HelpTreeEntry& e : entries) {
    out += indent + "<LI> <OBJECT type=\"text/sitemap\">\r\n";
    auto param = [&](const char* key, std::string_view value) {
      out +=
          indent + "\t<param name=\"" + key + "\" value=\"" + sitemapValue(value, page) + "\">\r\n";
    };
    // A page without a title is named by its file name.
    std::string name = e.name;
    if (name.empty() && !e.topics.empty()) name = std::string(fileNamePart(e.topics[0].local));
    param("Name", name);
    if (!e.seeAlso.empty()) param("See Also", e.seeAlso);
    for (const TreeTopic& t : e.topics) {
      if (t.local.empty()) continue;
      if (index) param("Name", t.title.empty() ? name : t.title);
      param("Local", t.local);
      if (!index) break;
    }
    out += indent + "\t</OBJECT>\r\n";
    if (!e.children.empty()) writeEntries(e.children, index, page, depth + 1, out);
  }
  out += std::string(depth, '\t') + "</UL>\r\n";
}

std::size_t countEntries(const std::vector<HelpTreeEntry>& entries) {
  std::size_t n = entries.size();
  for (const HelpTreeEntry& e : entries) n += countEntries(e.children);
  return n;
}

bool anyLinkBeyondAscii(const std::vector<HelpTreeEntry>& entries) {
  for (const HelpTreeEntry& e : entries) {
    for (const TreeTopic& t : e.topics)
      if (!isAscii(t.local)) return true;
    if (anyLinkBeyondAscii(e.children)) return true;
  }
  return false;
}

// Which files #SYSTEM names and whether it asks for the binary tables (the
// two records hold a hash of the sitemap file's name).
struct SystemFacts {
  std::string contents, index;  // bytes in the help file's code page
  std::uint32_t binaryIndex = 0, binaryToc = 0;
};

// The stored streams with a sitemap file's extension, "/"-separated.
class SitemapStreams : public ElementAction {
 public:
  WalkStep storage(const WalkElement& e) override {
    return e.isSystemName() ? WalkStep::Skip : WalkStep::Continue;
  }
  WalkStep stream(const WalkElement& e) override {
    const std::size_t dot = e.name.rfind('.');
    if (e.isSystemName() || dot == std::string::npos) return WalkStep::Continue;
    const std::string ext = e.name.substr(dot);
    std::string path = e.path();
    std::replace(path.begin(), path.end(), '\\', '/');
    if (EqualsNoCase(ext, ".hhc")) contents.push_back(path);
    if (EqualsNoCase(ext, ".hhk")) index.push_back(path);
    return WalkStep::Continue;
  }
  std::vector<std::string> contents, index;
};

// The stored sitemap file #SYSTEM does not name: the one whose name hash
// the binary table's record holds, else the first of its kind; empty when
// the file holds none.
std::string storedSitemap(const std::vector<std::string>& paths, std::uint32_t hash) {
  for (const std::string& p : paths)
    if (hash != 0 && NameHash(fileNamePart(p)) == hash) return p;
  return paths.empty() ? std::string() : paths.front();
}

SystemFacts readSystemFacts(itss::IStorage* root) {
  SystemFacts f;
  SystemStream system;
  if (!system.open(root)) return f;
  std::uint16_t code = 0, length = 0;
  while (system.next(code, length)) {
    if (code == kSysContentsFile) {
      f.contents = recordText(system.readData());
    } else if (code == kSysIndexFile) {
      f.index = recordText(system.readData());
    } else if (code == kSysBinaryIndex) {
      f.binaryIndex = recordValue(system.readData());
    } else if (code == kSysBinaryToc) {
      f.binaryToc = recordValue(system.readData());
    } else {
      system.skipData();
    }
  }
  return f;
}

// A name from #SYSTEM as a path below the target: "\" taken as "/", dot
// segments resolved inside it; empty when nothing is left.
std::string relativePath(const std::string& utf8) {
  std::string s = utf8;
  std::replace(s.begin(), s.end(), '\\', '/');
  if (s.find(':') != std::string::npos) return {};  // a file of another help file
  return RemoveDotSegments(s);
}

// Whether the stored file at path is missing or holds no entry.
bool storedIsEmpty(itss::IStorage* root, const std::string& path) {
  std::vector<std::uint8_t> bytes;
  if (itss::FAILED(readStreamBytes(root, path.c_str(), kTableLimit, bytes))) return true;
  return parseSitemap(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()))
      .empty();
}

}  // namespace

std::string sitemapValue(std::string_view utf8, unsigned codePage) {
  const std::string text = HtmlEscape(utf8, false);
  if (codePage == cp::kUtf8 || isAscii(text)) return text;
  std::string bytes = cp::fromUtf8(text, codePage);
  if (std::count(bytes.begin(), bytes.end(), '?') == std::count(text.begin(), text.end(), '?'))
    return bytes;
  // Some character is missing from the code page: character by character.
  bytes.clear();
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = 0;
    std::size_t n = cp::decodeUtf8(text, i, c);
    if (n == 0) {
      c = 0xFFFD;
      n = 1;
    }
    const std::string one = cp::fromUtf8(text.substr(i, n), codePage);
    if (one == "?" && c != '?')
      bytes += "&#" + std::to_string(static_cast<std::uint32_t>(c)) + ";";
    else
      bytes += one;
    i += n;
  }
  return bytes;
}

std::string sitemapText(const std::vector<HelpTreeEntry>& entries, bool index, unsigned codePage) {
  std::string out =
      "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">\r\n<HTML>\r\n<HEAD>\r\n"
      "<!-- Sitemap 1.0 -->\r\n</HEAD><BODY>\r\n";
  writeEntries(entries, index, codePage, 0, out);
  out += "</BODY></HTML>\r\n";
  return out;
}

std::vector<RebuiltSitemap> rebuildSitemaps(itss::IStorage* root, std::string_view compiledName) {
  std::vector<RebuiltSitemap> out;
  if (!root) return out;
  const unsigned page = helpFileCodePage(root);
  const SystemFacts facts = readSystemFacts(root);
  std::string stem(fileNamePart(compiledName));
  if (const std::size_t dot = stem.rfind('.'); dot != std::string::npos) stem.resize(dot);
  if (stem.empty()) stem = "index";

  SitemapStreams streams;
  walkElements(root, std::string(), streams);
  for (const bool index : {false, true}) {
    const std::string& named = index ? facts.index : facts.contents;
    if (index && named.empty() && facts.binaryIndex == 0) continue;
    RebuiltSitemap r;
    r.index = index;
    r.path = relativePath(helpNameToUtf8(named, page, [root](const std::string& name) {
      std::vector<std::uint8_t> none;
      return itss::SUCCEEDED(readStreamBytes(root, relativePath(name).c_str(), 0, none));
    }));
    r.named = !r.path.empty();
    if (!r.named) {
      r.path = storedSitemap(index ? streams.index : streams.contents,
                             index ? facts.binaryIndex : facts.binaryToc);
      if (r.path.empty()) r.path = stem + (index ? ".hhk" : ".hhc");
    }
    if (!storedIsEmpty(root, r.path)) continue;

    const HelpTree tree = index ? readIndex(root, TreeSourceChoice::kBinaryOnly)
                                : readContents(root, TreeSourceChoice::kBinaryOnly);
    if (tree.entries.empty()) continue;
    r.entries = countEntries(tree.entries);
    r.text = sitemapText(tree.entries, index, anyLinkBeyondAscii(tree.entries) ? cp::kUtf8 : page);
    out.push_back(std::move(r));
  }
  return out;
}
