#pragma once
// Near-optimal parsing for the strong encoder: the cheapest path through a
// block under a price for every symbol, where each step is a literal, a
// match at one of the repeated offsets or a match at a new distance of any
// length the match finder saw.
#include <cstdint>
#include <vector>

#include "platform/lzx/lzx_items.h"
#include "platform/lzx/lzx_match_finder.h"

namespace lzx {

// Prices in bits of main-tree and length-tree symbols.
struct SymbolCosts {
  std::uint32_t main[kMainTreeMax];
  std::uint32_t len[kNumSecondaryLengths];
};

// Prices from the code lengths the given symbol counts would get. A symbol
// not counted still gets a price (a long code), so the parser may start to
// use it when it pays.
void costsFromCounts(const std::uint32_t* mainCounts, unsigned mainSize,
                     const std::uint32_t* lenCounts, SymbolCosts& costs);

class OptimalParser {
 public:
  // Parses data[begin..end), a run of whole 32 KiB frames of the interval
  // that data starts, appending the items to out. rep holds the repeated
  // offsets on entry and gets those after the block.
  void parse(const std::uint8_t* data, std::uint32_t begin, std::uint32_t end, unsigned windowBits,
             const MatchFinder& finder, const SymbolCosts& costs, unsigned niceLength,
             std::uint32_t (&rep)[3], std::vector<Item>& out);

 private:
  // The cheapest step found so far into each position, and the repeated
  // offsets after it (set when the position is expanded).
  struct Node {
    std::uint32_t dist;
    std::uint16_t len;  // of the step that reaches this node
    std::uint8_t kind;  // 0..2 repeated offset, 3 new distance, 4 literal
    std::uint32_t rep[3];
  };
  std::vector<Node> nodes_;
  std::vector<std::uint32_t> cost_;  // cheapest price of reaching each position
  std::vector<std::uint32_t> path_;
};

}  // namespace lzx
