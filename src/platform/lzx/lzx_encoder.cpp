#include "platform/lzx/lzx_encoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "platform/lzx/lzx_e8.h"
#include "platform/lzx/lzx_huffman.h"
#include "platform/lzx/lzx_items.h"
#include "platform/lzx/lzx_match_finder.h"
#include "platform/lzx/lzx_optimal_parse.h"
#include "platform/lzx/lzx_tables.h"

namespace lzx {
namespace {

constexpr unsigned kHashBits = 16;
constexpr unsigned kMaxChain = 40;     // candidates tried per position
constexpr unsigned kNiceLength = 128;  // a match this long ends the search
constexpr unsigned kLazyLength = 48;   // a match this long is taken without a lazy look

// Strong level: tree depth, the length from which a match is taken without
// weighing the positions it covers, and parses per block (each priced by
// the code lengths the one before would give). Priced by the lazy parse's
// statistics, one parse comes within 0.01% of two on HTML in three quarters
// of the time.
constexpr unsigned kStrongDepth = 48;
constexpr unsigned kStrongNice = 128;
constexpr unsigned kStrongPasses = 1;
// Approximate costs in bits, for choosing between candidate matches.
constexpr int kLiteralBits = 7;
constexpr int kMatchSymbolBits = 9;
constexpr int kLengthSymbolBits = 5;

// 16-bit little-endian words, bits taken from the most significant end.
class BitWriter {
 public:
  explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  void put(std::uint32_t value, unsigned bits) {
    acc_ = (acc_ << bits) | value;
    pending_ += bits;
    while (pending_ >= 16) {
      pending_ -= 16;
      auto word = static_cast<std::uint32_t>(acc_ >> pending_);
      out_.push_back(static_cast<std::uint8_t>(word));
      out_.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    acc_ &= (std::uint64_t{1} << pending_) - 1;
  }
  void align() {
    if (pending_) put(0, 16 - pending_);
  }
  unsigned pending() const { return pending_; }
  void bytes(const std::uint8_t* p, std::size_t n) { out_.insert(out_.end(), p, p + n); }
  std::size_t size() const { return out_.size(); }

 private:
  std::vector<std::uint8_t>& out_;
  std::uint64_t acc_ = 0;
  unsigned pending_ = 0;
};

// Counts bits instead of writing them (for cost estimates).
class BitCounter {
 public:
  void put(std::uint32_t, unsigned bits) { bits_ += bits; }
  std::uint64_t bits() const { return bits_; }

 private:
  std::uint64_t bits_ = 0;
};

// One run of tree lengths coded through a pretree, against the previous
// lengths of the same tree (deltas mod 17, runs of zeros, runs of equal values).
class TreeRun {
 public:
  void prepare(const std::uint8_t* oldLens, const std::uint8_t* newLens, unsigned n) {
    ops_.clear();
    auto delta = [](unsigned o, unsigned v) {
      return static_cast<std::uint8_t>((o + 17 - v) % 17);
    };
    unsigned i = 0;
    while (i < n) {
      const std::uint8_t v = newLens[i];
      unsigned run = 1;
      while (i + run < n && newLens[i + run] == v) ++run;
      unsigned j = 0;
      if (v == 0) {
        unsigned left = run;
        while (left >= 20) {
          unsigned k = std::min(left, 51u);
          ops_.push_back({18, 5, static_cast<std::uint8_t>(k - 20), 0});
          left -= k;
          j += k;
        }
        if (left >= 4) {
          ops_.push_back({17, 4, static_cast<std::uint8_t>(left - 4), 0});
          j += left;
        }
      } else {
        while (run - j >= 4) {
          unsigned k = std::min(run - j, 5u);
          ops_.push_back({19, 1, static_cast<std::uint8_t>(k - 4), delta(oldLens[i + j], v)});
          j += k;
        }
      }
      for (; j < run; ++j) ops_.push_back({delta(oldLens[i + j], v), 0, 0, 0});
      i += run;
    }
    std::uint32_t freq[kPretreeSize] = {};
    for (const Op& op : ops_) {
      ++freq[op.sym];
      if (op.sym == 19) ++freq[op.follow];
    }
    buildCodeLengths(freq, kPretreeSize, kMaxPretreeCodeLength, lens_);
    canonicalCodes(lens_, kPretreeSize, kMaxPretreeCodeLength, codes_);
  }

  template <class W>
  void write(W& w) const {
    for (unsigned s = 0; s < kPretreeSize; ++s) w.put(lens_[s], 4);
    for (const Op& op : ops_) {
      w.put(codes_[op.sym], lens_[op.sym]);
      if (op.extraBits) w.put(op.extra, op.extraBits);
      if (op.sym == 19) w.put(codes_[op.follow], lens_[op.follow]);
    }
  }

 private:
  struct Op {
    std::uint8_t sym, extraBits, extra, follow;
  };
  std::vector<Op> ops_;
  std::uint8_t lens_[kPretreeSize] = {};
  std::uint16_t codes_[kPretreeSize] = {};
};

struct Candidate {
  unsigned len = 0;
  unsigned kind = 0;  // 0..2: repeated offset R0..R2; 3: new offset
  std::uint32_t dist = 0;
  int score = 0;
};

inline unsigned extraBitsOfDistance(std::uint32_t dist) {
  return kExtraBits[positionSlotOf(dist + 2)];
}

inline int scoreOf(unsigned len, unsigned kind, std::uint32_t dist) {
  int cost = kMatchSymbolBits + (len >= 9 ? kLengthSymbolBits : 0);
  if (kind == 3) cost += static_cast<int>(extraBitsOfDistance(dist)) + 1;
  return static_cast<int>(len) * kLiteralBits - cost;
}

// Per-frame symbol statistics, for deciding where blocks end.
struct Stats {
  std::array<std::uint32_t, kMainTreeMax> main{};
  std::array<std::uint32_t, kNumSecondaryLengths> len{};
  std::uint64_t extraBits = 0;
  void add(const Stats& o) {
    for (unsigned i = 0; i < kMainTreeMax; ++i) main[i] += o.main[i];
    for (unsigned i = 0; i < kNumSecondaryLengths; ++i) len[i] += o.len[i];
    extraBits += o.extraBits;
  }
};

double entropyBits(const std::uint32_t* f, unsigned n) {
  double total = 0, sum = 0;
  unsigned used = 0;
  for (unsigned i = 0; i < n; ++i) total += f[i];
  if (total == 0) return 0;
  for (unsigned i = 0; i < n; ++i) {
    if (!f[i]) continue;
    ++used;
    sum += f[i] * std::log2(total / f[i]);
  }
  return sum + used * 4.0;  // rough price of sending the code lengths
}

double estimateCost(const Stats& s, unsigned mainSize) {
  return entropyBits(s.main.data(), mainSize) + entropyBits(s.len.data(), kNumSecondaryLengths) +
         static_cast<double>(s.extraBits) + 300.0;
}

}  // namespace

struct Encoder::Impl {
  unsigned windowBits;
  Level level;
  Calls calls = Calls::Never;
  unsigned mainSize;
  std::uint32_t maxDistance;
  std::vector<std::uint8_t> buf;
  std::vector<std::int32_t> head;
  std::vector<std::int32_t> prev;
  std::vector<Item> items;
  std::vector<std::size_t> frameItemEnd;                   // items.size() at each frame end
  std::vector<std::array<std::uint32_t, 3>> frameRepeats;  // R0..R2 after each frame
  std::uint8_t prevMain[kMainTreeMax] = {};
  std::uint8_t prevLen[kNumSecondaryLengths] = {};

  MatchFinder finder;
  OptimalParser parser;

  Impl(unsigned bits, Level lv)
      : windowBits(bits),
        level(lv),
        mainSize(mainTreeSize(bits)),
        maxDistance((1u << bits) - 3),
        head(std::size_t{1} << kHashBits) {}

  static std::uint32_t hash3(const std::uint8_t* p) {
    std::uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
    return (v * 2654435761u) >> (32 - kHashBits);
  }

  unsigned matchLength(std::size_t a, std::size_t b, unsigned max) const {
    const std::uint8_t* pa = buf.data() + a;
    const std::uint8_t* pb = buf.data() + b;
    unsigned len = 0;
    while (len + 8 <= max) {
      std::uint64_t x, y;
      std::memcpy(&x, pa + len, 8);
      std::memcpy(&y, pb + len, 8);
      if (x != y) return len + static_cast<unsigned>(__builtin_ctzll(x ^ y) >> 3);
      len += 8;
    }
    while (len < max && pa[len] == pb[len]) ++len;
    return len;
  }

  // The strong level's lazy parse takes its candidates from the match
  // finder (which has run by then) instead of hash chains of its own: it
  // only prices the first near-optimal parse and groups frames into blocks.
  // coveredAt walks the finder's long matches as positions increase.
  std::size_t coveredAt = 0;
  void findListed(std::uint32_t q, unsigned maxLen, unsigned best, Candidate& c) {
    // Inside a long match the finder listed nothing: that match goes on.
    const std::vector<MatchFinder::Covered>& cov = finder.covered();
    while (coveredAt < cov.size() && cov[coveredAt].end <= q) ++coveredAt;
    if (coveredAt < cov.size() && cov[coveredAt].start < q) {
      const unsigned l = std::min<unsigned>(cov[coveredAt].end - q, maxLen);
      const std::uint32_t d = cov[coveredAt].dist;
      if (l > best && l >= kMinMatch && scoreOf(l, 3, d) > c.score)
        c = Candidate{l, 3, d, scoreOf(l, 3, d)};
      return;
    }
    for (const Match* m = finder.begin(q); m != finder.end(q); ++m) {
      const unsigned l = std::min<unsigned>(m->len, maxLen);
      if (l <= best) continue;
      best = l;
      if (scoreOf(l, 3, m->dist) > c.score) c = Candidate{l, 3, m->dist, scoreOf(l, 3, m->dist)};
    }
  }

  void find(std::uint32_t q, const std::uint32_t (&rep)[3], Candidate& c) {
    c = Candidate{};
    const std::uint32_t frameEnd = (q / kFrameSize + 1) * kFrameSize;
    const unsigned maxLen = std::min<std::uint32_t>(kMaxMatch, frameEnd - q);
    if (maxLen < kMinMatch) return;
    // Never copy from the part of the window the current frame is about to
    // overwrite (possible only when the reset interval is longer than the
    // window): 7-Zip decodes such matches wrongly although they are valid.
    const std::uint32_t reach =
        std::min(maxDistance, q % kFrameSize + (std::uint32_t{1} << windowBits) - kFrameSize);
    for (unsigned i = 0; i < 3; ++i) {
      const std::uint32_t d = rep[i];
      if (d > q || d > reach) continue;
      unsigned l = matchLength(q - d, q, maxLen);
      if (l < kMinMatch) continue;
      int s = scoreOf(l, i, d);
      if (s > c.score) c = Candidate{l, i, d, s};
    }
    if (maxLen < 3 || c.len >= maxLen) return;
    unsigned best = std::max(c.len, 2u);
    if (level == Level::Strong) {
      findListed(q, maxLen, best, c);
      return;
    }
    const std::uint32_t limit = q > reach ? q - reach : 0;
    std::int32_t cur = head[hash3(buf.data() + q)];
    unsigned chain = kMaxChain;
    while (cur >= 0 && static_cast<std::uint32_t>(cur) >= limit && chain--) {
      if (buf[cur + best] == buf[q + best]) {
        unsigned l = matchLength(cur, q, maxLen);
        if (l > best) {
          best = l;
          const std::uint32_t d = q - static_cast<std::uint32_t>(cur);
          int s = scoreOf(l, 3, d);
          if (s > c.score) c = Candidate{l, 3, d, s};
          if (l >= kNiceLength || l >= maxLen) break;
        }
      }
      cur = prev[cur];
    }
  }

  void parse(std::uint32_t total) {
    std::fill(head.begin(), head.end(), -1);
    items.clear();
    frameItemEnd.clear();
    frameRepeats.clear();
    std::uint32_t rep[3] = {kInitialRepeatOffset, kInitialRepeatOffset, kInitialRepeatOffset};
    std::uint32_t inserted = 0;
    coveredAt = 0;
    auto insertUpTo = [&](std::uint32_t q) {
      if (level == Level::Strong) return;  // candidates come from the finder
      for (; inserted < q; ++inserted) {
        std::uint32_t h = hash3(buf.data() + inserted);
        prev[inserted] = head[h];
        head[h] = static_cast<std::int32_t>(inserted);
      }
    };
    auto literal = [&](std::uint32_t q) { items.push_back(literalItem(buf[q])); };
    std::uint32_t p = 0;
    Candidate cur;
    bool haveCur = false;
    while (p < total) {
      if (!haveCur) {
        insertUpTo(p);
        find(p, rep, cur);
      }
      haveCur = false;
      const std::uint32_t frameEnd = (p / kFrameSize + 1) * kFrameSize;
      if (cur.len >= kMinMatch && cur.score > 0) {
        if (cur.len < kLazyLength && p + 1 < frameEnd) {
          Candidate next;
          insertUpTo(p + 1);
          find(p + 1, rep, next);
          if (next.score > cur.score) {
            literal(p);
            ++p;
            cur = next;
            haveCur = true;
            continue;  // p cannot be a frame end here: p + 1 < frameEnd
          }
        }
        items.push_back(matchItem(cur.kind, cur.dist, cur.len, rep));
        p += cur.len;
      } else {
        literal(p);
        ++p;
      }
      if (p % kFrameSize == 0) {
        frameItemEnd.push_back(items.size());
        frameRepeats.push_back({rep[0], rep[1], rep[2]});
      }
    }
  }

  // Frame statistics, then greedy grouping of frames into blocks: a frame
  // joins the block before it when one set of trees is estimated to code
  // both more cheaply than two.
  std::vector<std::size_t> groupFrames(std::size_t frames) const {
    std::vector<Stats> stats(frames);
    for (std::size_t f = 0, i = 0; f < frames; ++f) {
      for (; i < frameItemEnd[f]; ++i) {
        const Item& it = items[i];
        ++stats[f].main[it.main];
        if (it.lenSym != kNoLengthSymbol) ++stats[f].len[it.lenSym];
        stats[f].extraBits += it.extraBits;
      }
    }
    std::vector<std::size_t> blockEnds;  // frame index after each block
    Stats group = stats[0];
    double groupCost = estimateCost(group, mainSize);
    for (std::size_t f = 1; f < frames; ++f) {
      Stats merged = group;
      merged.add(stats[f]);
      double mergedCost = estimateCost(merged, mainSize);
      double alone = estimateCost(stats[f], mainSize);
      if (mergedCost <= groupCost + alone) {
        group = merged;
        groupCost = mergedCost;
      } else {
        blockEnds.push_back(f);
        group = stats[f];
        groupCost = alone;
      }
    }
    blockEnds.push_back(frames);
    return blockEnds;
  }

  // Replaces the lazy parse by near-optimal parses, block by block of the
  // lazy parse's grouping; the first pass is priced by the lazy parse's
  // statistics of the block, each further one by the pass before.
  void optimize(std::size_t frames) {
    const std::vector<std::size_t> blockEnds = groupFrames(frames);
    std::vector<Item> parsed, block;
    parsed.reserve(items.size());
    std::uint32_t rep[3] = {kInitialRepeatOffset, kInitialRepeatOffset, kInitialRepeatOffset};
    std::size_t f0 = 0;
    auto count = [&](const Item* b, const Item* e, std::uint32_t* mainF, std::uint32_t* lenF) {
      std::fill(mainF, mainF + kMainTreeMax, 0);
      std::fill(lenF, lenF + kNumSecondaryLengths, 0);
      for (; b != e; ++b) {
        ++mainF[b->main];
        if (b->lenSym != kNoLengthSymbol) ++lenF[b->lenSym];
      }
    };
    std::uint32_t mainF[kMainTreeMax], lenF[kNumSecondaryLengths];
    SymbolCosts costs;
    for (std::size_t f1 : blockEnds) {
      const std::size_t i0 = f0 == 0 ? 0 : frameItemEnd[f0 - 1];
      count(items.data() + i0, items.data() + frameItemEnd[f1 - 1], mainF, lenF);
      std::uint32_t after[3] = {};
      for (unsigned pass = 0; pass < kStrongPasses; ++pass) {
        costsFromCounts(mainF, mainSize, lenF, costs);
        std::copy(rep, rep + 3, after);
        block.clear();
        parser.parse(buf.data(), static_cast<std::uint32_t>(f0 * kFrameSize),
                     static_cast<std::uint32_t>(f1 * kFrameSize), windowBits, finder, costs,
                     kStrongNice, after, block);
        count(block.data(), block.data() + block.size(), mainF, lenF);
      }
      std::copy(after, after + 3, rep);
      parsed.insert(parsed.end(), block.begin(), block.end());
      f0 = f1;
    }
    items.swap(parsed);

    // Frame ends and the repeated offsets there, for the block writer.
    frameItemEnd.clear();
    frameRepeats.clear();
    std::fill(rep, rep + 3, kInitialRepeatOffset);
    std::uint32_t pos = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
      replayRepeats(items[i], rep);
      pos += itemLength(items[i]);
      if (pos % kFrameSize == 0) {
        frameItemEnd.push_back(i + 1);
        frameRepeats.push_back({rep[0], rep[1], rep[2]});
      }
    }
  }

  // Translates x86 calls in buf (the interval, padded to whole frames) when
  // that looks worth it and every reader will undo it alike; says whether
  // it did.
  bool translateCalls(std::size_t size, std::size_t frames) {
    if (calls == Calls::Never || (calls == Calls::Auto && !e8Pays(buf.data(), size))) return false;
    const std::size_t last = (frames - 1) * kFrameSize;
    if (!e8ShortFrameAgrees(buf.data() + last, size - last, kFrameSize,
                            static_cast<std::int64_t>(last), kE8TranslationSize))
      return false;
    for (std::size_t f = 0; f < frames; ++f)
      e8Encode(buf.data() + f * kFrameSize, kFrameSize, static_cast<std::int64_t>(f * kFrameSize),
               kE8TranslationSize);
    return true;
  }

  void compress(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out,
                std::vector<std::uint64_t>& frameOffsets) {
    if (size == 0) return;
    const std::size_t frames = (size + kFrameSize - 1) / kFrameSize;
    const auto total = static_cast<std::uint32_t>(frames * kFrameSize);
    buf.assign(total + 16, 0);
    std::memcpy(buf.data(), data, size);
    const bool e8 = translateCalls(size, frames);
    if (level == Level::Fast && prev.size() < total) prev.resize(total);
    if (level == Level::Strong)
      finder.run(buf.data(), total, windowBits, kStrongDepth, kStrongNice);
    parse(total);
    if (level == Level::Strong) optimize(frames);
    const std::vector<std::size_t> blockEnds = groupFrames(frames);

    std::memset(prevMain, 0, sizeof prevMain);
    std::memset(prevLen, 0, sizeof prevLen);
    const std::size_t base = out.size();
    BitWriter w(out);
    frameOffsets.push_back(0);
    w.put(e8 ? 1 : 0, 1);
    if (e8) {
      w.put(kE8TranslationSize >> 16, 16);
      w.put(kE8TranslationSize & 0xFFFF, 16);
    }
    std::size_t frame = 0;
    for (std::size_t end : blockEnds) {
      writeBlock(w, frame, end, base, frames, frameOffsets);
      frame = end;
    }
    w.align();
  }

  void writeBlock(BitWriter& w, std::size_t f0, std::size_t f1, std::size_t base,
                  std::size_t frames, std::vector<std::uint64_t>& frameOffsets) {
    const std::size_t i0 = f0 == 0 ? 0 : frameItemEnd[f0 - 1];
    const std::size_t i1 = frameItemEnd[f1 - 1];
    const auto blockLen = static_cast<std::uint32_t>((f1 - f0) * kFrameSize);

    std::uint32_t mainF[kMainTreeMax] = {};
    std::uint32_t lenF[kNumSecondaryLengths] = {};
    std::uint32_t alignF[kAlignedSize] = {};
    std::uint64_t extraTotal = 0, alignedCount = 0;
    for (std::size_t i = i0; i < i1; ++i) {
      const Item& it = items[i];
      ++mainF[it.main];
      if (it.lenSym != kNoLengthSymbol) ++lenF[it.lenSym];
      extraTotal += it.extraBits;
      if (it.extraBits >= kAlignedBits) {
        ++alignF[it.extra & 7];
        ++alignedCount;
      }
    }
    bool anyLen = false;
    for (unsigned i = 0; i < kNumSecondaryLengths; ++i) anyLen |= lenF[i] != 0;
    if (!anyLen) lenF[0] = 1;  // some readers refuse an empty length tree

    std::uint8_t mainL[kMainTreeMax] = {}, lenL[kNumSecondaryLengths] = {},
                 alignL[kAlignedSize] = {};
    std::uint16_t mainC[kMainTreeMax] = {}, lenC[kNumSecondaryLengths] = {},
                  alignC[kAlignedSize] = {};
    buildCodeLengths(mainF, mainSize, kMaxCodeLength, mainL);
    buildCodeLengths(lenF, kNumSecondaryLengths, kMaxCodeLength, lenL);
    canonicalCodes(mainL, mainSize, kMaxCodeLength, mainC);
    canonicalCodes(lenL, kNumSecondaryLengths, kMaxCodeLength, lenC);
    bool aligned = false;
    if (alignedCount) {
      buildCodeLengths(alignF, kAlignedSize, kMaxAlignedCodeLength, alignL);
      canonicalCodes(alignL, kAlignedSize, kMaxAlignedCodeLength, alignC);
      std::uint64_t alignedBits = 8 * kAlignedBits;
      for (unsigned s = 0; s < kAlignedSize; ++s)
        alignedBits += std::uint64_t{alignF[s]} * alignL[s];
      aligned = alignedBits < alignedCount * kAlignedBits;
    }

    TreeRun runs[3];
    runs[0].prepare(prevMain, mainL, kNumChars);
    runs[1].prepare(prevMain + kNumChars, mainL + kNumChars, mainSize - kNumChars);
    runs[2].prepare(prevLen, lenL, kNumSecondaryLengths);
    BitCounter counter;
    for (const TreeRun& r : runs) r.write(counter);
    std::uint64_t bits = counter.bits() + 27 + extraTotal;
    for (unsigned s = 0; s < mainSize; ++s) bits += std::uint64_t{mainF[s]} * mainL[s];
    for (unsigned s = 0; s < kNumSecondaryLengths; ++s) bits += std::uint64_t{lenF[s]} * lenL[s];
    if (aligned) {
      bits += 8 * kAlignedBits;
      for (unsigned s = 0; s < kAlignedSize; ++s) bits += std::uint64_t{alignF[s]} * alignL[s];
      bits -= alignedCount * kAlignedBits;
    }
    const std::uint64_t storedBits = 27 + 16 + 96 + std::uint64_t{blockLen} * 8;

    auto frameDone = [&](std::size_t f) {
      if (f + 1 < frames) frameOffsets.push_back(w.size() - base);
    };

    if (storedBits <= bits) {
      w.put(kBlockUncompressed, 3);
      w.put(blockLen >> 8, 16);
      w.put(blockLen & 0xFF, 8);
      if (w.pending() == 0)
        w.put(0, 16);
      else
        w.align();
      std::uint8_t r[12];
      const auto& rep = frameRepeats[f1 - 1];
      for (int k = 0; k < 3; ++k)
        for (int b = 0; b < 4; ++b) r[4 * k + b] = static_cast<std::uint8_t>(rep[k] >> (8 * b));
      w.bytes(r, sizeof r);
      for (std::size_t f = f0; f < f1; ++f) {
        w.bytes(buf.data() + f * kFrameSize, kFrameSize);
        frameDone(f);
      }
      return;  // block length is a multiple of the frame size: never odd
    }

    w.put(aligned ? kBlockAligned : kBlockVerbatim, 3);
    w.put(blockLen >> 8, 16);
    w.put(blockLen & 0xFF, 8);
    if (aligned)
      for (unsigned s = 0; s < kAlignedSize; ++s) w.put(alignL[s], kAlignedBits);
    for (const TreeRun& r : runs) r.write(w);
    std::memcpy(prevMain, mainL, sizeof prevMain);
    std::memcpy(prevLen, lenL, sizeof prevLen);

    std::uint32_t pos = static_cast<std::uint32_t>(f0 * kFrameSize);
    std::size_t f = f0;
    for (std::size_t i = i0; i < i1; ++i) {
      const Item& it = items[i];
      w.put(mainC[it.main], mainL[it.main]);
      if (it.lenSym != kNoLengthSymbol) w.put(lenC[it.lenSym], lenL[it.lenSym]);
      if (it.extraBits) {
        if (aligned && it.extraBits >= kAlignedBits) {
          w.put(it.extra >> kAlignedBits, it.extraBits - kAlignedBits);
          w.put(alignC[it.extra & 7], alignL[it.extra & 7]);
        } else {
          w.put(it.extra, it.extraBits);
        }
      }
      pos += itemLength(it);
      if (pos % kFrameSize == 0) {
        w.align();
        frameDone(f++);
      }
    }
  }
};

Encoder::Encoder(unsigned windowBits, Level level)
    : impl_(std::make_unique<Impl>(windowBits, level)) {}
Encoder::~Encoder() = default;

void Encoder::setCallTranslation(Calls calls) { impl_->calls = calls; }

void Encoder::compressInterval(const std::uint8_t* data, std::size_t size,
                               std::vector<std::uint8_t>& out,
                               std::vector<std::uint64_t>& frameOffsets) {
  impl_->compress(data, size, out, frameOffsets);
}

}  // namespace lzx
