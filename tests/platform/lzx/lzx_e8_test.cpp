// x86 call translation on single frames: which E8s are rewritten (the last
// 10 bytes of a frame, calls inside another call's displacement, targets at
// both ends of the translated range, backward calls) and that decoding
// restores every frame; and the check for a padded last frame.
#include "platform/lzx/lzx_e8.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/lzx/lzx_tables.h"

namespace {

constexpr std::int64_t kSize = lzx::kE8TranslationSize;

void putCall(std::vector<std::uint8_t>& f, std::size_t at, std::int64_t value) {
  f[at] = 0xE8;
  const auto v = static_cast<std::uint32_t>(value);
  std::memcpy(&f[at + 1], &v, 4);
}

std::int64_t valueAt(const std::vector<std::uint8_t>& f, std::size_t at) {
  std::int32_t v;
  std::memcpy(&v, &f[at + 1], 4);
  return v;
}

TEST(LzxE8, TranslatesCallsInRangeAndLeavesTheRest) {
  // Second frame of an interval: positions count from the reset point.
  const std::int64_t pos = lzx::kFrameSize;
  std::vector<std::uint8_t> f(lzx::kFrameSize, 0x90);
  struct Case {
    std::size_t at;
    std::int64_t rel, want;
  };
  const auto cur = [&](std::size_t at) { return pos + static_cast<std::int64_t>(at); };
  const std::vector<Case> cases = {
      {0, 100, cur(0) + 100},                // forward call
      {10, -cur(10), 0},                     // back to the reset point exactly
      {20, -cur(20) - 1, -cur(20) - 1},      // before it: left alone
      {30, -5, cur(30) - 5},                 // short backward call
      {40, kSize - cur(40) - 1, kSize - 1},  // last target made absolute
      {50, kSize - cur(50), -cur(50)},       // first one folded below zero
      {60, kSize - 1, -1},                   // last folded one
      {70, kSize, kSize},                    // beyond the size: left alone
      {80, 0x7FFFFFFF, 0x7FFFFFFF},
  };
  for (const Case& c : cases) putCall(f, c.at, c.rel);
  // An E8 inside a call's displacement is part of it, not a call (were it
  // one, the zeros after it would make a value in range).
  putCall(f, 100, 0x0001E800 - cur(100));
  f[105] = f[106] = f[107] = 0;
  const std::vector<std::uint8_t> original = f;
  lzx::e8Encode(f.data(), f.size(), pos, lzx::kE8TranslationSize);
  for (const Case& c : cases)
    EXPECT_EQ(valueAt(f, c.at), static_cast<std::int32_t>(c.want)) << c.at;
  EXPECT_EQ(valueAt(f, 100), 0x0001E800);
  EXPECT_EQ(f[102], 0xE8);
  lzx::e8Decode(f.data(), f.size(), pos, lzx::kE8TranslationSize);
  EXPECT_EQ(f, original);
  // The last E8 looked at is 11 bytes before the frame's end.
  for (std::size_t back : {11u, 10u, 5u}) {
    std::vector<std::uint8_t> g(lzx::kFrameSize, 0x90);
    const std::size_t at = g.size() - back;
    putCall(g, at, 7);
    lzx::e8Encode(g.data(), g.size(), pos, lzx::kE8TranslationSize);
    EXPECT_EQ(valueAt(g, at), back == 11 ? cur(at) + 7 : 7) << back;
  }
  // From 1 GiB after the reset on, nothing is translated.
  lzx::e8Encode(f.data(), f.size(), lzx::kE8MaxPosition, lzx::kE8TranslationSize);
  EXPECT_EQ(f, original);
}

TEST(LzxE8, DecodingRestoresDenseCallsAtAnyPositionAndLength) {
  std::mt19937 rng(5);
  for (std::size_t len : {std::size_t{1}, std::size_t{10}, std::size_t{11}, std::size_t{4000},
                          std::size_t{lzx::kFrameSize}}) {
    for (std::int64_t pos : {std::int64_t{0}, std::int64_t{3} * lzx::kFrameSize,
                             std::int64_t{lzx::kE8MaxPosition} - lzx::kFrameSize}) {
      std::vector<std::uint8_t> f(len);
      for (auto& b : f) {
        const unsigned r = rng() % 8;
        b = r == 0 ? 0xE8 : r == 1 ? 0xFF : r == 2 ? 0x00 : static_cast<std::uint8_t>(rng());
      }
      const std::vector<std::uint8_t> original = f;
      lzx::e8Encode(f.data(), len, pos, lzx::kE8TranslationSize);
      if (len > 4000) {
        EXPECT_NE(f, original);
      }
      lzx::e8Decode(f.data(), len, pos, lzx::kE8TranslationSize);
      EXPECT_EQ(f, original) << len << " at " << pos;
    }
  }
}

TEST(LzxE8, PaddedLastFrameAgreesOnlyWithoutCallsNearItsRealEnd) {
  // 1000 real bytes padded with zeros to a whole frame: a reader that stops
  // at the real end leaves E8s from byte 990 on alone, one that translates
  // the padded frame does not.
  const std::int64_t pos = lzx::kFrameSize;
  auto agrees = [&](std::size_t at, std::int64_t value) {
    std::vector<std::uint8_t> f(lzx::kFrameSize, 0);
    putCall(f, at, value);
    return lzx::e8ShortFrameAgrees(f.data(), 1000, f.size(), pos, lzx::kE8TranslationSize);
  };
  EXPECT_TRUE(agrees(989, 5));           // both translate it
  EXPECT_FALSE(agrees(990, 5));          // only the whole-frame reader does
  EXPECT_FALSE(agrees(998, 0));          // the padding's zeros make a small value
  EXPECT_TRUE(agrees(990, 0x40000000));  // nobody touches it
  EXPECT_TRUE(agrees(990, -pos - 991));
  std::vector<std::uint8_t> full(lzx::kFrameSize, 0xE8);
  EXPECT_TRUE(
      lzx::e8ShortFrameAgrees(full.data(), full.size(), full.size(), 0, lzx::kE8TranslationSize));
}

}  // namespace
