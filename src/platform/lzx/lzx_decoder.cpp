#include "platform/lzx/lzx_decoder.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/lzx/lzx_e8.h"

namespace lzx {

namespace {

inline std::uint16_t load16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace

// The bit reader: 16-bit little-endian words, bits taken MSB first, kept
// left-aligned in a 64-bit buffer. Past the end of the input it supplies zero
// words and counts them, so a truncated stream is detected, never over-read.
struct Decoder::Bits {
  const std::uint8_t* start;
  const std::uint8_t* p;
  const std::uint8_t* end;
  std::uint64_t buf = 0;
  unsigned count = 0;
  std::size_t overrun = 0;  // zero words supplied past the end

  Bits(const std::uint8_t* in, std::size_t len) : start(in), p(in), end(in + len) {}

  // Tops the buffer up to at least 48 bits (three codes of up to 16 bits)
  // and at most 63, without a branch on how many it held: four words are
  // loaded at once and as many whole words taken as there is room for. The
  // bits of a word that does not fit land below the valid ones, where the
  // next refill puts the same bits again.
  inline void refill() {
    if (end - p >= 8) [[likely]] {
      std::uint64_t v;
      std::memcpy(&v, p, 8);
      // Little-endian words w0 w1 w2 w3 become w0 highest ... w3 lowest.
      v = ((v & 0x0000FFFF0000FFFFull) << 16) | ((v >> 16) & 0x0000FFFF0000FFFFull);
      v = (v << 32) | (v >> 32);
      buf |= v >> count;
      const unsigned words = (63 - count) >> 4;
      p += 2 * words;
      count += 16 * words;
      return;
    }
    refillSlow();
  }
  void refillSlow() {
    while (count < 48) {
      std::uint16_t w = 0;
      if (end - p >= 2) {
        w = load16(p);
        p += 2;
      } else if (p < end) {
        w = *p++;
      } else {
        ++overrun;
      }
      buf |= static_cast<std::uint64_t>(w) << (48 - count);
      count += 16;
    }
  }
  inline std::uint32_t peek(unsigned n) const {
    return n ? static_cast<std::uint32_t>(buf >> (64 - n)) : 0;
  }
  inline void skip(unsigned n) {
    buf <<= n;
    count -= n;
  }
  // n <= 32; the caller has refilled enough bits.
  inline std::uint32_t take(unsigned n) {
    std::uint32_t v = peek(n);
    skip(n);
    return v;
  }
  inline std::uint32_t read(unsigned n) {
    refill();
    return take(n);
  }
  std::uint64_t bitPos() const {
    return (static_cast<std::uint64_t>(p - start) + 2 * static_cast<std::uint64_t>(overrun)) * 8 -
           count;
  }
  // Switches to byte reading at byte position q (buffer emptied).
  void seekByte(std::uint64_t q) {
    std::size_t len = static_cast<std::size_t>(end - start);
    p = start + (q < len ? q : len);
    buf = 0;
    count = 0;
    overrun = 0;
  }
};

namespace {

// Fills t from code lengths, each below 17 (as every length field and step
// the decoder reads makes them); false when they over-subscribe the code.
bool buildTable(Decoder::Table& t, const std::uint8_t* lens, unsigned n) {
  // Two interleaved counts, so that runs of equal lengths do not wait on
  // one another's increments.
  std::uint32_t countA[17] = {}, countB[17] = {};
  unsigned i = 0;
  for (; i + 2 <= n; i += 2) {
    ++countA[lens[i]];
    ++countB[lens[i + 1]];
  }
  if (i < n) ++countA[lens[i]];
  std::uint32_t count[17];
  for (unsigned len = 0; len <= 16; ++len) count[len] = countA[len] + countB[len];
  count[0] = 0;
  std::uint32_t code = 0;
  std::uint32_t offs = 0;
  t.empty = true;
  for (unsigned len = 1; len <= 16; ++len) {
    code = (code + count[len - 1]) << 1;
    if (code + count[len] > (1u << len)) return false;
    t.firstCode[len] = static_cast<std::uint16_t>(code);
    t.count[len] = static_cast<std::uint16_t>(count[len]);
    t.offset[len] = static_cast<std::uint16_t>(offs);
    offs += count[len];
    if (count[len]) t.empty = false;
  }
  // Symbols in order of (length, symbol); those without a code go after
  // all the others, which saves a branch per symbol.
  std::uint32_t fill[17];
  fill[0] = offs;
  for (unsigned len = 1; len <= 16; ++len) fill[len] = t.offset[len];
  for (i = 0; i < n; ++i) t.sorted[fill[lens[i]]++] = static_cast<std::uint16_t>(i);

  // Canonical codes are handed out in the order of (length, symbol): the
  // direct table fills from its start in that order, each code of length
  // len <= bits taking 2^(bits - len) entries. What is left belongs to
  // longer codes (or to none) and says "look further".
  std::uint16_t* direct = t.direct;
  std::uint32_t at = 0;
  const std::uint32_t size = 1u << t.bits;
  for (unsigned len = 1; len <= t.bits; ++len) {
    const std::uint32_t step = 1u << (t.bits - len);
    const std::uint16_t* sym = t.sorted + t.offset[len];
    if (step >= 4) {
      // Four entries at a time: the short codes of a big table.
      for (std::uint32_t k = 0; k < count[len]; ++k) {
        const std::uint64_t e = static_cast<std::uint16_t>((sym[k] << 5) | len);
        const std::uint64_t four = e * 0x0001000100010001ull;
        for (std::uint32_t j = 0; j < step; j += 4) std::memcpy(direct + at + j, &four, 8);
        at += step;
      }
    } else if (step == 2) {
      for (std::uint32_t k = 0; k < count[len]; ++k) {
        const auto e = static_cast<std::uint16_t>((sym[k] << 5) | len);
        direct[at] = direct[at + 1] = e;
        at += 2;
      }
    } else {
      for (std::uint32_t k = 0; k < count[len]; ++k)
        direct[at++] = static_cast<std::uint16_t>((sym[k] << 5) | len);
    }
  }
  std::memset(direct + at, 0, (size - at) * sizeof(std::uint16_t));
  return true;
}

// The search by length for a code longer than the direct lookup; -1 for a
// bit pattern that is no code of the tree.
template <class B>
inline int decodeLong(const Decoder::Table& t, B& b) {
  std::uint32_t v = b.peek(16);
  for (unsigned len = t.bits + 1; len <= 16; ++len) {
    std::uint32_t c = v >> (16 - len);
    std::uint32_t k = c - t.firstCode[len];
    if (c >= t.firstCode[len] && k < t.count[len]) {
      b.skip(len);
      return t.sorted[t.offset[len] + k];
    }
  }
  return -1;
}

// A code length given as a step from the previous one: (old - step) mod 17,
// both below 17.
inline std::uint8_t lengthStep(unsigned old, int step) {
  int v = static_cast<int>(old) - step;
  v += 17 & -(v < 0);
  return static_cast<std::uint8_t>(v);
}

// A tree as a decoding loop holds it: the table's address in a local (a
// store of a byte may alias any field of the decoder, which would make the
// compiler load it again after every byte) and the lookup width a constant.
// decode() needs at least 16 bits buffered; -1 for a bit pattern that is no
// code of the tree.
template <unsigned kBits>
struct Lookup {
  const Decoder::Table& table;
  const std::uint16_t* direct = table.direct;

  template <class B>
  int decode(B& b) const {
    std::uint16_t e = direct[b.peek(kBits)];
    if (e) [[likely]] {
      b.skip(e & 31);
      return e >> 5;
    }
    return decodeLong(table, b);
  }
};

}  // namespace

bool Decoder::init(unsigned windowBits) {
  if (positionSlots(windowBits) == 0) return false;
  if (windowBits != windowBits_ || !window_) {
    // Slack after the window lets matches copy in 8-byte steps.
    window_.reset(new (std::nothrow) std::uint8_t[(std::size_t{1} << windowBits) + 64]);
    if (!window_) return false;
  }
  windowBits_ = windowBits;
  windowSize_ = 1u << windowBits;
  win_ = window_.get();
  winSize_ = windowSize_;
  into_ = false;
  mainSize_ = mainTreeSize(windowBits);
  main_.bits = kMainLookupBits;
  main_.direct = mainDirect_;
  length_.bits = kLengthLookupBits;
  length_.direct = lengthDirect_;
  aligned_.bits = kAlignedLookupBits;
  aligned_.direct = alignedDirect_;
  pre_.bits = kPretreeLookupBits;
  pre_.direct = preDirect_;
  reset(0);
  return true;
}

void Decoder::reset(std::uint64_t position) {
  // A caller's buffer is let go as it is (finishInto() translates it).
  win_ = window_.get();
  winSize_ = windowSize_;
  into_ = false;
  stale_ = false;
  position_ = position;
  sinceReset_ = 0;
  windowPos_ = 0;
  r0_ = r1_ = r2_ = kInitialRepeatOffset;
  headerRead_ = false;
  e8Size_ = 0;
  blockType_ = 0;
  blockLength_ = 0;
  blockRemaining_ = 0;
  padPending_ = false;
  std::memset(mainLens_, 0, sizeof mainLens_);
  std::memset(lengthLens_, 0, sizeof lengthLens_);
}

bool Decoder::readLengths(Bits& b, std::uint8_t* lens, unsigned first, unsigned last) {
  std::uint8_t pre[kPretreeSize];
  for (unsigned i = 0; i < kPretreeSize; ++i) pre[i] = static_cast<std::uint8_t>(b.read(4));
  if (!buildTable(pre_, pre, kPretreeSize) || pre_.empty) return false;
  const Lookup<kPretreeLookupBits> tree{pre_};
  unsigned x = first;
  while (x < last) {
    b.refill();
    int z = tree.decode(b);
    if (z < 0) return false;
    if (z == 17 || z == 18) {
      unsigned run = z == 17 ? 4 + b.take(4) : 20 + b.take(5);
      for (; run && x < last; --run) lens[x++] = 0;
    } else if (z == 19) {
      unsigned run = 4 + b.take(1);
      b.refill();
      int y = tree.decode(b);
      if (y < 0 || y > 16) return false;
      const std::uint8_t v = lengthStep(lens[x], y);
      for (; run && x < last; --run) lens[x++] = v;
    } else {
      lens[x] = lengthStep(lens[x], z);
      ++x;
    }
    if (b.overrun > 4) return false;
  }
  return true;
}

DecodeResult Decoder::readBlockHeader(Bits& b) {
  if (padPending_) {
    // The bit reader is byte-positioned after an uncompressed block.
    if (b.p >= b.end) return DecodeResult::Truncated;
    ++b.p;
    padPending_ = false;
  }
  b.refill();
  blockType_ = b.take(3);
  std::uint32_t hi = b.take(16);
  std::uint32_t lo = b.take(8);
  blockLength_ = blockRemaining_ = (hi << 8) | lo;
  switch (blockType_) {
    case kBlockAligned:
      b.refill();
      for (unsigned i = 0; i < kAlignedSize; ++i)
        alignedLens_[i] = static_cast<std::uint8_t>(b.take(kAlignedBits));
      if (!buildTable(aligned_, alignedLens_, kAlignedSize) || aligned_.empty)
        return DecodeResult::Corrupt;
      [[fallthrough]];
    case kBlockVerbatim:
      if (!readLengths(b, mainLens_, 0, kNumChars) ||
          !readLengths(b, mainLens_, kNumChars, mainSize_) ||
          !buildTable(main_, mainLens_, mainSize_) || main_.empty)
        return b.overrun > 4 ? DecodeResult::Truncated : DecodeResult::Corrupt;
      if (!readLengths(b, lengthLens_, 0, kNumSecondaryLengths) ||
          !buildTable(length_, lengthLens_, kNumSecondaryLengths))
        return b.overrun > 4 ? DecodeResult::Truncated : DecodeResult::Corrupt;
      break;
    case kBlockUncompressed: {
      // Skip to the next 16-bit boundary; when already there, 16 bits more.
      std::uint64_t pos = b.bitPos();
      pos = (pos + 16) & ~std::uint64_t{15};
      std::uint64_t q = pos / 8;
      if (q + 12 > static_cast<std::uint64_t>(b.end - b.start)) return DecodeResult::Truncated;
      b.seekByte(q);
      auto le32 = [](const std::uint8_t* p) {
        return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
               (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
      };
      r0_ = le32(b.p);
      r1_ = le32(b.p + 4);
      r2_ = le32(b.p + 8);
      b.p += 12;
      break;
    }
    default:
      return DecodeResult::Corrupt;
  }
  if (b.overrun > 4) return DecodeResult::Truncated;
  return DecodeResult::Ok;
}

DecodeResult Decoder::decodeRun(Bits& b, std::uint32_t run, std::uint32_t matchLimit) {
  std::uint8_t* const win = win_;
  const std::uint32_t mask = windowSize_ - 1;
  std::uint32_t pos = windowPos_;
  const std::uint32_t end = pos + run;
  // History reachable from window position 0 of this frame's pass.
  const std::uint64_t histBase = sinceReset_ - frameStart_;
  const bool aligned = blockType_ == kBlockAligned;
  const bool fastCopy = overshootSafe_;
  const std::uint32_t windowSize = windowSize_;
  const Lookup<kMainLookupBits> mainTree{main_};
  const Lookup<kLengthLookupBits> lengthTree{length_};
  const Lookup<kAlignedLookupBits> alignedTree{aligned_};
  std::uint32_t r0 = r0_, r1 = r1_, r2 = r2_;
  Bits bits = b;

  DecodeResult result = DecodeResult::Ok;
  while (pos < end) {
    bits.refill();
    int sym = mainTree.decode(bits);
    if (static_cast<unsigned>(sym) < kNumChars) {
      // A refill holds at least 48 bits: room for three symbols.
      win[pos++] = static_cast<std::uint8_t>(sym);
      if (pos >= end) break;
      sym = mainTree.decode(bits);
      if (static_cast<unsigned>(sym) < kNumChars) {
        win[pos++] = static_cast<std::uint8_t>(sym);
        if (pos >= end) break;
        sym = mainTree.decode(bits);
        if (static_cast<unsigned>(sym) < kNumChars) {
          win[pos++] = static_cast<std::uint8_t>(sym);
          continue;
        }
      }
    }
    if (sym < 0) {
      result = DecodeResult::Corrupt;
      break;
    }
    bits.refill();
    unsigned m = static_cast<unsigned>(sym) - kNumChars;
    std::uint32_t len = m & 7;
    unsigned slot = m >> 3;
    if (len == kNumPrimaryLengths) {
      int ls = lengthTree.decode(bits);
      if (ls < 0) {
        result = DecodeResult::Corrupt;
        break;
      }
      len += static_cast<std::uint32_t>(ls);
    }
    len += kMinMatch;
    std::uint32_t dist;
    if (slot == 0) {
      dist = r0;
    } else if (slot == 1) {
      dist = r1;
      r1 = r0;
      r0 = dist;
    } else if (slot == 2) {
      dist = r2;
      r2 = r0;
      r0 = dist;
    } else {
      unsigned extra = kExtraBits[slot];
      bits.refill();
      if (aligned && extra >= kAlignedBits) {
        std::uint32_t v = bits.take(extra - kAlignedBits) << kAlignedBits;
        int a = alignedTree.decode(bits);
        if (a < 0) {
          result = DecodeResult::Corrupt;
          break;
        }
        dist = kPositionBase[slot] - 2 + v + static_cast<std::uint32_t>(a);
      } else {
        dist = kPositionBase[slot] - 2 + bits.take(extra);
      }
      r2 = r1;
      r1 = r0;
      r0 = dist;
    }
    if (len > matchLimit - pos || dist == 0 || dist >= windowSize || dist > histBase + pos) {
      result = DecodeResult::Corrupt;
      break;
    }
    std::uint8_t* d = win + pos;
    if (dist <= pos) {
      const std::uint8_t* s = d - dist;
      if (fastCopy && dist >= 32) {
        // Copies in 32-byte steps may write up to 63 bytes past the match;
        // the window slack and the no-wrap condition make that harmless.
        // The first 64 go without a test: most matches are no longer.
        std::memcpy(d, s, 32);
        std::memcpy(d + 32, s + 32, 32);
        for (std::uint32_t i = 64; i < len; i += 32) std::memcpy(d + i, s + i, 32);
      } else if (fastCopy && dist >= 16) {
        for (std::uint32_t i = 0; i < len; i += 16) std::memcpy(d + i, s + i, 16);
      } else if (fastCopy && dist >= 8) {
        for (std::uint32_t i = 0; i < len; i += 8) std::memcpy(d + i, s + i, 8);
      } else {
        for (std::uint32_t i = 0; i < len; ++i) d[i] = s[i];
      }
    } else {
      std::uint32_t s = (pos - dist) & mask;
      for (std::uint32_t i = 0; i < len; ++i) d[i] = win[(s + i) & mask];
    }
    pos += len;
  }
  // Past the end of the input the reader supplies zero words: the run still
  // ends after at most its length in symbols, and only then is it judged.
  b = bits;
  r0_ = r0;
  r1_ = r1;
  r2_ = r2;
  windowPos_ = pos;
  if (result == DecodeResult::Ok && b.overrun > 4) result = DecodeResult::Truncated;
  return result;
}

DecodeResult Decoder::decodeFrame(const std::uint8_t* in, std::size_t inLen, std::uint8_t* out,
                                  std::size_t outLen, std::size_t* consumed) {
  if (consumed) *consumed = 0;
  if (!window_ || stale_ || outLen == 0 || outLen > kFrameSize || windowPos_ + outLen > winSize_ ||
      (into_ && out != win_ + windowPos_))
    return DecodeResult::BadArgument;
  Bits b(in, inLen);
  if (!headerRead_) {
    b.refill();
    if (b.take(1)) {
      std::uint32_t hi = b.take(16);
      std::uint32_t lo = b.take(16);
      e8Size_ = (hi << 16) | lo;
    }
    headerRead_ = true;
  }
  frameStart_ = windowPos_;
  overshootSafe_ = sinceReset_ + kFrameSize <= windowSize_;
  auto left = static_cast<std::uint32_t>(outLen);
  while (left) {
    if (blockRemaining_ == 0) {
      DecodeResult r = readBlockHeader(b);
      if (r != DecodeResult::Ok) return r;
      continue;
    }
    std::uint32_t run = left < blockRemaining_ ? left : blockRemaining_;
    if (blockType_ == kBlockUncompressed) {
      if (static_cast<std::size_t>(b.end - b.p) < run) return DecodeResult::Truncated;
      std::memcpy(win_ + windowPos_, b.p, run);
      b.p += run;
      windowPos_ += run;
      if (run == blockRemaining_ && (blockLength_ & 1)) padPending_ = true;
    } else {
      // The last frame of a stream may be shorter than the frame the encoder
      // padded it to; a match there may run on into the padding.
      std::uint32_t limit = windowPos_ + run;
      if (outLen < kFrameSize && run == left) limit = frameStart_ + kFrameSize;
      DecodeResult r = decodeRun(b, run, limit);
      if (r != DecodeResult::Ok) return r;
    }
    blockRemaining_ -= run;
    left -= run;
  }
  // Inside an uncompressed block the input is read bytewise: no padding.
  std::uint64_t bitPos = b.bitPos();
  if (blockType_ != kBlockUncompressed) bitPos = (bitPos + 15) & ~std::uint64_t{15};
  if (bitPos > static_cast<std::uint64_t>(inLen) * 8) return DecodeResult::Truncated;
  if (consumed) *consumed = static_cast<std::size_t>(bitPos / 8);

  if (!into_) {
    std::memcpy(out, win_ + frameStart_, outLen);
    // Translated calls count their positions from the reset point.
    if (e8Size_) e8Decode(out, outLen, static_cast<std::int64_t>(sinceReset_), e8Size_);
  }
  position_ += outLen;
  sinceReset_ += outLen;
  windowPos_ &= windowSize_ - 1;
  return DecodeResult::Ok;
}

bool Decoder::decodeInto(std::uint8_t* buffer, std::size_t size) {
  if (!window_ || stale_ || !buffer || sinceReset_ != 0 || size == 0 || size > windowSize_ ||
      size % kFrameSize != 0)
    return false;
  win_ = buffer;
  winSize_ = static_cast<std::uint32_t>(size);
  into_ = true;
  return true;
}

void Decoder::finishInto() {
  if (!into_) return;
  // The frames lie from the buffer's start, each translated on its own with
  // its position counted from the reset point, as decodeFrame does.
  if (e8Size_)
    for (std::uint64_t at = 0; at < sinceReset_; at += kFrameSize)
      e8Decode(win_ + at,
               static_cast<std::size_t>(std::min<std::uint64_t>(kFrameSize, sinceReset_ - at)),
               static_cast<std::int64_t>(at), e8Size_);
  win_ = window_.get();
  winSize_ = windowSize_;
  into_ = false;
  // The history is in the caller's buffer, not in the window: only a reset
  // lets decoding go on.
  stale_ = true;
}

}  // namespace lzx
