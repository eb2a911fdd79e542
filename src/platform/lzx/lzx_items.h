#pragma once
// The parsed form of a reset interval, shared by the encoder's parsers and
// its block writer.
#include <algorithm>
#include <cstdint>
#include <utility>

#include "platform/lzx/lzx_tables.h"

namespace lzx {

constexpr std::uint8_t kNoLengthSymbol = 0xFF;

// One parsed element: a literal (main < 256) or a match with its main-tree
// symbol, optional length-tree symbol and verbatim offset bits.
struct Item {
  std::uint16_t main;
  std::uint8_t lenSym;
  std::uint8_t extraBits;
  std::uint32_t extra;
};

inline unsigned itemLength(const Item& it) {
  if (it.main < kNumChars) return 1;
  unsigned header = (it.main - kNumChars) & 7;
  return header + kMinMatch + (header == kNumPrimaryLengths ? it.lenSym : 0);
}

inline Item literalItem(std::uint8_t c) { return Item{c, kNoLengthSymbol, 0, 0}; }

// A match of len bytes: kind 0..2 repeats R0..R2, kind 3 is the new
// distance dist. Updates the repeated offsets as the decoder will.
inline Item matchItem(unsigned kind, std::uint32_t dist, unsigned len, std::uint32_t (&rep)[3]) {
  unsigned slot = kind;
  std::uint8_t extraBits = 0;
  std::uint32_t extra = 0;
  if (kind == 3) {
    slot = positionSlotOf(dist + 2);
    extraBits = kExtraBits[slot];
    extra = dist + 2 - kPositionBase[slot];
    rep[2] = rep[1];
    rep[1] = rep[0];
    rep[0] = dist;
  } else if (kind == 1) {
    std::swap(rep[0], rep[1]);
  } else if (kind == 2) {
    std::swap(rep[0], rep[2]);
  }
  const unsigned header = std::min(len - kMinMatch, kNumPrimaryLengths);
  return Item{
      static_cast<std::uint16_t>(kNumChars + slot * 8 + header),
      static_cast<std::uint8_t>(header == kNumPrimaryLengths ? len - kMinMatch - kNumPrimaryLengths
                                                             : kNoLengthSymbol),
      extraBits, extra};
}

// Applies a parsed item's effect on the repeated offsets.
inline void replayRepeats(const Item& it, std::uint32_t (&rep)[3]) {
  if (it.main < kNumChars) return;
  const unsigned slot = (it.main - kNumChars) >> 3;
  if (slot == 1) {
    std::swap(rep[0], rep[1]);
  } else if (slot == 2) {
    std::swap(rep[0], rep[2]);
  } else if (slot >= 3) {
    rep[2] = rep[1];
    rep[1] = rep[0];
    rep[0] = kPositionBase[slot] + it.extra - 2;
  }
}

}  // namespace lzx
