#pragma once
// Binary-tree match finder for the strong encoder: for every position of a
// reset interval it lists the matches of increasing length that the tree
// meets, nearest first for each length, so that a parser can weigh every
// candidate length rather than only the longest.
#include <cstddef>
#include <cstdint>
#include <vector>

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

 private:
  unsigned insert(const std::uint8_t* d, std::uint32_t q, std::uint32_t limit, unsigned maxLen,
                  unsigned depth, bool record);

  std::vector<std::int32_t> head_;
  std::vector<std::int32_t> child_;  // two per position: smaller, larger
  std::vector<std::uint32_t> start_;
  std::vector<Match> matches_;
};

// Lowest position a match at q may copy from: within the window, and never
// from the part of it the frame holding q is about to overwrite (possible
// only when the reset interval is longer than the window; 7-Zip decodes such
// matches wrongly although they are valid).
std::uint32_t lowestSource(std::uint32_t q, unsigned windowBits);

// Length of the common prefix of a and b, at most max.
unsigned commonLength(const std::uint8_t* a, const std::uint8_t* b, unsigned start, unsigned max);

}  // namespace lzx
