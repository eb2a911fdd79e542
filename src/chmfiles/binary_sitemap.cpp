#include "chmfiles/binary_sitemap.h"

#include <unordered_set>

#include "platform/itss/bytes.h"

namespace {

// Keyword tree header fields.
constexpr std::uint16_t kTreeMagic = 0x293B;
constexpr std::size_t kTreeBlockSizeField = 0x04;
constexpr std::size_t kTreeLastListingField = 0x1A;
// Block headers: free space, entry count, then for a listing block the
// previous and next block (-1 at the ends of the chain).
constexpr std::size_t kListingBlockHeader = 12;
constexpr std::size_t kListingPreviousField = 4;
constexpr std::uint16_t kSeeAlsoFlag = 2;
// After the text: see-also flag, depth, character index, a zero, the count.
constexpr std::size_t kKeywordFields = 16;
// A listing entry ends with two more values (1, the keyword's "Data" offset).
constexpr std::size_t kListingTail = 8;

// #TOCIDX: the first top-level entry's offset is the header's first value.
constexpr std::size_t kContentsEntry = 20;
constexpr std::size_t kContentsFlags = 4, kContentsNumber = 8, kContentsNext = 16,
                      kContentsFirstChild = 20;
constexpr std::size_t kContentsBook = 28;

std::uint16_t at16(Bytes b, std::size_t off) {
  return off + 2 <= b.size() ? itss::le16(b.data() + off) : 0;
}

// A NUL-terminated UTF-16 text from off, not past end; false when it has
// no terminator there.
bool readText(Bytes b, std::size_t& off, std::size_t end, std::u16string& out) {
  out.clear();
  for (; off + 2 <= end; off += 2) {
    const char16_t c = at16(b, off);
    if (c == 0) {
      off += 2;
      return true;
    }
    out += c;
  }
  return false;
}

// One listing entry at off, inside the block that ends at end.
bool readKeyword(Bytes b, std::size_t& off, std::size_t end, KeywordRecord& k) {
  // An empty keyword is no entry: the block's entries end before it.
  if (!readText(b, off, end, k.text) || k.text.empty() || end - off < kKeywordFields) return false;
  const bool seeAlso = at16(b, off) == kSeeAlsoFlag;
  k.depth = at16(b, off + 2);
  k.charIndex = le32At(b, off + 4);
  const std::uint32_t count = le32At(b, off + 12);
  off += kKeywordFields;
  if (seeAlso) {
    std::u16string target;
    if (!readText(b, off, end, target)) return false;
    k.seeAlso = std::move(target);
  } else {
    if (count > (end - off) / 4) return false;
    k.topics.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i, off += 4) k.topics.push_back(le32At(b, off));
  }
  if (end - off < kListingTail) return false;
  off += kListingTail;
  return true;
}

void walkContents(Bytes b, std::uint32_t offset, std::size_t depth,
                  std::unordered_set<std::uint32_t>& seen, std::vector<ContentsRecord>& out) {
  while (offset != 0 && offset <= b.size() && b.size() - offset >= kContentsEntry &&
         seen.insert(offset).second) {
    ContentsRecord r;
    r.offset = offset;
    r.flags = le32At(b, offset + kContentsFlags);
    r.number = le32At(b, offset + kContentsNumber);
    if ((r.flags & kContentsHasChildren) && b.size() - offset >= kContentsBook &&
        depth + 1 < kMaxContentsDepth)
      walkContents(b, le32At(b, offset + kContentsFirstChild), depth + 1, seen, r.children);
    offset = le32At(b, offset + kContentsNext);
    out.push_back(std::move(r));
  }
}

}  // namespace

std::u16string KeywordRecord::ownText() const {
  return charIndex < text.size() ? text.substr(charIndex) : text;
}

std::vector<KeywordRecord> decodeKeywordTree(Bytes tree) {
  std::vector<KeywordRecord> out;
  if (tree.size() < kKeywordTreeHeader || at16(tree, 0) != kTreeMagic) return out;
  std::size_t blockSize = at16(tree, kTreeBlockSizeField);
  if (blockSize < kListingBlockHeader + kKeywordFields) blockSize = kKeywordTreeBlock;
  const std::size_t blocks = (tree.size() - kKeywordTreeHeader) / blockSize;
  auto base = [&](std::uint32_t block) { return kKeywordTreeHeader + blockSize * block; };

  // The listing blocks, back from the last one along the previous-block
  // links. Neither the header's depth nor the next-block links are to be
  // trusted: some writers store a depth of 1 above levels of index blocks,
  // and a block's own number as its next block.
  std::uint32_t block = le32At(tree, kTreeLastListingField);
  std::vector<bool> visited(blocks, false);
  std::vector<std::uint32_t> chain;
  while (block < blocks && !visited[block]) {
    visited[block] = true;
    chain.push_back(block);
    block = le32At(tree, base(block) + kListingPreviousField);  // -1 before the first
  }
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    const std::size_t start = base(*it);
    const std::size_t end = start + blockSize;
    const std::uint16_t count = at16(tree, start + 2);
    std::size_t off = start + kListingBlockHeader;
    for (std::uint16_t i = 0; i < count; ++i) {
      KeywordRecord k;
      if (!readKeyword(tree, off, end, k)) break;
      out.push_back(std::move(k));
    }
  }
  return out;
}

bool ContentsRecord::hasTopic() const { return (flags & kContentsHasTopic) != 0; }

std::vector<ContentsRecord> decodeContentsTree(Bytes tocidx) {
  std::vector<ContentsRecord> out;
  std::unordered_set<std::uint32_t> seen;
  walkContents(tocidx, le32At(tocidx, 0), 0, seen, out);
  return out;
}
