#pragma once
// LZX decoder for the variant compiled help files use: 32 KiB output frames,
// the bit stream re-aligned to 16 bits after each frame, state reset at every
// reset interval. Works on caller buffers only; no I/O, no exceptions.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/lzx/lzx_tables.h"

namespace lzx {

enum class DecodeResult {
  Ok,
  BadArgument,  // window size or frame length out of range
  Truncated,    // the input ended before the frame was complete
  Corrupt,      // invalid block type, tree, or match
};

class Decoder {
 public:
  Decoder() = default;
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  // Prepares a window of 2^windowBits bytes (15..21). False if out of range
  // or the window cannot be allocated.
  bool init(unsigned windowBits);
  unsigned windowBits() const { return windowBits_; }

  // Starts over at a reset point whose first frame begins at output position
  // `position` (a multiple of 32 KiB): repeated offsets back to 1, tree
  // lengths zeroed, a new E8 header and a new block expected, no history
  // before this point. E8 translation counts from here, not from `position`.
  void reset(std::uint64_t position);

  // Decodes the next frame into out[0..outLen), outLen <= 32 KiB (shorter
  // only for the last frame of a stream). `in` holds the compressed stream
  // from where the previous frame ended (or from the reset point); *consumed
  // receives the bytes used, including the padding to the 16-bit boundary.
  // After a failure the decoder needs reset() before further use.
  DecodeResult decodeFrame(const std::uint8_t* in, std::size_t inLen, std::uint8_t* out,
                           std::size_t outLen, std::size_t* consumed);

  // Output position of the next frame.
  std::uint64_t position() const { return position_; }

  // Bytes after a caller's buffer given to decodeInto() that decoding may
  // overwrite (matches are copied in wide steps).
  static constexpr std::size_t kBufferSlack = 64;

  // Right after reset(): the frames up to the next reset() are decoded
  // straight into buffer, which stands in for the window, so that nothing
  // is copied out of it: frame k lands at buffer + k * 32 KiB, where each
  // decodeFrame() must be given its out. buffer holds size bytes (a whole
  // number of frames, at most the window) and kBufferSlack more. E8
  // translation waits for finishInto(): later frames match against the
  // bytes as decoded. False, changing nothing, when size does not fit.
  bool decodeInto(std::uint8_t* buffer, std::size_t size);
  // Undoes E8 translation in the frames decoded into the caller's buffer and
  // lets it go; the next frame needs a reset() first. (A reset() alone lets
  // the buffer go untranslated.)
  void finishInto();

  // Widths of the direct lookup of each tree: codes up to this long are
  // found in one step, longer ones by a search by length.
  static constexpr unsigned kMainLookupBits = 12;
  static constexpr unsigned kLengthLookupBits = 10;
  static constexpr unsigned kAlignedLookupBits = 7;
  static constexpr unsigned kPretreeLookupBits = 8;

  // Huffman decoding table for one tree (public for the decoder's helpers).
  struct Table {
    static constexpr unsigned kMaxSymbols = kMainTreeMax;
    unsigned bits = 0;                // direct lookup width
    std::uint16_t* direct = nullptr;  // (symbol << 5) | length, 0 = slow path
    std::uint16_t firstCode[17] = {};
    std::uint16_t count[17] = {};
    std::uint16_t offset[17] = {};
    std::uint16_t sorted[kMaxSymbols] = {};
    bool empty = true;
  };

 private:
  struct Bits;
  bool readLengths(Bits& b, std::uint8_t* lens, unsigned first, unsigned last);
  DecodeResult readBlockHeader(Bits& b);
  DecodeResult decodeRun(Bits& b, std::uint32_t run, std::uint32_t matchLimit);

  unsigned windowBits_ = 0;
  std::uint32_t windowSize_ = 0;
  std::unique_ptr<std::uint8_t[]> window_;
  std::uint8_t* win_ = nullptr;  // the window in use: window_, or decodeInto's buffer
  std::uint32_t winSize_ = 0;    // its size
  bool into_ = false;            // decoding into a caller's buffer
  bool stale_ = false;           // after finishInto(): reset() first
  std::uint32_t windowPos_ = 0;
  std::uint64_t sinceReset_ = 0;  // bytes decoded since the last reset
  std::uint64_t position_ = 0;
  bool overshootSafe_ = false;  // matches may write a few bytes past their end
  std::uint32_t frameStart_ = 0;

  std::uint32_t r0_ = 1, r1_ = 1, r2_ = 1;
  bool headerRead_ = false;
  std::uint32_t e8Size_ = 0;
  unsigned blockType_ = 0;
  std::uint32_t blockLength_ = 0;
  std::uint32_t blockRemaining_ = 0;
  bool padPending_ = false;  // an odd uncompressed block left a pad byte

  std::uint8_t mainLens_[kMainTreeMax] = {};
  std::uint8_t lengthLens_[kNumSecondaryLengths] = {};
  std::uint8_t alignedLens_[kAlignedSize] = {};
  unsigned mainSize_ = 0;

  std::uint16_t mainDirect_[1 << kMainLookupBits] = {};
  std::uint16_t lengthDirect_[1 << kLengthLookupBits] = {};
  std::uint16_t alignedDirect_[1 << kAlignedLookupBits] = {};
  std::uint16_t preDirect_[1 << kPretreeLookupBits] = {};
  Table main_, length_, aligned_, pre_;
};

}  // namespace lzx
