#pragma once
// Readers of the two binary forms of the sitemap files: the keyword tree of
// "$WWKeywordLinks/BTree" (also "$WWAssociativeLinks/BTree"), which holds the
// index, and "#TOCIDX", which holds the contents. Both work on the bytes of
// the internal file and are bounded by them: a cycle of block or entry links,
// a count or offset past the end, ends the walk at that point without
// reading outside the bytes.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chmfiles/byte_source.h"

// One keyword of a keyword tree, in the order of the listing blocks.
struct KeywordRecord {
  std::u16string text;                    // the full text: "parent, child" below the top level
  std::uint16_t depth = 0;                // 0 at the top level
  std::uint32_t charIndex = 0;            // where the last level's text starts in text
  std::vector<std::uint32_t> topics;      // #TOPICS numbers
  std::optional<std::u16string> seeAlso;  // a "see also" keyword names this instead of topics

  // The keyword's own text: text from charIndex (all of it when charIndex
  // lies outside).
  std::u16string ownText() const;
};

// The keyword tree's block size and header, as every known writer lays them.
constexpr std::size_t kKeywordTreeHeader = 0x4C;
constexpr std::size_t kKeywordTreeBlock = 2048;

// Every keyword of the listing blocks in order: the chain of blocks from
// the last listing block the header names back along the previous-block
// links, read from its first block. Empty when the header is not a keyword
// tree's.
std::vector<KeywordRecord> decodeKeywordTree(Bytes tree);

// One entry of the binary contents.
struct ContentsRecord {
  std::uint32_t offset = 0;  // of the entry in #TOCIDX
  std::uint32_t flags = 0;
  // A #TOPICS number when flags has kContentsHasTopic, else the #STRINGS
  // offset of the entry's name.
  std::uint32_t number = 0;
  std::vector<ContentsRecord> children;

  bool hasTopic() const;
};

constexpr std::uint32_t kContentsHasChildren = 0x4;
constexpr std::uint32_t kContentsHasTopic = 0x8;

// The entries of "#TOCIDX" as a tree: the first top-level entry from the
// header, each entry's children from its first-child link, siblings along
// the next links. An entry is taken once; nesting stops at
// kMaxContentsDepth.
std::vector<ContentsRecord> decodeContentsTree(Bytes tocidx);

constexpr std::size_t kMaxContentsDepth = 64;
