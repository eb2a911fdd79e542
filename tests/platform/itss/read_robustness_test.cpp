// Damaged input: truncated, zero-filled and bit-flipped variants of real
// files must never crash, hang or over-allocate (run it under
// AddressSanitizer), and the parts a damage does not touch keep reading.
#include <gtest/gtest.h>

#include <random>

#include "platform/itss/itsf_reader.h"
#include "platform/itss/reader_storage.h"
#include "read_test_util.h"

using namespace itss;

namespace {

// Opens bytes as a container and reads every element it offers, up to a
// budget; returns the number of streams read without error.
int exercise(const std::string& bytes) {
  ComPtr<IStorage> root;
  if (FAILED(openReadStorageFromMemory(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                       bytes.size(), root.put())))
    return -1;
  auto file = containerOf(root.get());
  int ok = 0;
  std::size_t budget = 64 << 20;
  std::vector<char> buf(1 << 16);
  for (const DirEntry& e : file->entries()) {
    ComPtr<IStream> s;
    if (FAILED(root->OpenStream(e.name.c_str(), nullptr, 0, 0, s.put()))) continue;
    HRESULT hr = S_OK;
    for (;;) {
      ULONG got = 0;
      hr = s->Read(buf.data(), static_cast<ULONG>(buf.size()), &got);
      if (FAILED(hr) || got == 0) break;
      if (got > budget) return ok;
      budget -= got;
    }
    if (SUCCEEDED(hr)) ++ok;
  }
  readtest::Walked w;
  readtest::walk(root.get(), "", w);
  return ok;
}

const char* const kSamples[] = {
    "7zcn_7-zip.chm", "abbcb_ALLCB.chm",           "halibut_putty.chm",
    "fpc_toc.chm",    "avast_CheckListSimple.chm", "mspack_encints-64bit-both.chm"};

TEST(ReadRobustness, TruncatedVariants) {
  for (const char* name : kSamples) {
    std::string bytes = readtest::slurp(readtest::corpus(name));
    ASSERT_FALSE(bytes.empty()) << name;
    for (int k = 0; k <= 40; ++k) {
      std::size_t len = bytes.size() * static_cast<std::size_t>(k) / 40;
      exercise(bytes.substr(0, len));
    }
    for (std::size_t len : {0, 1, 4, 0x57, 0x58, 0x5F, 0x60, 0x77, 0x78, 0xCB, 0xCC, 0x1000})
      exercise(bytes.substr(0, std::min(len, bytes.size())));
  }
}

TEST(ReadRobustness, ZeroFilledAndBitFlippedVariants) {
  std::mt19937 rng(99);
  for (const char* name : kSamples) {
    std::string bytes = readtest::slurp(readtest::corpus(name));
    for (int k = 0; k < 40; ++k) {
      std::string v = bytes;
      std::size_t at = rng() % v.size();
      std::size_t len = std::min<std::size_t>(v.size() - at, 1 + rng() % 512);
      std::fill(v.begin() + static_cast<long>(at), v.begin() + static_cast<long>(at + len), '\0');
      exercise(v);
    }
    for (int k = 0; k < 80; ++k) {
      std::string v = bytes;
      // Flips concentrate on the headers and directory, where numbers live.
      std::size_t span = k % 2 ? v.size() : std::min<std::size_t>(v.size(), 0x2000);
      for (int f = 0; f < 1 + k % 4; ++f) v[rng() % span] ^= static_cast<char>(1 << (rng() % 8));
      exercise(v);
    }
  }
}

// Inputs that once broke the reader, named after what they break.
TEST(ReadRobustness, RegressionFiles) {
  // A directory header claiming ~4 billion chunks once sized a table by it.
  std::string bytes =
      readtest::slurp(WRENLOW_SOURCE_DIR "/tests/platform/itss/data/chunk-count-beyond-file.chm");
  ASSERT_FALSE(bytes.empty());
  exercise(bytes);  // under AddressSanitizer: no over-read, no huge allocation
  HRESULT hr;
  auto f =
      ItsfFile::fromMemory(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), &hr);
  if (f) {
    EXPECT_TRUE(f->damaged());
  } else {
    EXPECT_TRUE(FAILED(hr));
  }
}

TEST(ReadRobustness, DamagedResetIntervalLeavesTheOthersReadable) {
  std::string path = readtest::corpus("ahkcn_AutoHotkey.chm");
  std::string bytes = readtest::slurp(path);
  HRESULT hr;
  auto good =
      ItsfFile::fromMemory(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), &hr);
  ASSERT_TRUE(good);
  LzxSection* lzx = good->lzxSection(&hr);
  ASSERT_TRUE(lzx);
  const auto& p = lzx->params();
  const std::uint64_t k = 50;
  ASSERT_GT(p.resetOffsets.size(), k + 1);
  // Zero the compressed bytes of reset interval k.
  std::size_t from = static_cast<std::size_t>(p.content - good->fileData() + p.resetOffsets[k]);
  std::size_t to = static_cast<std::size_t>(p.content - good->fileData() + p.resetOffsets[k + 1]);
  std::string damaged = bytes;
  std::fill(damaged.begin() + static_cast<long>(from), damaged.begin() + static_cast<long>(to),
            '\0');
  auto bad = ItsfFile::fromMemory(reinterpret_cast<const std::uint8_t*>(damaged.data()),
                                  damaged.size(), &hr);
  ASSERT_TRUE(bad);
  const std::uint64_t lo = k * lzx->intervalBytes(), hi = lo + lzx->intervalBytes();
  int intact = 0, hit = 0, detected = 0;
  for (std::size_t i = 0; i < good->entries().size(); ++i) {
    const DirEntry& e = good->entries()[i];
    if (e.section != 1 || e.length == 0) continue;
    std::string a(e.length, '\0'), b(e.length, '\0');
    std::size_t ga = 0, gb = 0;
    ASSERT_EQ(good->read(e, 0, a.data(), a.size(), &ga), S_OK);
    HRESULT rb = bad->read(bad->entries()[i], 0, b.data(), b.size(), &gb);
    if (e.offset + e.length <= lo || e.offset >= hi) {
      ++intact;
      EXPECT_EQ(rb, S_OK) << e.name;
      EXPECT_TRUE(a == b) << e.name;
    } else {
      ++hit;
      if (FAILED(rb) || a != b) ++detected;
    }
  }
  EXPECT_GT(intact, 300);
  EXPECT_GT(hit, 0);
  // Zeroed LZX data cannot decode to the original bytes unnoticed.
  EXPECT_EQ(detected, hit);
}

}  // namespace
