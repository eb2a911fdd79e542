#pragma once
// The layouts of the binary contents ("#TOCIDX") and of the keyword trees
// ("$WWKeywordLinks/BTree", "$WWAssociativeLinks/BTree"): the offsets, sizes
// and flags that the compiler's writers and the readers share.
#include <cstddef>
#include <cstdint>

namespace tocidx {
constexpr std::size_t kHdrFirstEntry = 0x00;     // header: offset of the first root entry
constexpr std::uint32_t kEntriesStart = 0x1000;  // after the zero-padded header
// An entry: 0, its number, flags, topic or #STRINGS offset, parent, next
// sibling; a book adds its first child and a spare field.
constexpr std::size_t kEntryFlags = 4, kEntryNumber = 8, kEntryParent = 12, kEntryNext = 16,
                      kEntryChild = 20;
constexpr std::uint32_t kLeafSize = 20;
constexpr std::uint32_t kBookSize = 28;
// Entry flags. Viewers draw an entry with children as a book.
constexpr std::uint32_t kFlagBook = 0x1;
constexpr std::uint32_t kFlagChildren = 0x4;
// The number field is a #TOPICS number, not a #STRINGS offset.
constexpr std::uint32_t kFlagTopic = 0x8;
}  // namespace tocidx

namespace kwtree {
// Header fields.
constexpr std::size_t kHdrBlockSize = 0x04, kHdrLastListing = 0x1A, kHdrRoot = 0x1E,
                      kHdrBlocks = 0x26, kHdrDepth = 0x2A, kHdrKeywords = 0x2C;
constexpr std::size_t kHeaderSize = 0x4C;
constexpr std::size_t kListingHeader = 12;  // free, count, previous, next
constexpr std::size_t kIndexHeader = 8;     // free, count, leftmost child
// A keyword: its UTF-16 text and NUL, then the see-also flag, depth, the
// index of its own part of the text, 0 and the page count.
constexpr std::size_t kKeywordFixed = 16;
constexpr std::uint16_t kSeeAlsoFlag = 2;
}  // namespace kwtree
