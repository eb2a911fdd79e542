#include "platform/lzx/lzx_match_finder.h"

#include <algorithm>
#include <cstring>

#include "platform/lzx/lzx_tables.h"

namespace lzx {
namespace {

constexpr unsigned kHashBits = 16;

std::uint32_t hash3(const std::uint8_t* p) {
  std::uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
  return (v * 2654435761u) >> (32 - kHashBits);
}
std::uint32_t hash4(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return (v * 2654435761u) >> (32 - kHashBits);
}

}  // namespace

void MatchFinder::run(const std::uint8_t* data, std::uint32_t size, unsigned windowBits,
                      unsigned depth, unsigned niceLength) {
  head_.assign(std::size_t{1} << kHashBits, -1);
  head3_.assign(std::size_t{1} << kHashBits, -1);
  child_.resize(std::size_t{2} * size);
  start_.resize(std::size_t{size} + 1);
  matches_.clear();
  covered_.clear();
  std::uint32_t skipTo = 0;
  for (std::uint32_t q = 0; q < size; ++q) {
    start_[q] = static_cast<std::uint32_t>(matches_.size());
    const unsigned maxLen = std::min<std::uint32_t>(kMaxMatch, size - q);
    if (maxLen < 3) continue;
    const bool record = q >= skipTo;
    const unsigned best = insert(data, q, lowestSource(q, windowBits), maxLen, depth, record);
    const std::uint32_t frameLeft = kFrameSize - q % kFrameSize;
    if (record && std::min<std::uint32_t>(best, frameLeft) >= niceLength) {
      skipTo = q + std::min<std::uint32_t>(best, frameLeft);
      covered_.push_back({q, skipTo, matches_.back().dist});
    }
  }
  start_[size] = static_cast<std::uint32_t>(matches_.size());
}

// Walks the tree of sequences with q's hash, splitting it around q so that q
// becomes its root, and records each match longer than all before it. The
// trees are keyed by four bytes, which keeps them small; a match of just
// three bytes comes from the latest position that starts with the same three
// (when the fourth matches too, the tree holds that position or a nearer one).
unsigned MatchFinder::insert(const std::uint8_t* d, std::uint32_t q, std::uint32_t limit,
                             unsigned maxLen, unsigned depth, bool record) {
  unsigned best = 2;
  const std::uint32_t h3 = hash3(d + q);
  const std::int32_t near = head3_[h3];
  head3_[h3] = static_cast<std::int32_t>(q);
  if (record && near >= 0 && static_cast<std::uint32_t>(near) >= limit &&
      std::memcmp(d + near, d + q, 3) == 0 && (maxLen < 4 || d[near + 3] != d[q + 3])) {
    const std::uint32_t dist = q - static_cast<std::uint32_t>(near);
    matches_.push_back(Match{dist, 3, static_cast<std::uint16_t>(positionSlotOf(dist + 2))});
    best = 3;
  }
  const std::uint32_t h = hash4(d + q);
  std::int32_t cur = head_[h];
  head_[h] = static_cast<std::int32_t>(q);
  std::int32_t* lt = &child_[std::size_t{2} * q];
  std::int32_t* gt = lt + 1;
  unsigned ltLen = 0, gtLen = 0;
  const std::uint8_t* s = d + q;
  for (;;) {
    if (cur < 0 || static_cast<std::uint32_t>(cur) < limit || depth-- == 0) {
      *lt = *gt = -1;
      break;
    }
    const std::uint8_t* m = d + cur;
    unsigned len = std::min(ltLen, gtLen);
    if (m[len] == s[len]) {
      len = commonLength(m, s, len + 1, maxLen);
      if (len > best) {
        best = len;
        if (record) {
          const std::uint32_t dist = q - static_cast<std::uint32_t>(cur);
          matches_.push_back(Match{dist, static_cast<std::uint16_t>(len),
                                   static_cast<std::uint16_t>(positionSlotOf(dist + 2))});
        }
      }
      if (len >= maxLen) {
        *lt = child_[std::size_t{2} * static_cast<std::uint32_t>(cur)];
        *gt = child_[std::size_t{2} * static_cast<std::uint32_t>(cur) + 1];
        break;
      }
    }
    if (m[len] < s[len]) {
      *lt = cur;
      lt = &child_[std::size_t{2} * static_cast<std::uint32_t>(cur) + 1];
      cur = *lt;
      ltLen = len;
    } else {
      *gt = cur;
      gt = &child_[std::size_t{2} * static_cast<std::uint32_t>(cur)];
      cur = *gt;
      gtLen = len;
    }
  }
  return best > 2 ? best : 0;
}

}  // namespace lzx
