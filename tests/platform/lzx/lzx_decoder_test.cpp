// The LZX decoder on hand-built streams: uncompressed blocks (raw data,
// stored repeated offsets, odd-length padding, frames that split a block),
// a verbatim block with an overlapping match, E8 translation, and damaged
// or truncated input that must fail cleanly.
#include "platform/lzx/lzx_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/lzx/lzx_tables.h"

namespace {

// Writes bits MSB first into 16-bit little-endian words, as LZX reads them.
class BitWriter {
 public:
  void put(std::uint32_t value, unsigned bits) {
    for (unsigned i = bits; i-- > 0;) {
      word_ = static_cast<std::uint16_t>((word_ << 1) | ((value >> i) & 1));
      if (++used_ == 16) flush();
    }
  }
  // Pads to the next 16-bit boundary (0 bits when already there).
  void align() {
    if (used_) put(0, 16 - used_);
  }
  // The uncompressed-block rule: always 1 to 16 bits.
  void alignUncompressed() { put(0, used_ ? 16 - used_ : 16); }
  void bytes(const std::string& s) {
    EXPECT_EQ(used_, 0u);
    out_ += s;
  }
  void le32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out_ += static_cast<char>(v >> (8 * i));
  }
  const std::string& data() const { return out_; }

 private:
  void flush() {
    out_ += static_cast<char>(word_ & 0xFF);
    out_ += static_cast<char>(word_ >> 8);
    word_ = 0;
    used_ = 0;
  }
  std::string out_;
  std::uint16_t word_ = 0;
  unsigned used_ = 0;
};

std::string decodeAll(lzx::Decoder& d, const std::string& in, std::size_t total,
                      lzx::DecodeResult* last = nullptr) {
  std::string out;
  std::size_t pos = 0;
  std::vector<std::uint8_t> frame(lzx::kFrameSize);
  while (out.size() < total) {
    std::size_t len = std::min<std::size_t>(lzx::kFrameSize, total - out.size());
    std::size_t used = 0;
    auto r = d.decodeFrame(reinterpret_cast<const std::uint8_t*>(in.data()) + pos, in.size() - pos,
                           frame.data(), len, &used);
    if (last) *last = r;
    if (r != lzx::DecodeResult::Ok) break;
    pos += used;
    out.append(reinterpret_cast<const char*>(frame.data()), len);
  }
  return out;
}

void uncompressedBlock(BitWriter& w, const std::string& data, std::uint32_t r0 = 1,
                       std::uint32_t r1 = 1, std::uint32_t r2 = 1) {
  w.put(lzx::kBlockUncompressed, 3);
  w.put(static_cast<std::uint32_t>(data.size()) >> 8, 16);
  w.put(static_cast<std::uint32_t>(data.size()) & 0xFF, 8);
  w.alignUncompressed();
  w.le32(r0);
  w.le32(r1);
  w.le32(r2);
  w.bytes(data);
  if (data.size() & 1) w.bytes(std::string(1, '\0'));
}

TEST(LzxTables, SlotsBasesAndCodes) {
  EXPECT_EQ(lzx::positionSlots(15), 30u);
  EXPECT_EQ(lzx::positionSlots(16), 32u);
  EXPECT_EQ(lzx::positionSlots(20), 42u);
  EXPECT_EQ(lzx::positionSlots(21), 50u);
  EXPECT_EQ(lzx::positionSlots(22), 0u);
  EXPECT_EQ(lzx::mainTreeSize(16), 512u);
  // Each slot covers exactly the formatted offsets up to the next base.
  for (unsigned s = 0; s + 1 < lzx::kMaxPositionSlots; ++s) {
    EXPECT_EQ(lzx::kPositionBase[s] + (1u << lzx::kExtraBits[s]), lzx::kPositionBase[s + 1]);
    EXPECT_EQ(lzx::positionSlotOf(lzx::kPositionBase[s]), s);
    EXPECT_EQ(lzx::positionSlotOf(lzx::kPositionBase[s + 1] - 1), s);
  }
  // The DEFLATE example: lengths 3,3,3,3,3,2,4,4 give 010,011,100,101,110,00,1110,1111.
  const std::uint8_t lens[] = {3, 3, 3, 3, 3, 2, 4, 4};
  std::uint16_t codes[8];
  ASSERT_TRUE(lzx::canonicalCodes(lens, 8, 16, codes));
  const std::uint16_t want[] = {2, 3, 4, 5, 6, 0, 14, 15};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(codes[i], want[i]) << i;
  const std::uint8_t over[] = {1, 1, 1};
  EXPECT_FALSE(lzx::canonicalCodes(over, 3, 16, codes));
  const std::uint8_t tooLong[] = {17, 1};
  EXPECT_FALSE(lzx::canonicalCodes(tooLong, 2, 16, codes));
}

TEST(LzxDecoder, UncompressedBlocksAcrossFramesWithOddPadding) {
  std::string a(40000, 'a');
  for (std::size_t i = 0; i < a.size(); ++i) a[i] = static_cast<char>('a' + i % 26);
  std::string b = "odd";  // odd length: one pad byte follows
  std::string c(70000 - a.size() - b.size(), 'z');
  BitWriter w;
  w.put(0, 1);  // no E8 translation
  uncompressedBlock(w, a);
  uncompressedBlock(w, b, 7, 8, 9);
  uncompressedBlock(w, c);
  lzx::Decoder d;
  ASSERT_TRUE(d.init(17));
  lzx::DecodeResult r;
  std::string out = decodeAll(d, w.data(), 70000, &r);
  EXPECT_EQ(r, lzx::DecodeResult::Ok);
  std::string want = a + b + c;
  ASSERT_EQ(out.size(), want.size());
  EXPECT_EQ(std::mismatch(out.begin(), out.end(), want.begin()).first - out.begin(),
            static_cast<long>(want.size()));
  EXPECT_EQ(d.position(), 70000u);
}

// A verbatim block whose trees are spelled out: every literal and every
// match symbol has a 9-bit code equal to its symbol number.
std::string verbatimStream(const std::vector<std::pair<unsigned, int>>& symbols,
                           std::uint32_t blockLen) {
  BitWriter w;
  w.put(0, 1);
  w.put(lzx::kBlockVerbatim, 3);
  w.put(blockLen >> 8, 16);
  w.put(blockLen & 0xFF, 8);
  auto pretree = [&](unsigned runLen, bool nine) {
    // Pretree: symbols 0 and 8, one bit each ("0" keeps 0, "1" turns 0 into 9).
    for (unsigned i = 0; i < lzx::kPretreeSize; ++i) w.put(i == 0 || i == 8 ? 1 : 0, 4);
    for (unsigned i = 0; i < runLen; ++i) w.put(nine ? 1 : 0, 1);
  };
  pretree(256, true);
  pretree(lzx::mainTreeSize(15) - 256, true);
  pretree(lzx::kNumSecondaryLengths, false);
  for (auto [sym, extra] : symbols) {
    w.put(sym, 9);
    if (extra >= 0) w.put(static_cast<std::uint32_t>(extra), 1);
  }
  w.align();
  return w.data();
}

TEST(LzxDecoder, VerbatimLiteralsAndOverlappingMatches) {
  // 'A', then a match of 7 at distance 1 (slot 3, no extra bits), then 'B',
  // then a repeat of R0 (distance 1) of length 3: "AAAAAAAABBBB".
  std::vector<std::pair<unsigned, int>> syms = {
      {'A', -1}, {256 + 8 * 3 + 5, -1}, {'B', -1}, {256 + 8 * 0 + 1, -1}};
  std::string in = verbatimStream(syms, 12);
  lzx::Decoder d;
  ASSERT_TRUE(d.init(15));
  lzx::DecodeResult r;
  EXPECT_EQ(decodeAll(d, in, 12, &r), "AAAAAAAABBBB");
  EXPECT_EQ(r, lzx::DecodeResult::Ok);

  // A match reaching before the reset point is damage, not history.
  d.reset(0);
  std::string bad = verbatimStream({{'A', -1}, {256 + 8 * 4 + 0, 1}}, 3);  // distance 2
  decodeAll(d, bad, 3, &r);
  EXPECT_EQ(r, lzx::DecodeResult::Corrupt);
}

TEST(LzxDecoder, E8TranslationUndoesAbsoluteCalls) {
  // Translation size 1,000,000; an E8 at output position 4 with absolute
  // target 104 becomes relative 100.
  std::string data(64, 'x');
  data[4] = static_cast<char>(0xE8);
  std::uint32_t abs = 104;
  std::memcpy(&data[5], &abs, 4);
  BitWriter w;
  w.put(1, 1);
  w.put(1000000 >> 16, 16);
  w.put(1000000 & 0xFFFF, 16);
  uncompressedBlock(w, data);
  lzx::Decoder d;
  ASSERT_TRUE(d.init(16));
  std::string out = decodeAll(d, w.data(), data.size());
  ASSERT_EQ(out.size(), data.size());
  std::uint32_t rel;
  std::memcpy(&rel, &out[5], 4);
  EXPECT_EQ(rel, 100u);
  EXPECT_EQ(out.substr(9), data.substr(9));
}

TEST(LzxDecoder, BadArgumentsAndTruncation) {
  lzx::Decoder d;
  EXPECT_FALSE(d.init(14));
  EXPECT_FALSE(d.init(22));
  std::uint8_t out[16];
  std::size_t used;
  EXPECT_EQ(d.decodeFrame(nullptr, 0, out, 1, &used), lzx::DecodeResult::BadArgument);
  ASSERT_TRUE(d.init(15));
  EXPECT_EQ(d.decodeFrame(out, 0, out, lzx::kFrameSize + 1, &used), lzx::DecodeResult::BadArgument);

  BitWriter w;
  w.put(0, 1);
  uncompressedBlock(w, std::string(1000, 'q'));
  std::string cut = w.data().substr(0, w.data().size() - 100);
  lzx::DecodeResult r;
  decodeAll(d, cut, 1000, &r);
  EXPECT_EQ(r, lzx::DecodeResult::Truncated);

  // Block type 0 is invalid.
  d.reset(0);
  BitWriter z;
  z.put(0, 1);
  z.put(0, 3);
  z.put(0, 24);
  z.align();
  decodeAll(d, z.data(), 100, &r);
  EXPECT_EQ(r, lzx::DecodeResult::Corrupt);
}

TEST(LzxDecoder, RandomInputNeverOverrunsOrHangs) {
  std::mt19937 rng(12345);
  lzx::Decoder d;
  std::vector<std::uint8_t> out(lzx::kFrameSize);
  for (int round = 0; round < 300; ++round) {
    ASSERT_TRUE(d.init(15 + round % 7));
    std::vector<std::uint8_t> in(1 + rng() % 4000);
    for (auto& b : in) b = static_cast<std::uint8_t>(rng());
    std::size_t pos = 0;
    for (int f = 0; f < 4; ++f) {
      std::size_t used = 0;
      auto r = d.decodeFrame(in.data() + pos, in.size() - pos, out.data(), out.size(), &used);
      if (r != lzx::DecodeResult::Ok) break;
      ASSERT_LE(used, in.size() - pos);
      pos += used;
    }
  }
}

}  // namespace
