#include "chmfiles/help_trees.h"

#include <algorithm>
#include <unordered_set>

#include "chmfiles/binary_tables_format.h"
#include "chmfiles/help_code_page.h"
#include "chmfiles/sitemap.h"
#include "chmfiles/sitemap_text.h"
#include "chmfiles/system_file.h"
#include "chmfiles/windows_file.h"
#include "common/string_utils.h"
#include "its/element_walk.h"
#include "platform/itss/bytes.h"
#include "platform/system/codepage.h"

namespace {

using namespace tocidx;
using namespace kwtree;

// Sitemap files are read whole up to this size.
constexpr std::size_t kMaxSitemapBytes = 64u << 20;

std::uint16_t le16At(Bytes b, std::size_t at) {
  return at + 2 <= b.size() ? itss::le16(b.data() + at) : 0;
}

// A NUL-terminated UTF-16 text at b[at]; false when the terminator is missing.
bool utf16Text(Bytes b, std::size_t& at, std::string& out) {
  std::u16string text;
  for (;;) {
    if (at + 2 > b.size()) return false;
    const char16_t c = itss::le16(b.data() + at);
    at += 2;
    if (c == 0) break;
    text += c;
  }
  out = cp::utf16ToUtf8(text);
  return true;
}

// Builds a tree from entries met in depth-first order, each with its depth.
class TreeBuilder {
 public:
  void add(HelpTreeEntry entry, std::size_t depth) {
    if (depth >= kMaxTreeDepth) depth = kMaxTreeDepth - 1;
    if (depth > path_.size()) depth = path_.size();  // a skipped level joins the last one
    path_.resize(depth);
    std::vector<HelpTreeEntry>& level = depth == 0 ? roots_ : path_.back()->children;
    level.push_back(std::move(entry));
    path_.push_back(&level.back());
  }
  std::vector<HelpTreeEntry> take() {
    path_.clear();
    return std::move(roots_);
  }

 private:
  std::vector<HelpTreeEntry> roots_;
  // Pointers stay valid: a level only grows while it is the deepest one.
  std::vector<HelpTreeEntry*> path_;
};

// Recursion over #TOCIDX entries, with every offset visited at most once.
class TocWalker {
 public:
  TocWalker(Bytes toc, TopicNames& names) : toc_(toc), names_(names) {}

  void level(std::uint32_t offset, std::size_t depth) {
    while (offset != 0) {
      if (offset < kHdrFirstEntry + 4 || offset > toc_.size() || toc_.size() - offset < kLeafSize ||
          !seen_.insert(offset).second)
        return;
      const Bytes e = toc_.subspan(offset);
      const std::uint32_t flags = le32At(e, kEntryFlags);
      const std::uint32_t number = le32At(e, kEntryNumber);
      HelpTreeEntry entry;
      if (flags & kFlagTopic) {
        if (std::optional<TreeTopic> t = names_.topic(number)) {
          entry.name = t->title;
          entry.topics.push_back(std::move(*t));
        }
      } else {
        entry.name = names_.text(number);
      }
      builder_.add(std::move(entry), depth);
      if ((flags & kFlagChildren) && e.size() >= kBookSize)
        level(le32At(e, kEntryChild), depth + 1);
      offset = le32At(e, kEntryNext);
    }
  }
  std::vector<HelpTreeEntry> take() { return builder_.take(); }

 private:
  Bytes toc_;
  TopicNames& names_;
  TreeBuilder builder_;
  std::unordered_set<std::uint32_t> seen_;
};

// One keyword of a listing block; false when it runs past the block.
bool readKeyword(Bytes block, std::size_t& at, TopicNames& names, HelpTreeEntry& entry,
                 std::size_t& depth) {
  std::string text;
  if (!utf16Text(block, at, text) || block.size() - at < kKeywordFixed) return false;
  const bool seeAlso = le16At(block, at) == kSeeAlsoFlag;
  depth = le16At(block, at + 2);
  const std::uint32_t charIndex = le32At(block, at + 4);
  const std::uint32_t count = le32At(block, at + 12);
  at += kKeywordFixed;
  // The text holds the whole path ("parent, child"); the entry's own name
  // starts at charIndex UTF-16 units.
  const std::u16string units = cp::utf8ToUtf16(text);
  entry.name = charIndex < units.size() ? cp::utf16ToUtf8(units.substr(charIndex)) : text;
  if (seeAlso) {
    if (!utf16Text(block, at, entry.seeAlso)) return false;
  } else {
    if (count > (block.size() - at) / 4) return false;
    for (std::uint32_t i = 0; i < count; ++i, at += 4)
      if (std::optional<TreeTopic> t = names.topic(le32At(block, at)))
        entry.topics.push_back(std::move(*t));
  }
  if (block.size() - at < 8) return false;  // 1, the keyword's Data offset
  at += 8;
  return true;
}

std::string readWhole(itss::IStorage* root, const char* name, std::size_t limit, bool& present) {
  std::vector<std::uint8_t> bytes;
  const itss::HRESULT hr = readStreamBytes(root, name, limit, bytes);
  present = hr != itss::STG_E_FILENOTFOUND;
  return std::string(bytes.begin(), bytes.end());
}

TopicNames topicNamesOf(itss::IStorage* root, TopicLookup& lookup, unsigned codePage) {
  std::vector<TopicEntry> topics;
  readTopics(root, topics);
  return TopicNames(std::move(topics), lookup, codePage);
}

// The first top-level stream whose name ends with extension.
class FindByExtension : public ElementAction {
 public:
  explicit FindByExtension(std::string_view extension) : extension_(extension) {}
  WalkStep storage(const WalkElement&) override { return WalkStep::Skip; }
  WalkStep stream(const WalkElement& e) override {
    if (e.name.size() > extension_.size() &&
        EqualsNoCase(std::string_view(e.name).substr(e.name.size() - extension_.size()),
                     extension_)) {
      found = e.name;
      return WalkStep::EndLevel;
    }
    return WalkStep::Continue;
  }
  std::string found;

 private:
  std::string_view extension_;
};

// The sitemap file of a help file: #SYSTEM's record, else the first window
// type's, else the first one at the top.
std::string sitemapName(itss::IStorage* root, bool contents, TopicLookup& lookup) {
  SystemStream system;
  if (system.open(root)) {
    std::uint16_t code = 0, length = 0;
    while (system.next(code, length)) {
      if (code == (contents ? kSysContentsFile : kSysIndexFile)) {
        const std::string name = recordText(system.readData());
        if (!name.empty()) return name;
      }
    }
  }
  for (const WindowTypeEntry& w : readWindowTypes(root)) {
    const std::uint32_t offset = contents ? w.contentsFile : w.indexFile;
    if (offset == 0) continue;
    const std::string name = lookup.text(offset);
    if (!name.empty()) return name;
  }
  FindByExtension find(contents ? ".hhc" : ".hhk");
  walkElements(root, std::string(), find);
  return find.found;
}

HelpTree readTree(itss::IStorage* root, TreeSourceChoice choice, bool contents) {
  HelpTree tree;
  const unsigned codePage = helpFileCodePage(root);
  TopicLookup lookup(root);
  TopicNames names = topicNamesOf(root, lookup, codePage);
  if (choice != TreeSourceChoice::kSitemapOnly) {
    bool present = false;
    const std::string table =
        readWhole(root, contents ? "#TOCIDX" : "$WWKeywordLinks/BTree", kMaxSitemapBytes, present);
    const Bytes bytes(reinterpret_cast<const std::uint8_t*>(table.data()), table.size());
    tree.entries = contents ? decodeTocIdx(bytes, names) : decodeKeywordTree(bytes, names);
    if (!tree.entries.empty() || choice == TreeSourceChoice::kBinaryOnly) {
      tree.origin = tree.entries.empty() ? TreeOrigin::kNone : TreeOrigin::kBinary;
      return tree;
    }
  }
  std::string name = sitemapName(root, contents, lookup);
  if (name.empty()) return tree;
  // Names in #SYSTEM may carry a leading "/" or a window's "file.chm::/" form.
  if (const std::size_t sep = name.find("::"); sep != std::string::npos) name.erase(0, sep + 2);
  while (!name.empty() && (name.front() == '/' || name.front() == '\\')) name.erase(0, 1);
  bool present = false;
  const std::string html = readWhole(root, name.c_str(), kMaxSitemapBytes, present);
  if (!present) return tree;
  tree.origin = TreeOrigin::kSitemap;
  tree.sitemapName = helpTextToUtf8(name, codePage);
  tree.entries = sitemapTree(html, codePage, contents ? nullptr : &names);
  return tree;
}

void convertSitemap(const std::vector<SitemapEntry>& level, std::size_t depth, unsigned codePage,
                    TopicNames* names, std::vector<HelpTreeEntry>& out) {
  for (const SitemapEntry& e : level) {
    HelpTreeEntry entry;
    entry.name = sitemapTextToUtf8(e.name, codePage);
    if (names) {
      for (const std::string& l : e.locals) {
        TreeTopic t{std::string(), sitemapTextToUtf8(l, codePage)};
        t.title = names->titleOf(t.local);
        entry.topics.push_back(std::move(t));
      }
      if (entry.topics.empty()) entry.seeAlso = sitemapTextToUtf8(e.seeAlso, codePage);
    } else if (!e.local.empty()) {
      entry.topics.push_back({entry.name, sitemapTextToUtf8(e.local, codePage)});
    }
    // The parser already caps its nesting; this keeps the walk bounded on
    // its own.
    if (depth + 1 < kMaxTreeDepth)
      convertSitemap(e.children, depth + 1, codePage, names, entry.children);
    out.push_back(std::move(entry));
  }
}

}  // namespace

std::string foldedLocal(std::string_view local) {
  std::string out;
  out.reserve(local.size());
  for (char c : local) {
    if (c == '\\') c = '/';
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    out += c;
  }
  std::size_t lead = 0;
  while (lead < out.size() && out[lead] == '/') ++lead;
  return out.substr(lead);
}

std::optional<TreeTopic> TopicNames::topic(std::uint32_t number) {
  if (number >= topics_.size()) return std::nullopt;
  const TopicText t = joinTopic(topics_[number], lookup_);
  return TreeTopic{helpTextToUtf8(t.title, codePage_), helpTextToUtf8(t.link, codePage_)};
}

std::string TopicNames::text(std::uint32_t offset) {
  return helpTextToUtf8(lookup_.text(offset), codePage_);
}

std::string TopicNames::titleOf(std::string_view local) {
  if (!byLocal_) {
    byLocal_.emplace();
    for (const TopicEntry& e : topics_) {
      const TopicText t = joinTopic(e, lookup_);
      byLocal_->emplace(foldedLocal(helpTextToUtf8(t.link, codePage_)),
                        helpTextToUtf8(t.title, codePage_));
    }
  }
  const auto it = byLocal_->find(foldedLocal(local));
  return it == byLocal_->end() ? std::string() : it->second;
}

std::vector<HelpTreeEntry> decodeTocIdx(Bytes tocidx, TopicNames& names) {
  TocWalker walker(tocidx, names);
  walker.level(le32At(tocidx, kHdrFirstEntry), 0);
  return walker.take();
}

std::vector<HelpTreeEntry> decodeKeywordTree(Bytes btree, TopicNames& names) {
  TreeBuilder builder;
  const std::size_t blockSize = le16At(btree, kHdrBlockSize);
  if (btree.size() < kHeaderSize || blockSize < kListingHeader + kKeywordFixed)
    return builder.take();
  const std::size_t blocks = (btree.size() - kHeaderSize) / blockSize;
  auto blockAt = [&](std::uint32_t n) {
    return btree.subspan(kHeaderSize + std::size_t{n} * blockSize, blockSize);
  };
  // The listing blocks come first, in keyword order, up to the last one the
  // header names. Their chain fields are not followed: one writer fills the
  // "next" field with the block's own number.
  const std::size_t lastListing = std::min<std::size_t>(le32At(btree, kHdrLastListing), blocks - 1);
  for (std::size_t block = 0; blocks > 0 && block <= lastListing; ++block) {
    const Bytes b = blockAt(static_cast<std::uint32_t>(block));
    const std::uint16_t free = le16At(b, 0), count = le16At(b, 2);
    if (free > blockSize - kListingHeader) continue;
    const Bytes used = b.first(blockSize - free);
    std::size_t at = kListingHeader;
    for (std::uint16_t i = 0; i < count; ++i) {
      HelpTreeEntry entry;
      std::size_t level = 0;
      if (!readKeyword(used, at, names, entry, level)) break;
      builder.add(std::move(entry), level);
    }
  }
  return builder.take();
}

std::vector<HelpTreeEntry> sitemapTree(std::string_view html, unsigned codePage,
                                       TopicNames* names) {
  std::vector<HelpTreeEntry> out;
  convertSitemap(parseSitemap(html), 0, codePage, names, out);
  return out;
}

HelpTree readContents(itss::IStorage* root, TreeSourceChoice choice) {
  return readTree(root, choice, true);
}

HelpTree readIndex(itss::IStorage* root, TreeSourceChoice choice) {
  return readTree(root, choice, false);
}
