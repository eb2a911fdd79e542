#pragma once
// Constants and tables of the LZX format as compiled help files use it,
// shared by the decoder and the encoder.
#include <array>
#include <cstddef>
#include <cstdint>

namespace lzx {

constexpr unsigned kMinWindowBits = 15;
constexpr unsigned kMaxWindowBits = 21;

// Output is produced and the bit stream re-aligned every 32 KiB frame.
constexpr std::uint32_t kFrameSize = 0x8000;

constexpr unsigned kNumChars = 256;
constexpr unsigned kMinMatch = 2;
constexpr unsigned kMaxMatch = 257;
// Match lengths 2..8 live in the main symbol; longer ones add a length-tree symbol.
constexpr unsigned kNumPrimaryLengths = 7;
constexpr unsigned kNumSecondaryLengths = 249;  // length tree size
constexpr unsigned kPretreeSize = 20;
constexpr unsigned kAlignedSize = 8;
constexpr unsigned kAlignedBits = 3;
constexpr unsigned kMaxPositionSlots = 50;
constexpr unsigned kMainTreeMax = kNumChars + kMaxPositionSlots * 8;  // 656

// Longest code lengths each tree may use.
constexpr unsigned kMaxCodeLength = 16;         // main and length trees
constexpr unsigned kMaxPretreeCodeLength = 15;  // 4-bit length field
constexpr unsigned kMaxAlignedCodeLength = 7;   // 3-bit length field

// Block types (3-bit field).
constexpr unsigned kBlockVerbatim = 1;
constexpr unsigned kBlockAligned = 2;
constexpr unsigned kBlockUncompressed = 3;

// Repeated offsets start at 1 after every reset.
constexpr std::uint32_t kInitialRepeatOffset = 1;

// E8 translation only touches frames that start below this output position.
constexpr std::uint64_t kE8MaxPosition = 0x40000000;

// Number of position slots for a window of 2^bits bytes (15..21), 0 otherwise.
constexpr unsigned positionSlots(unsigned windowBits) {
  constexpr unsigned slots[] = {30, 32, 34, 36, 38, 42, 50};
  return windowBits >= kMinWindowBits && windowBits <= kMaxWindowBits
             ? slots[windowBits - kMinWindowBits]
             : 0;
}

// Main tree size for a window of 2^bits bytes.
constexpr unsigned mainTreeSize(unsigned windowBits) {
  return kNumChars + positionSlots(windowBits) * 8;
}

namespace detail {
constexpr std::array<std::uint8_t, kMaxPositionSlots> makeExtraBits() {
  std::array<std::uint8_t, kMaxPositionSlots> t{};
  for (unsigned i = 0; i < kMaxPositionSlots; ++i) {
    unsigned e = i < 4 ? 0 : (i - 2) / 2;
    t[i] = static_cast<std::uint8_t>(e > 17 ? 17 : e);
  }
  return t;
}
constexpr std::array<std::uint32_t, kMaxPositionSlots> makePositionBase() {
  std::array<std::uint32_t, kMaxPositionSlots> t{};
  auto extra = makeExtraBits();
  std::uint32_t base = 0;
  for (unsigned i = 0; i < kMaxPositionSlots; ++i) {
    t[i] = base;
    base += 1u << extra[i];
  }
  return t;
}
}  // namespace detail

// Verbatim bits that follow each position slot: 0,0,0,0,1,1,2,2,...,16,16,17,17,...
constexpr std::array<std::uint8_t, kMaxPositionSlots> kExtraBits = detail::makeExtraBits();
// Smallest formatted offset of each slot (formatted offset = distance + 2;
// slots 0..2 stand for the repeated offsets R0..R2).
constexpr std::array<std::uint32_t, kMaxPositionSlots> kPositionBase = detail::makePositionBase();

static_assert(kPositionBase[4] == 4 && kPositionBase[36] == 262144 && kPositionBase[49] == 1966080);
static_assert(kExtraBits[35] == 16 && kExtraBits[36] == 17);

// The position slot of a formatted offset (offset = distance + 2, >= 3 for a new offset).
inline unsigned positionSlotOf(std::uint32_t formatted) {
  // Below 2^18 two slots share each power of two, split by the bit under
  // the top one; above it every slot spans 2^17.
  if (formatted < 4) return formatted;
  if (formatted < kPositionBase[36]) {
    const unsigned top = 31u - static_cast<unsigned>(__builtin_clz(formatted));
    return 2 * top + ((formatted >> (top - 1)) & 1);
  }
  const unsigned slot = 36 + ((formatted - kPositionBase[36]) >> 17);
  return slot < kMaxPositionSlots ? slot : kMaxPositionSlots - 1;
}

// Canonical Huffman codes from code lengths, as LZX (and DEFLATE) assign them:
// shorter codes first, equal lengths by symbol order; codes are read MSB first.
// Returns false when the lengths over-subscribe the code space or exceed
// maxLength. Symbols with length 0 get code 0.
bool canonicalCodes(const std::uint8_t* lengths, std::size_t count, unsigned maxLength,
                    std::uint16_t* codes);

}  // namespace lzx
