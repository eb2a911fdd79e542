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

struct Sorted {
  std::vector<unsigned> key;
  std::string bytes;  // in the code page
  IndexNode node;
};

// Siblings sorted, equal ones merged: their topics (repeats kept, as the
// original compiler keeps them) and their sub-keywords joined.
std::vector<Sorted> sortLevel(const std::vector<IndexNode>& level, unsigned codePage) {
  std::vector<Sorted> out;
  for (const IndexNode& n : level) {
    std::string bytes = cp::fromUtf8(n.keyword, codePage);
    out.push_back({sortKey(bytes), std::move(bytes), n});
  }
  std::stable_sort(out.begin(), out.end(), [](const Sorted& a, const Sorted& b) {
    return a.key != b.key ? a.key < b.key : a.bytes < b.bytes;
  });
  std::vector<Sorted> merged;
  for (Sorted& s : out) {
    if (!merged.empty() && merged.back().node.keyword == s.node.keyword) {
      IndexNode& into = merged.back().node;
      into.topics.insert(into.topics.end(), s.node.topics.begin(), s.node.topics.end());
      if (!into.seeAlso) into.seeAlso = s.node.seeAlso;
      for (IndexNode& c : s.node.children) into.children.push_back(std::move(c));
      continue;
    }
    merged.push_back(std::move(s));
  }
  return merged;
}

void flatten(const std::vector<IndexNode>& level, const std::u16string& parent, std::uint16_t depth,
             unsigned codePage, std::vector<Flat>& out) {
  for (const Sorted& s : sortLevel(level, codePage)) {
    std::u16string own = cp::utf8ToUtf16(s.node.keyword);
    if (own.size() > kMaxKeyword) own.resize(kMaxKeyword);
    Flat f;
    f.text = parent.empty() && depth == 0 ? own : parent + u", " + own;
    f.charIndex = depth == 0 ? 0 : static_cast<std::uint32_t>(parent.size() + 2);
    if (f.text.size() > kMaxKeyword) f.text.resize(kMaxKeyword);
    f.depth = depth;
    f.topics = s.node.topics;
    if (s.node.seeAlso) {
      f.seeAlso = cp::utf8ToUtf16(*s.node.seeAlso);
      if (f.seeAlso->size() > kMaxKeyword) f.seeAlso->resize(kMaxKeyword);
    } else if (f.topics.empty()) {
      // A heading without pages refers to itself, as index editors write it.
      f.seeAlso = own;
    }
    const std::u16string full = f.text;
    out.push_back(std::move(f));
    flatten(s.node.children, full, static_cast<std::uint16_t>(depth + 1), codePage, out);
  }
}

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
  std::vector<Flat> flat;
  flatten(roots, std::u16string(), 0, codePage, flat);
  if (flat.empty()) {
    appendLe32(out.property, 0);
    return out;
  }
  out.keywords = static_cast<std::uint32_t>(flat.size());

  // Listing blocks, filled as far as each entry fits.
  constexpr std::size_t listingRoom = kBlockSize - kListingHeader;
  std::vector<Block> listing(1);
  for (std::size_t k = 0; k < flat.size(); ++k) {
    std::string e = entryHead(flat[k], listingRoom - 8);
    appendLe32(e, 1);
    appendLe32(e, static_cast<std::uint32_t>(kDataRecord * k));
    if (listing.back().bytes.size() + e.size() > listingRoom) {
      listing.emplace_back();
      listing.back().first = static_cast<std::uint32_t>(k);
    }
    listing.back().bytes += e;
    ++listing.back().count;
  }
  std::string blocks;
  const auto listingCount = static_cast<std::int32_t>(listing.size());
  for (std::int32_t i = 0; i < listingCount; ++i)
    blocks += finishBlock(listing[i], kListingHeader, i == 0 ? -1 : i - 1,
                          i + 1 == listingCount ? -1 : i + 1, true);

  // Index levels above them, each entry the first keyword of a child block,
  // until one block holds the root.
  struct Child {
    std::uint32_t block, first;
  };
  std::vector<Child> level;
  for (std::int32_t i = 0; i < listingCount; ++i)
    level.push_back({static_cast<std::uint32_t>(i), listing[i].first});
  std::uint32_t next = static_cast<std::uint32_t>(listingCount);
  std::uint16_t depth = 1;
  constexpr std::size_t indexRoom = kBlockSize - kIndexHeader;
  while (level.size() > 1) {
    std::vector<Block> made;
    std::vector<std::uint32_t> leftmost;
    for (std::size_t i = 0; i < level.size(); ++i) {
      std::string e;
      if (i > 0) {
        e = entryHead(flat[level[i].first], indexRoom - 4);
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
      blocks +=
          finishBlock(made[i], kIndexHeader, static_cast<std::int32_t>(leftmost[i]), 0, false);
      above.push_back({next++, made[i].first});
    }
    level = std::move(above);
    ++depth;
  }

  std::string& h = out.btree;
  appendLe16(h, kMagic);
  appendLe16(h, kTreeFlags);
  appendLe16(h, kBlockSize);
  std::string format(kFormatField, '\0');
  std::memcpy(format.data(), kFormat, sizeof kFormat - 1);
  h += format;
  appendLe32(h, 0);
  appendLe32(h, static_cast<std::uint32_t>(listingCount - 1));  // last listing block
  appendLe32(h, level.front().block);                           // root
  appendLe32(h, 0xFFFFFFFFu);
  appendLe32(h, next);  // blocks
  appendLe16(h, depth);
  appendLe32(h, out.keywords);
  appendLe32(h, codePage);
  appendLe32(h, lcid);
  appendLe32(h, 1);
  appendLe32(h, kHeaderConstant);
  h.resize(kHeaderSize, '\0');
  h += blocks;

  for (std::size_t k = 0; k < flat.size(); ++k)
    out.data.append(reinterpret_cast<const char*>(kDataBytes), kDataRecord);
  appendLe16(out.map, static_cast<std::uint16_t>(listingCount));
  for (std::int32_t i = 0; i < listingCount; ++i) {
    appendLe32(out.map, listing[i].first);
    appendLe32(out.map, static_cast<std::uint32_t>(i));
  }
  for (std::uint32_t v : kProperty) appendLe32(out.property, v);
  return out;
}
