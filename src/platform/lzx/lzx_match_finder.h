#pragma once
// Binary-tree match finder for the strong encoder: for every position of a
// reset interval it lists the matches of increasing length that the tree
// meets, nearest first for each length, so that a parser can weigh every
// candidate length rather than only the longest.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "platform/lzx/lzx_tables.h"

namespace lzx {

struct Match {
  std::uint32_t dist;
  std::uint16_t len;
  std::uint16_t slot;  // position slot of the distance
};

class MatchFinder {
 public:
  // data[0..size) plus at least 16 readable bytes after it. Sources never lie
  // further back than the window allows, nor in the part of the window that
  // the current frame overwrites. After a match at least niceLength long
  // (cut at the frame end) the positions it covers are only inserted, not
  // searched.
  void run(const std::uint8_t* data, std::uint32_t size, unsigned windowBits, unsigned depth,
           unsigned niceLength);

  const Match* begin(std::uint32_t pos) const { return matches_.data() + start_[pos]; }
  const Match* end(std::uint32_t pos) const { return matches_.data() + start_[pos + 1]; }

  // The long matches after which positions were inserted but not searched:
  // each covers [start, end) at distance dist; in order of start.
  struct Covered {
    std::uint32_t start, end, dist;
  };
  const std::vector<Covered>& covered() const { return covered_; }

 private:
  unsigned insert(const std::uint8_t* d, std::uint32_t q, std::uint32_t limit, unsigned maxLen,
                  unsigned depth, bool record);

  std::vector<std::int32_t> head_;   // tree roots by the hash of 4 bytes
  std::vector<std::int32_t> head3_;  // latest position by the hash of 3 bytes
  std::vector<std::int32_t> child_;  // two per position: smaller, larger
  std::vector<std::uint32_t> start_;
  std::vector<Match> matches_;
  std::vector<Covered> covered_;
};

// Lowest position a match at q may copy from: within the window, and never
// from the part of it the frame holding q is about to overwrite (possible
// only when the reset interval is longer than the window; 7-Zip decodes such
// matches wrongly although they are valid).
inline std::uint32_t lowestSource(std::uint32_t q, unsigned windowBits) {
  const std::uint32_t window = std::uint32_t{1} << windowBits;
  const std::uint32_t reach = std::min(window - 3, q % kFrameSize + window - kFrameSize);
  return q > reach ? q - reach : 0;
}

// Length of the common prefix of a and b, at most max, known to be at least len.
inline unsigned commonLength(const std::uint8_t* a, const std::uint8_t* b, unsigned len,
                             unsigned max) {
#ifdef __SSE2__
  while (len + 16 <= max) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + len));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + len));
    const unsigned differ =
        ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y))) & 0xFFFF;
    if (differ) return len + static_cast<unsigned>(__builtin_ctz(differ));
    len += 16;
  }
#endif
  while (len + 8 <= max) {
    std::uint64_t x, y;
    std::memcpy(&x, a + len, 8);
    std::memcpy(&y, b + len, 8);
    if (x != y) return len + static_cast<unsigned>(__builtin_ctzll(x ^ y) >> 3);
    len += 8;
  }
  while (len < max && a[len] == b[len]) ++len;
  return len;
}

}  // namespace lzx
