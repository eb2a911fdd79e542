#pragma once
// The layout of "$FIftiMain", the full-text search index: the offsets and
// sizes that the compiler's writer and the reader share. A 1024-byte
// header; nodes of a word tree, leaves (next leaf, 0, free bytes) and index
// nodes (free bytes); location lists in the scale-and-root bit code.
#include <cstddef>
#include <cstdint>

namespace fts {

constexpr std::size_t kHeaderSize = 0x400;
constexpr std::size_t kLeafHeaderSize = 8;   // next leaf, 0, free bytes
constexpr std::size_t kIndexHeaderSize = 2;  // free bytes
// The only scale of the bit code writers use.
constexpr unsigned kScale = 2;

// Header fields.
constexpr std::size_t kHdrMagic = 0x00, kHdrTopics = 0x04, kHdrRoot = 0x08, kHdrLeaves = 0x10,
                      kHdrRootAgain = 0x14, kHdrDepth = 0x18, kHdrSeven = 0x1A, kHdrCodes = 0x1E,
                      kHdrNodeSize = 0x2E, kHdrLongestWord = 0x3E, kHdrWords = 0x42,
                      kHdrEntries = 0x46, kHdrEntryBytes = 0x4A, kHdrWordBytes = 0x4E,
                      kHdrLeafFree = 0x56, kHdrLastTopic = 0x5E, kHdrCodePage = 0x7A,
                      kHdrLcid = 0x7E;
constexpr std::uint32_t kMagic = 0x00280000;

}  // namespace fts
