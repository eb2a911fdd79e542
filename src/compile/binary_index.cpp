// "$WWKeywordLinks/" (BTree, Data, Map, Property), the binary index.
#include <algorithm>
#include <cstring>

#include "chmfiles/binary_tables_format.h"
#include "compile/binary_tables.h"
#include "platform/itss/bytes.h"
#include "platform/system/codepage.h"

using itss::appendLe16;
using itss::appendLe32;

namespace {

// BTree header.
constexpr std::uint16_t kMagic = 0x293B;
constexpr std::uint16_t kTreeFlags = 0x0104;  // as the files viewers ship with
constexpr std::uint16_t kBlockSize = 2048;
constexpr char kFormat[] = "X44";  // in a 16-byte field
constexpr std::size_t kFormatField = 16;
constexpr std::uint32_t kHeaderConstant = 0x272F;
using kwtree::kHeaderSize;
using kwtree::kIndexHeader;
using kwtree::kListingHeader;
using kwtree::kSeeAlsoFlag;

// Every keyword owns this many bytes of "Data"; its entry gives its offset.
constexpr std::size_t kDataRecord = 13;
constexpr std::uint8_t kDataBytes[kDataRecord] = {0, 0, 0, 0, 5, 0, 0, 0, 0x80, 0, 0, 0, 0};
constexpr std::uint32_t kProperty[] = {0, 0, 0, 0x0C, 1, 1, 0, 0};
// Keywords longer than this are cut, so that every entry fits its block.
constexpr std::size_t kMaxKeyword = 400;

struct Flat {
  std::u16string text;  // "parent, child"
  std::uint16_t depth = 0;
  std::uint32_t charIndex = 0;  // where the last level starts in text
  std::vector<std::uint32_t> topics;
  std::optional<std::u16string> seeAlso;
};

// The order viewers expect the keywords in, as the original compiler sorts
// them (checked against the indexes of real files): letter case, hyphens,
// apostrophes, tildes and leading underscores do not count; punctuation
// comes before digits and digits before letters, "+<=>" after the other
// punctuation; bytes beyond ASCII in the code page's order after them (for
// GB2312 text, its level-1 characters are in pinyin order). Keywords equal
// so far are ordered by case, lower case first ("files" before "Files"),
// then by the characters passed over: none first, then "~", "'", "-" ("="
// before "~=" before "-=").
constexpr std::string_view kPunctuation = " !\"#$%&()*,./:;?@[\\]^_`{|}+<=>";
constexpr std::string_view kPassedOver = "~'-";

std::vector<unsigned> sortKey(std::string_view text) {
  std::vector<unsigned> key, letterCase, passedOver;
  bool leading = true;
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (const std::size_t p = kPassedOver.find(static_cast<char>(c)); p != kPassedOver.npos) {
      passedOver.push_back(1 + static_cast<unsigned>(p));
      continue;
    }
    if (c == '_' && leading) continue;
    leading = false;
    letterCase.push_back(c >= 'A' && c <= 'Z' ? 1 : 0);
    if (c >= 0x80)
      key.push_back(0x400 + c);
    else if (c >= 'A' && c <= 'Z')
      key.push_back(0x300 + c - 'A' + 'a');
    else if (c >= 'a' && c <= 'z')
      key.push_back(0x300 + c);
    else if (c >= '0' && c <= '9')
      key.push_back(0x200 + c);
    else if (const std::size_t p = kPunctuation.find(static_cast<char>(c)); p != kPunctuation.npos)
      key.push_back(0x100 + static_cast<unsigned>(p));
    else
      key.push_back(c);  // control characters first
  }
  // 0 is below every character's value: a key that is a prefix of another
  // sorts first, and the tie-breaks count only between equal keys.
  key.push_back(0);
  key.insert(key.end(), letterCase.begin(), letterCase.end());
  key.push_back(0);
  key.insert(key.end(), passedOver.begin(), passedOver.end());
  return key;
}

// Equal siblings merged: their topics (repeats kept, as the original
// compiler keeps them) and their sub-keywords joined. The nodes are pointed
// to, never copied: a level costs memory for its own entries only.
struct Sorted {
  std::vector<unsigned> key;
  std::string bytes;  // in the code page
  std::vector<const IndexNode*> parts;
};

std::vector<Sorted> sortLevel(const std::vector<const IndexNode*>& level, unsigned codePage) {
  std::vector<Sorted> out;
  out.reserve(level.size());
  for (const IndexNode* n : level) {
    std::string bytes = cp::fromUtf8(n->keyword, codePage);
    out.push_back({sortKey(bytes), std::move(bytes), {n}});
  }
  std::stable_sort(out.begin(), out.end(), [](const Sorted& a, const Sorted& b) {
    return a.key != b.key ? a.key < b.key : a.bytes < b.bytes;
  });
  std::vector<Sorted> merged;
  for (Sorted& s : out) {
    if (!merged.empty() && merged.back().parts.front()->keyword == s.parts.front()->keyword) {
      merged.back().parts.push_back(s.parts.front());
      continue;
    }
    merged.push_back(std::move(s));
    merged.back().key = {};  // sorted: the key is not needed any more
  }
  return merged;
}

// The keywords depth first, each level sorted, one at a time: memory holds
// the levels on the way down, not the whole flattened index.
class Flattener {
 public:
  Flattener(const std::vector<IndexNode>& roots, unsigned codePage) : codePage_(codePage) {
    std::vector<const IndexNode*> top;
    top.reserve(roots.size());
    for (const IndexNode& n : roots) top.push_back(&n);
    push(top, {}, 0);
  }

  bool next(Flat& f) {
    while (!frames_.empty() && frames_.back().next == frames_.back().level.size())
      frames_.pop_back();
    if (frames_.empty()) return false;
    Frame& frame = frames_.back();
    const Sorted& s = frame.level[frame.next++];
    std::u16string own = cp::utf8ToUtf16(s.parts.front()->keyword);
    if (own.size() > kMaxKeyword) own.resize(kMaxKeyword);
    f = Flat();
    f.text = frame.parent.empty() && frame.depth == 0 ? own : frame.parent + u", " + own;
    f.charIndex = frame.depth == 0 ? 0 : static_cast<std::uint32_t>(frame.parent.size() + 2);
    if (f.text.size() > kMaxKeyword) f.text.resize(kMaxKeyword);
    f.depth = frame.depth;
    const std::optional<std::string>* seeAlso = nullptr;
    std::vector<const IndexNode*> children;
    for (const IndexNode* part : s.parts) {
      f.topics.insert(f.topics.end(), part->topics.begin(), part->topics.end());
      if (!seeAlso && part->seeAlso) seeAlso = &part->seeAlso;
      for (const IndexNode& c : part->children) children.push_back(&c);
    }
    if (seeAlso) {
      f.seeAlso = cp::utf8ToUtf16(**seeAlso);
      if (f.seeAlso->size() > kMaxKeyword) f.seeAlso->resize(kMaxKeyword);
    } else if (f.topics.empty()) {
      // A heading without pages refers to itself, as index editors write it.
      f.seeAlso = own;
    }
    // The depth field ends the nesting a caller could build.
    if (frame.depth < 0xFFFF) push(children, f.text, static_cast<std::uint16_t>(frame.depth + 1));
    return true;
  }

 private:
  struct Frame {
    std::vector<Sorted> level;
    std::size_t next = 0;
    std::u16string parent;
    std::uint16_t depth = 0;
  };
  void push(const std::vector<const IndexNode*>& level, std::u16string parent,
            std::uint16_t depth) {
    if (level.empty()) return;
    frames_.push_back({sortLevel(level, codePage_), 0, std::move(parent), depth});
  }

  unsigned codePage_;
  std::vector<Frame> frames_;
};

void appendText(std::string& out, const std::u16string& text) {
  for (char16_t c : text) appendLe16(out, static_cast<std::uint16_t>(c));
  appendLe16(out, 0);
}

// The part of an entry that listing and index blocks share.
std::string entryHead(const Flat& f, std::size_t room) {
  std::string out;
  appendText(out, f.text);
  appendLe16(out, f.seeAlso ? kSeeAlsoFlag : 0);
  appendLe16(out, f.depth);
  appendLe32(out, f.charIndex);
  appendLe32(out, 0);
  if (f.seeAlso) {
    appendLe32(out, 1);
    appendText(out, *f.seeAlso);
    return out;
  }
  // A keyword on more pages than a block holds keeps those that fit.
  std::size_t count = f.topics.size();
  const std::size_t fixed = out.size() + 4;
  if (fixed + 4 * count > room) count = room > fixed ? (room - fixed) / 4 : 0;
  appendLe32(out, static_cast<std::uint32_t>(count));
  for (std::size_t i = 0; i < count; ++i) appendLe32(out, f.topics[i]);
  return out;
}

struct Block {
  std::string bytes;  // without the header
  std::uint16_t count = 0;
  std::uint32_t first = 0;  // the first keyword in this block's subtree
};

std::string finishBlock(const Block& b, std::size_t headerSize, std::int32_t a, std::int32_t c,
                        bool listing) {
  std::string out;
  const auto free = static_cast<std::uint16_t>(kBlockSize - headerSize - b.bytes.size());
  appendLe16(out, free);
  appendLe16(out, b.count);
  appendLe32(out, static_cast<std::uint32_t>(a));
  if (listing) appendLe32(out, static_cast<std::uint32_t>(c));
  out += b.bytes;
  out.resize(kBlockSize, '\0');
  return out;
}

}  // namespace

KeywordLinks buildKeywordLinks(const std::vector<IndexNode>& roots, unsigned codePage,
                               std::uint32_t lcid) {
  KeywordLinks out;
  Flattener keywords(roots, codePage);
  Flat flat;
  if (!keywords.next(flat)) {
    appendLe32(out.property, 0);
    return out;
  }
  // The header's place; it is filled in once the blocks are counted. Blocks
  // are written as they fill, so the keywords are never all held at once.
  std::string& h = out.btree;
  h.assign(kHeaderSize, '\0');

  // Listing blocks, filled as far as each entry fits. Each block's first
  // keyword is kept for the index blocks above.
  constexpr std::size_t listingRoom = kBlockSize - kListingHeader;
  std::vector<Flat> firsts;
  std::vector<std::uint32_t> firstNumbers;
  Block block;
  std::uint32_t k = 0;
  std::int32_t listingCount = 0;
  do {
    std::string e = entryHead(flat, listingRoom - 8);
    appendLe32(e, 1);
    appendLe32(e, static_cast<std::uint32_t>(kDataRecord * k));
    if (k == 0 || block.bytes.size() + e.size() > listingRoom) {
      if (k > 0) {
        h += finishBlock(block, kListingHeader, listingCount == 0 ? -1 : listingCount - 1,
                         listingCount + 1, true);
        ++listingCount;
      }
      block = Block();
      block.first = k;
      firsts.push_back(flat);
      firstNumbers.push_back(k);
    }
    block.bytes += e;
    ++block.count;
    ++k;
  } while (keywords.next(flat));
  h += finishBlock(block, kListingHeader, listingCount == 0 ? -1 : listingCount - 1, -1, true);
  ++listingCount;
  out.keywords = k;
  // A block's first keyword by its number.
  auto firstFlat = [&](std::uint32_t number) -> const Flat& {
    const auto at = std::lower_bound(firstNumbers.begin(), firstNumbers.end(), number);
    return firsts[static_cast<std::size_t>(at - firstNumbers.begin())];
  };

  // Index levels above them, each entry the first keyword of a child block,
  // until one block holds the root.
  struct Child {
    std::uint32_t block, first;
  };
  std::vector<Child> level;
  for (std::int32_t i = 0; i < listingCount; ++i)
    level.push_back({static_cast<std::uint32_t>(i), firstNumbers[static_cast<std::size_t>(i)]});
  std::uint32_t next = static_cast<std::uint32_t>(listingCount);
  std::uint16_t depth = 1;
  constexpr std::size_t indexRoom = kBlockSize - kIndexHeader;
  while (level.size() > 1) {
    std::vector<Block> made;
    std::vector<std::uint32_t> leftmost;
    for (std::size_t i = 0; i < level.size(); ++i) {
      std::string e;
      if (i > 0) {
        e = entryHead(firstFlat(level[i].first), indexRoom - 4);
        appendLe32(e, level[i].block);
      }
      if (i == 0 || made.back().bytes.size() + e.size() > indexRoom) {
        made.emplace_back();
        made.back().first = level[i].first;
        leftmost.push_back(level[i].block);
        continue;
      }
      made.back().bytes += e;
      ++made.back().count;
    }
    std::vector<Child> above;
    for (std::size_t i = 0; i < made.size(); ++i) {
      h += finishBlock(made[i], kIndexHeader, static_cast<std::int32_t>(leftmost[i]), 0, false);
      above.push_back({next++, made[i].first});
    }
    level = std::move(above);
    ++depth;
  }

  std::string header;
  appendLe16(header, kMagic);
  appendLe16(header, kTreeFlags);
  appendLe16(header, kBlockSize);
  std::string format(kFormatField, '\0');
  std::memcpy(format.data(), kFormat, sizeof kFormat - 1);
  header += format;
  appendLe32(header, 0);
  appendLe32(header, static_cast<std::uint32_t>(listingCount - 1));  // last listing block
  appendLe32(header, level.front().block);                           // root
  appendLe32(header, 0xFFFFFFFFu);
  appendLe32(header, next);  // blocks
  appendLe16(header, depth);
  appendLe32(header, out.keywords);
  appendLe32(header, codePage);
  appendLe32(header, lcid);
  appendLe32(header, 1);
  appendLe32(header, kHeaderConstant);
  header.resize(kHeaderSize, '\0');
  h.replace(0, kHeaderSize, header);

  out.data.reserve(kDataRecord * out.keywords);
  for (std::uint32_t n = 0; n < out.keywords; ++n)
    out.data.append(reinterpret_cast<const char*>(kDataBytes), kDataRecord);
  appendLe16(out.map, static_cast<std::uint16_t>(listingCount));
  for (std::int32_t i = 0; i < listingCount; ++i) {
    appendLe32(out.map, firstNumbers[static_cast<std::size_t>(i)]);
    appendLe32(out.map, static_cast<std::uint32_t>(i));
  }
  for (std::uint32_t v : kProperty) appendLe32(out.property, v);
  return out;
}
