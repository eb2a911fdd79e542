#include "platform/lzx/lzx_optimal_parse.h"

#include <algorithm>
#include <array>
#include <limits>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "platform/lzx/lzx_huffman.h"

namespace lzx {
namespace {

constexpr std::uint8_t kLiteralStep = 4;
constexpr std::uint8_t kNewDistance = 3;
// Prices of symbols the previous parse did not use.
constexpr std::uint32_t kUnusedMainBits = 14;
constexpr std::uint32_t kUnusedLengthBits = 11;
// The price of a position no step has reached yet.
constexpr std::uint32_t kUnreached = std::numeric_limits<std::int32_t>::max();

}  // namespace

void costsFromCounts(const std::uint32_t* mainCounts, unsigned mainSize,
                     const std::uint32_t* lenCounts, SymbolCosts& costs) {
  std::uint8_t mainL[kMainTreeMax] = {}, lenL[kNumSecondaryLengths] = {};
  buildCodeLengths(mainCounts, mainSize, kMaxCodeLength, mainL);
  buildCodeLengths(lenCounts, kNumSecondaryLengths, kMaxCodeLength, lenL);
  for (unsigned s = 0; s < kMainTreeMax; ++s)
    costs.main[s] = s < mainSize && mainL[s] ? mainL[s] : kUnusedMainBits;
  for (unsigned s = 0; s < kNumSecondaryLengths; ++s)
    costs.len[s] = lenL[s] ? lenL[s] : kUnusedLengthBits;
}

void OptimalParser::parse(const std::uint8_t* data, std::uint32_t begin, std::uint32_t end,
                          unsigned windowBits, const MatchFinder& finder, const SymbolCosts& costs,
                          unsigned niceLength, std::uint32_t (&rep)[3], std::vector<Item>& out) {
  const std::uint32_t n = end - begin;
  steps_.resize(std::size_t{n} + 1);
  reps_.resize(std::size_t{n} + 1);
  cost_.assign(std::size_t{n} + 1, kUnreached);
  cost_[0] = 0;
  steps_[0] = Step{0, 0, kLiteralStep};
  reps_[0] = {rep[0], rep[1], rep[2]};

  std::uint32_t* const cost = cost_.data();
  Step* const steps = steps_.data();
  auto relax = [&](std::uint32_t at, std::uint32_t price, unsigned len, std::uint8_t kind,
                   std::uint32_t dist) {
    if (price < cost[at]) {
      cost[at] = price;
      steps[at] = Step{dist, static_cast<std::uint16_t>(len), kind};
    }
  };
  // Every length from..to of a match whose main-tree symbols (one per
  // length header) start at symbol, on top of price: the short lengths
  // carry their length in the symbol, the long ones in the length tree.
  const std::uint32_t* const longLength = costs.len - (kMinMatch + kNumPrimaryLengths);
  auto relaxLengths = [&](std::uint32_t i, unsigned from, unsigned to, const std::uint32_t* symbol,
                          std::uint32_t price, std::uint8_t kind, std::uint32_t dist) {
    unsigned l = from;
    for (; l <= to && l < kMinMatch + kNumPrimaryLengths; ++l)
      relax(i + l, price + symbol[l - kMinMatch], l, kind, dist);
    const std::uint32_t header = price + symbol[kNumPrimaryLengths];
#ifdef __SSE2__
    // Most lengths improve nothing: test four at a time, relax only where
    // one does. Prices stay far below 2^31, so signed compares suffice.
    const __m128i h = _mm_set1_epi32(static_cast<int>(header));
    for (; l + 4 <= to + 1; l += 4) {
      const __m128i p =
          _mm_add_epi32(h, _mm_loadu_si128(reinterpret_cast<const __m128i*>(longLength + l)));
      const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cost + i + l));
      if (_mm_movemask_epi8(_mm_cmplt_epi32(p, old)) == 0) continue;
      for (unsigned k = l; k < l + 4; ++k) relax(i + k, header + longLength[k], k, kind, dist);
    }
#endif
    for (; l <= to; ++l) relax(i + l, header + longLength[l], l, kind, dist);
  };

  std::uint32_t skipUntil = 0;
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::uint32_t q = begin + i;
    if (q < skipUntil) continue;
    std::array<std::uint32_t, 3>& r = reps_[i];
    if (i > 0) {
      // Repeated offsets along the cheapest path to this position.
      const Step st = steps[i];
      r = reps_[i - st.len];
      if (st.kind == kNewDistance) {
        r = {st.dist, r[0], r[1]};
      } else if (st.kind == 1 || st.kind == 2) {
        std::swap(r[0], r[st.kind]);
      }
    }
    const std::uint32_t c = cost[i];
    relax(i + 1, c + costs.main[data[q]], 1, kLiteralStep, 0);

    const unsigned maxLen = std::min<std::uint32_t>(kMaxMatch, kFrameSize - q % kFrameSize);
    if (maxLen < kMinMatch) continue;
    // Of the repeated offsets only the one that matches longest, at every
    // length; new distances only for the lengths beyond it, since a repeated
    // offset of the same length nearly always costs less.
    const std::uint32_t low = lowestSource(q, windowBits);
    unsigned repLen = 0;
    std::uint8_t repKind = 0;
    for (std::uint8_t k = 0; k < 3; ++k) {
      const std::uint32_t d = r[k];
      if (d > q || q - d < low) continue;
      const unsigned len = commonLength(data + q - d, data + q, 0, maxLen);
      if (len > repLen) {
        repLen = len;
        repKind = k;
      }
    }
    if (repLen >= kMinMatch) {
      const unsigned from = repLen >= niceLength ? repLen : kMinMatch;
      relaxLengths(i, from, repLen, costs.main + kNumChars + repKind * 8u, c, repKind, r[repKind]);
    }
    unsigned longest = repLen;
    for (const Match* m = finder.begin(q); m != finder.end(q); ++m) {
      const unsigned len = std::min<unsigned>(m->len, maxLen);
      if (len <= longest) continue;
      const unsigned from = len >= niceLength ? len : std::max(longest + 1, kMinMatch);
      relaxLengths(i, from, len, costs.main + kNumChars + m->slot * 8u, c + kExtraBits[m->slot],
                   kNewDistance, m->dist);
      longest = len;
    }
    if (longest >= niceLength) skipUntil = q + longest;
  }

  path_.clear();
  for (std::uint32_t i = n; i > 0; i -= steps[i].len) path_.push_back(i);
  for (auto it = path_.rbegin(); it != path_.rend(); ++it) {
    const Step& st = steps[*it];
    if (st.kind == kLiteralStep)
      out.push_back(literalItem(data[begin + *it - 1]));
    else
      out.push_back(matchItem(st.kind, st.dist, st.len, rep));
  }
}

}  // namespace lzx
