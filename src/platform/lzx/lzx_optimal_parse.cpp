#include "platform/lzx/lzx_optimal_parse.h"

#include <algorithm>
#include <limits>

#include "platform/lzx/lzx_huffman.h"

namespace lzx {
namespace {

constexpr std::uint8_t kLiteralStep = 4;
constexpr std::uint8_t kNewDistance = 3;
// Prices of symbols the previous parse did not use.
constexpr std::uint32_t kUnusedMainBits = 14;
constexpr std::uint32_t kUnusedLengthBits = 11;

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
  nodes_.resize(std::size_t{n} + 1);
  cost_.assign(std::size_t{n} + 1, std::numeric_limits<std::uint32_t>::max());
  cost_[0] = 0;
  nodes_[0] = Node{0, 0, kLiteralStep, {rep[0], rep[1], rep[2]}};

  std::uint32_t* const cost = cost_.data();
  auto relax = [&](std::uint32_t at, std::uint32_t price, unsigned len, std::uint8_t kind,
                   std::uint32_t dist) {
    if (price < cost[at]) {
      cost[at] = price;
      Node& t = nodes_[at];
      t.len = static_cast<std::uint16_t>(len);
      t.kind = kind;
      t.dist = dist;
    }
  };
  auto lengthPrice = [&](unsigned l) {
    return l - kMinMatch >= kNumPrimaryLengths ? costs.len[l - kMinMatch - kNumPrimaryLengths] : 0;
  };

  std::uint32_t skipUntil = 0;
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::uint32_t q = begin + i;
    if (q < skipUntil) continue;
    Node& nd = nodes_[i];
    if (i > 0) {
      // Repeated offsets along the cheapest path to this node.
      const Node& from = nodes_[i - nd.len];
      std::copy(from.rep, from.rep + 3, nd.rep);
      if (nd.kind == kNewDistance) {
        nd.rep[2] = nd.rep[1];
        nd.rep[1] = nd.rep[0];
        nd.rep[0] = nd.dist;
      } else if (nd.kind == 1 || nd.kind == 2) {
        std::swap(nd.rep[0], nd.rep[nd.kind]);
      }
    }
    const std::uint32_t c = cost[i];
    relax(i + 1, c + costs.main[data[q]], 1, kLiteralStep, 0);

    const unsigned maxLen = std::min<std::uint32_t>(kMaxMatch, kFrameSize - q % kFrameSize);
    if (maxLen < kMinMatch) continue;
    const std::uint32_t low = lowestSource(q, windowBits);
    unsigned longest = 0;
    for (std::uint8_t k = 0; k < 3; ++k) {
      const std::uint32_t d = nd.rep[k];
      if (d > q || q - d < low) continue;
      const unsigned len = commonLength(data + q - d, data + q, 0, maxLen);
      if (len < kMinMatch) continue;
      const std::uint32_t base = kNumChars + k * 8u;
      const unsigned from = len >= niceLength ? len : kMinMatch;
      for (unsigned l = from; l <= len; ++l)
        relax(i + l,
              c + costs.main[base + std::min(l - kMinMatch, kNumPrimaryLengths)] + lengthPrice(l),
              l, k, d);
      longest = std::max(longest, len);
    }
    unsigned prev = kMinMatch;
    for (const Match* m = finder.begin(q); m != finder.end(q); ++m) {
      const unsigned len = std::min<unsigned>(m->len, maxLen);
      if (len <= prev) break;
      const unsigned slot = m->slot;
      const std::uint32_t base = kNumChars + slot * 8u;
      const std::uint32_t extra = c + kExtraBits[slot];
      const unsigned from = len >= niceLength ? len : prev + 1;
      for (unsigned l = from; l <= len; ++l)
        relax(
            i + l,
            extra + costs.main[base + std::min(l - kMinMatch, kNumPrimaryLengths)] + lengthPrice(l),
            l, kNewDistance, m->dist);
      prev = len;
      longest = std::max(longest, len);
    }
    if (longest >= niceLength) skipUntil = q + longest;
  }

  path_.clear();
  for (std::uint32_t i = n; i > 0; i -= nodes_[i].len) path_.push_back(i);
  for (auto it = path_.rbegin(); it != path_.rend(); ++it) {
    const Node& nd = nodes_[*it];
    if (nd.kind == kLiteralStep)
      out.push_back(literalItem(data[begin + *it - 1]));
    else
      out.push_back(matchItem(nd.kind, nd.dist, nd.len, rep));
  }
}

}  // namespace lzx
