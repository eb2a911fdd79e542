// The LZX encoder against the decoder: every window size, data that favours
// each block type, frames decoded one at a time from the recorded frame
// offsets; and the length-limited Huffman builder on skewed frequencies.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/lzx/lzx_decoder.h"
#include "platform/lzx/lzx_encoder.h"
#include "platform/lzx/lzx_huffman.h"
#include "platform/lzx/lzx_tables.h"

namespace {

std::vector<std::uint8_t> sample(int kind, std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> v(size);
  std::string words[] = {"<td class=\"memItemLeft\">",
                         "std::",
                         "basic_string",
                         "&lt;",
                         "&gt;",
                         "template ",
                         "</a>",
                         "\n",
                         "iterator ",
                         "const "};
  std::size_t i = 0;
  while (i < size) {
    if (kind == 0) {  // text with repeats near and far
      const std::string& w = words[rng() % 10];
      for (char c : w)
        if (i < size) v[i++] = static_cast<std::uint8_t>(c);
    } else if (kind == 1) {  // incompressible
      v[i++] = static_cast<std::uint8_t>(rng());
    } else if (kind == 2) {  // zeros with sparse noise
      v[i++] = rng() % 97 == 0 ? static_cast<std::uint8_t>(rng()) : 0;
    } else if (kind == 4) {  // x86-like code: calls to a few dozen functions
      static const std::uint8_t ops[] = {0x8B, 0x45, 0x89, 0x55, 0x83, 0xC4, 0x50, 0x51,
                                         0xFF, 0x75, 0x08, 0x0C, 0x00, 0x24, 0x5D, 0xC3};
      if (rng() % 12 == 0 && i + 5 <= size) {
        const auto target = static_cast<std::uint32_t>(size + 4096 * (rng() % 40));
        const std::uint32_t rel = target - static_cast<std::uint32_t>(i + 5);
        v[i++] = 0xE8;
        for (int k = 0; k < 4; ++k) v[i++] = static_cast<std::uint8_t>(rel >> (8 * k));
      } else {
        v[i++] = ops[rng() % 16];
      }
    } else {  // records with large, aligned strides: aligned-offset blocks
      v[i] = static_cast<std::uint8_t>((i % 4096) < 16 ? rng() % 4 : (i / 4096) & 3);
      ++i;
    }
  }
  return v;
}

// Compresses in reset intervals and decodes frame by frame, starting each
// interval from its own offset as a reader seeking there would.
void roundTrip(const std::vector<std::uint8_t>& data, unsigned windowBits, unsigned resetFrames,
               std::size_t* compressedSize = nullptr, lzx::Level level = lzx::Level::Strong) {
  lzx::Encoder enc(windowBits, level);
  enc.setCallTranslation(lzx::Calls::Auto);
  std::vector<std::uint8_t> out;
  std::vector<std::uint64_t> frames;
  const std::size_t interval = std::size_t{resetFrames} * lzx::kFrameSize;
  for (std::size_t p = 0; p < data.size(); p += interval) {
    std::vector<std::uint64_t> fo;
    const std::size_t base = out.size();
    enc.compressInterval(data.data() + p, std::min(interval, data.size() - p), out, fo);
    ASSERT_EQ(fo.size(),
              (std::min(interval, data.size() - p) + lzx::kFrameSize - 1) / lzx::kFrameSize);
    ASSERT_EQ(fo[0], 0u);
    for (std::uint64_t o : fo) frames.push_back(base + o);
  }
  if (compressedSize) *compressedSize = out.size();
  lzx::Decoder dec;
  ASSERT_TRUE(dec.init(windowBits));
  std::vector<std::uint8_t> frame(lzx::kFrameSize);
  for (std::size_t f = 0; f < frames.size(); ++f) {
    if (f % resetFrames == 0) dec.reset(f * lzx::kFrameSize);
    std::size_t consumed = 0;
    const std::size_t n = std::min<std::size_t>(lzx::kFrameSize, data.size() - f * lzx::kFrameSize);
    ASSERT_EQ(dec.decodeFrame(out.data() + frames[f], out.size() - frames[f], frame.data(),
                              lzx::kFrameSize, &consumed),
              lzx::DecodeResult::Ok)
        << "frame " << f;
    ASSERT_EQ(std::memcmp(frame.data(), data.data() + f * lzx::kFrameSize, n), 0) << "frame " << f;
    const std::size_t next = f + 1 < frames.size() ? frames[f + 1] : out.size();
    ASSERT_EQ(frames[f] + consumed, next) << "frame " << f << " does not end where the next starts";
  }
  // The same intervals decoded straight into a caller's buffer (as bulk
  // reads do): the same bytes, E8 translation included, where an interval
  // fits the window; refused where it does not.
  std::vector<std::uint8_t> buffer(interval + lzx::Decoder::kBufferSlack);
  for (std::size_t first = 0; first < frames.size(); first += resetFrames) {
    dec.reset(first * lzx::kFrameSize);
    if (!dec.decodeInto(buffer.data(), interval)) {
      ASSERT_GT(interval, std::size_t{1} << windowBits);
      continue;
    }
    std::size_t done = 0;
    for (std::size_t f = first; f < frames.size() && f < first + resetFrames; ++f) {
      const std::size_t n =
          std::min<std::size_t>(lzx::kFrameSize, data.size() - f * lzx::kFrameSize);
      std::size_t consumed = 0;
      ASSERT_EQ(dec.decodeFrame(out.data() + frames[f], out.size() - frames[f],
                                buffer.data() + done, n, &consumed),
                lzx::DecodeResult::Ok)
          << "frame " << f;
      done += n;
    }
    dec.finishInto();
    ASSERT_EQ(std::memcmp(buffer.data(), data.data() + first * lzx::kFrameSize, done), 0)
        << "interval from frame " << first;
  }
}

TEST(LzxEncoder, RoundTripsEveryWindowSizeAndDataKind) {
  for (lzx::Level level : {lzx::Level::Fast, lzx::Level::Strong}) {
    for (unsigned bits = lzx::kMinWindowBits; bits <= lzx::kMaxWindowBits; ++bits) {
      for (int kind = 0; kind < 5; ++kind) {
        SCOPED_TRACE("window bits " + std::to_string(bits) + " kind " + std::to_string(kind) +
                     (level == lzx::Level::Fast ? " fast" : " strong"));
        // Intervals as long as the window let matches reach its far end; noise
        // and sparse data only need a couple of frames to make their blocks.
        unsigned reset = std::max(1u, (1u << bits) / lzx::kFrameSize);
        if (kind == 1 || kind == 2) reset = std::min(reset, 2u);
        roundTrip(sample(kind, reset * lzx::kFrameSize + 12345, bits * 10 + kind), bits, reset,
                  nullptr, level);
      }
    }
  }
}

// Reset intervals longer than the window (the compiler's 64 KiB window in
// longer intervals) and data whose best parse leans on repeated offsets:
// records that differ in a few bytes at fixed strides.
TEST(LzxEncoder, StrongParseRoundTripsAndBeatsTheLazyOne) {
  std::mt19937 rng(7);
  std::vector<std::uint8_t> records;
  std::vector<std::uint8_t> rec(300);
  for (auto& b : rec) b = static_cast<std::uint8_t>('a' + rng() % 26);
  while (records.size() < 5 * lzx::kFrameSize + 999) {
    for (int k = 0; k < 4; ++k) rec[rng() % rec.size()] = static_cast<std::uint8_t>(rng());
    records.insert(records.end(), rec.begin(), rec.end());
  }
  for (const auto& data : {sample(0, 6 * lzx::kFrameSize + 77, 3), records}) {
    std::size_t fast = 0, strong = 0;
    roundTrip(data, 16, 4, &fast, lzx::Level::Fast);
    roundTrip(data, 16, 4, &strong, lzx::Level::Strong);
    EXPECT_LT(strong, fast);
  }
}

TEST(LzxEncoder, CompressesTextAndDoesNotExpandNoise) {
  std::size_t textSize = 0, noiseSize = 0;
  auto text = sample(0, 1 << 20, 1);
  auto noise = sample(1, 1 << 20, 2);
  roundTrip(text, 18, 8, &textSize);
  roundTrip(noise, 18, 8, &noiseSize);
  EXPECT_LT(textSize, text.size() / 5);
  // Stored blocks: only headers and frame padding on top of the data.
  EXPECT_LT(noiseSize, noise.size() + noise.size() / 500);
}

// The header bit after each reset says whether calls were translated: yes
// for code, no for HTML with 0xE8 bytes in it (cp1252 and UTF-8 Chinese).
TEST(LzxEncoder, TranslatesCallsInCodeOnly) {
  std::string html;
  while (html.size() < 3 * lzx::kFrameSize) html += "<p>Caf\xE8 \xE8\xAF\xB4\xE6\x98\x8E</p>\n";
  const std::vector<std::uint8_t> text(html.begin(), html.end());
  for (const auto& [data, want] :
       {std::pair{sample(4, 4 * lzx::kFrameSize, 4), true}, std::pair{text, false}}) {
    lzx::Encoder plain(16), enc(16);
    enc.setCallTranslation(lzx::Calls::Auto);
    std::vector<std::uint8_t> out;
    std::vector<std::uint64_t> frames;
    plain.compressInterval(data.data(), 2 * lzx::kFrameSize, out, frames);
    EXPECT_EQ(out[1] & 0x80, 0);  // never unless asked
    out.clear();
    frames.clear();
    enc.compressInterval(data.data(), 2 * lzx::kFrameSize, out, frames);
    const std::size_t second = out.size();
    enc.compressInterval(data.data() + 2 * lzx::kFrameSize, data.size() - 2 * lzx::kFrameSize, out,
                         frames);
    EXPECT_EQ((out[1] & 0x80) != 0, want);
    EXPECT_EQ((out[second + 1] & 0x80) != 0, want);
    roundTrip(data, 16, 2);
  }
}

TEST(LzxEncoder, ShortAndTinyInputs) {
  for (std::size_t n : {1u, 2u, 3u, 100u, 32767u, 32768u, 32769u}) {
    SCOPED_TRACE(n);
    roundTrip(sample(0, n, static_cast<unsigned>(n)), 16, 2);
  }
}

TEST(LzxHuffman, LengthsAreLimitedAndTheCodeIsComplete) {
  // Fibonacci frequencies make an unlimited Huffman code as deep as the alphabet.
  std::vector<std::uint32_t> freq(40);
  freq[0] = freq[1] = 1;
  for (std::size_t i = 2; i < freq.size(); ++i) freq[i] = freq[i - 1] + freq[i - 2];
  for (unsigned limit : {7u, 15u, 16u}) {
    std::vector<std::uint8_t> len(freq.size());
    std::size_t count = limit == 7 ? 8 : freq.size();
    lzx::buildCodeLengths(freq.data(), count, limit, len.data());
    double kraft = 0;
    for (std::size_t i = 0; i < count; ++i) {
      ASSERT_GE(len[i], 1u);
      ASSERT_LE(len[i], limit);
      kraft += std::ldexp(1.0, -len[i]);
    }
    EXPECT_DOUBLE_EQ(kraft, 1.0);
    std::vector<std::uint16_t> codes(count);
    EXPECT_TRUE(lzx::canonicalCodes(len.data(), count, limit, codes.data()));
  }
  // One used symbol still gets a complete two-code tree; none gets nothing.
  std::uint32_t one[5] = {0, 0, 9, 0, 0};
  std::uint8_t l1[5];
  lzx::buildCodeLengths(one, 5, 16, l1);
  EXPECT_EQ(l1[2], 1);
  EXPECT_EQ(l1[0], 1);
  std::uint32_t none[5] = {};
  lzx::buildCodeLengths(none, 5, 16, l1);
  for (std::uint8_t l : l1) EXPECT_EQ(l, 0);
}

}  // namespace
