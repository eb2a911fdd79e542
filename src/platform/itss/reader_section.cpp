// The LZX-compressed content section: its parameters from the ::DataSpace
// files, and frames decoded on demand from the reset point before them.
#include <algorithm>
#include <cstring>

#include "platform/itss/bytes.h"
#include "platform/itss/itsf_format.h"
#include "platform/itss/itsf_reader.h"

namespace itss {

namespace {
constexpr std::uint64_t kUnknown = ~std::uint64_t{0};

unsigned log2Exact(std::uint64_t v) {
  if (v == 0 || (v & (v - 1))) return 0;
  unsigned n = 0;
  while (v > 1) {
    v >>= 1;
    ++n;
  }
  return n;
}
}  // namespace

HRESULT ItsfFile::setUpLzx() {
  std::string cd, rt, span;
  long contentIndex = find(fmt::kContentName);
  if (!entryBytes(fmt::kControlDataName, cd) || contentIndex < 0) return STG_E_READFAULT;
  const DirEntry& content = entries_[static_cast<std::size_t>(contentIndex)];
  if (content.section != 0 || contentOffset_ > size_ || content.offset > size_ - contentOffset_)
    return STG_E_READFAULT;

  auto u = [](const std::string& s, std::size_t off) {
    return le32(reinterpret_cast<const std::uint8_t*>(s.data()) + off);
  };
  if (cd.size() < fmt::kCdMinSize + 4 || std::memcmp(cd.data() + fmt::kCdSignature, "LZXC", 4))
    return STG_E_READFAULT;
  std::uint64_t version = u(cd, fmt::kCdVersion);
  std::uint64_t reset = u(cd, fmt::kCdResetInterval);
  std::uint64_t window = u(cd, fmt::kCdWindowSize);
  // Version 1 counts bytes, later versions 32 KiB units.
  if (version >= 2) {
    reset *= lzx::kFrameSize;
    window *= lzx::kFrameSize;
  }
  unsigned windowBits = log2Exact(window);
  if (windowBits < lzx::kMinWindowBits || windowBits > lzx::kMaxWindowBits) return STG_E_READFAULT;
  if (reset == 0 || reset % lzx::kFrameSize) return STG_E_READFAULT;

  LzxSection::Params p;
  p.windowBits = windowBits;
  p.framesPerReset =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(reset / lzx::kFrameSize, 1u << 20));
  std::uint64_t avail = size_ - contentOffset_ - content.offset;
  p.content = data_ + contentOffset_ + content.offset;
  p.contentLength = std::min(content.length, avail);

  // The reset table gives the length and where each frame's data starts; the
  // span file only the length.
  std::uint64_t length = kUnknown;
  if (entryBytes(fmt::kResetTableName, rt) && rt.size() >= fmt::kRtHeaderSize) {
    const auto* t = reinterpret_cast<const std::uint8_t*>(rt.data());
    std::uint32_t count = le32(t + fmt::kRtEntryCount);
    std::uint32_t entrySize = le32(t + fmt::kRtEntrySize);
    std::uint32_t tableOff = le32(t + fmt::kRtTableOffset);
    length = le64(t + fmt::kRtUncompressedLen);
    if ((entrySize == 8 || entrySize == 4) && tableOff <= rt.size()) {
      std::uint64_t fit = (rt.size() - tableOff) / entrySize;
      if (count > fit) count = static_cast<std::uint32_t>(fit);
      for (std::uint64_t f = 0; f < count; f += p.framesPerReset) {
        const std::uint8_t* e = t + tableOff + f * entrySize;
        std::uint64_t off = entrySize == 8 ? le64(e) : le32(e);
        p.resetOffsets.push_back(off < p.contentLength ? off : kUnknown);
      }
    }
  }
  if (length == kUnknown && entryBytes(fmt::kSpanInfoName, span) && span.size() >= 8)
    length = le64(reinterpret_cast<const std::uint8_t*>(span.data()));
  if (length == kUnknown) return STG_E_READFAULT;
  // Far more output than LZX can produce from this input is a damaged field.
  std::uint64_t limit = (p.contentLength + 64) * 8 * lzx::kMaxMatch;
  if (length > limit) length = limit;
  p.length = length;
  if (p.resetOffsets.empty() || p.resetOffsets[0] == kUnknown) {
    if (p.resetOffsets.empty()) p.resetOffsets.push_back(0);
    p.resetOffsets[0] = 0;
  }
  lzx_ = std::make_unique<LzxSection>(std::move(p));
  return S_OK;
}

LzxSection::LzxSection(Params p) : p_(std::move(p)) {
  std::uint64_t intervals = intervalCount();
  if (p_.resetOffsets.size() < intervals) p_.resetOffsets.resize(intervals, kUnknown);
  learnt_ = p_.resetOffsets;
  cache_.resize(kCacheFrames);
}

std::uint64_t LzxSection::intervalCount() const {
  std::uint64_t ib = intervalBytes();
  return (p_.length + ib - 1) / ib;
}

std::size_t LzxSection::frameLength(std::uint64_t index) const {
  std::uint64_t start = index * lzx::kFrameSize;
  std::uint64_t left = p_.length - start;
  return static_cast<std::size_t>(left < lzx::kFrameSize ? left : lzx::kFrameSize);
}

LzxSection::Frame& LzxSection::slotFor(std::uint64_t index) {
  Frame* victim = &cache_[0];
  for (Frame& f : cache_) {
    if (f.index == index) return f;
    if (f.lastUse < victim->lastUse) victim = &f;
  }
  victim->index = kUnknown;
  return *victim;
}

const LzxSection::Frame* LzxSection::frame(std::uint64_t index, HRESULT* error) {
  *error = S_OK;
  for (Frame& f : cache_)
    if (f.index == index) {
      f.lastUse = ++useClock_;
      return &f;
    }
  if (!decoderReady_) {
    if (!decoder_.init(p_.windowBits)) {
      *error = E_OUTOFMEMORY;
      return nullptr;
    }
    decoderReady_ = true;
  }
  const std::uint64_t per = p_.framesPerReset;
  std::uint64_t from = nextFrame_;
  if (from == kUnknown || from > index || index - from >= per || from / per != index / per) {
    // Start at the latest reset point at or before the frame whose input
    // position is known; unknown ones are learnt by decoding up to them.
    std::uint64_t k = index / per;
    while (k > 0 && learnt_[k] == kUnknown) --k;
    if (from != kUnknown && from <= index && from / per >= k) {
      // The decoder is already further along than that reset point.
    } else {
      from = k * per;
      inputPos_ = learnt_[k];
    }
  }
  const Frame* result = nullptr;
  for (std::uint64_t g = from; g <= index; ++g) {
    if (g % per == 0) {
      std::uint64_t k = g / per;
      if (learnt_[k] == kUnknown) learnt_[k] = inputPos_;
      decoder_.reset(g * lzx::kFrameSize);
      inputPos_ = learnt_[k];
    }
    Frame& slot = slotFor(g);
    if (!slot.data) slot.data.reset(new std::uint8_t[lzx::kFrameSize]);
    std::size_t len = frameLength(g);
    std::size_t used = 0;
    lzx::DecodeResult r = lzx::DecodeResult::Truncated;
    if (inputPos_ <= p_.contentLength)
      r = decoder_.decodeFrame(p_.content + inputPos_,
                               static_cast<std::size_t>(p_.contentLength - inputPos_),
                               slot.data.get(), len, &used);
    if (r != lzx::DecodeResult::Ok) {
      nextFrame_ = kUnknown;
      *error = STG_E_READFAULT;
      return nullptr;
    }
    inputPos_ += used;
    slot.index = g;
    slot.length = len;
    slot.lastUse = ++useClock_;
    nextFrame_ = g + 1;
    result = &slot;
  }
  return result;
}

HRESULT LzxSection::read(std::uint64_t offset, std::uint8_t* dst, std::size_t n, std::size_t* got) {
  *got = 0;
  if (offset >= p_.length) return S_OK;
  if (n > p_.length - offset) n = static_cast<std::size_t>(p_.length - offset);
  std::lock_guard<std::mutex> lock(mutex_);
  while (*got < n) {
    std::uint64_t pos = offset + *got;
    HRESULT err;
    const Frame* f = frame(pos / lzx::kFrameSize, &err);
    if (!f) return err;
    std::size_t in = static_cast<std::size_t>(pos % lzx::kFrameSize);
    if (in >= f->length) return STG_E_READFAULT;
    std::size_t take = std::min(n - *got, f->length - in);
    std::memcpy(dst + *got, f->data.get() + in, take);
    *got += take;
  }
  return S_OK;
}

HRESULT LzxSection::decodeInterval(lzx::Decoder& dec, std::uint64_t interval, std::uint8_t* out,
                                   std::size_t capacity, std::size_t* produced) const {
  *produced = 0;
  if (interval >= intervalCount()) return STG_E_READFAULT;
  std::uint64_t pos = interval < p_.resetOffsets.size() ? p_.resetOffsets[interval] : kUnknown;
  if (pos == kUnknown) return STG_E_READFAULT;
  if (dec.windowBits() != p_.windowBits && !dec.init(p_.windowBits)) return E_OUTOFMEMORY;
  std::uint64_t first = interval * p_.framesPerReset;
  dec.reset(first * lzx::kFrameSize);
  // With room for the whole interval and the decoder's slack, out is the
  // window itself: nothing is copied out of it afterwards.
  const bool into = capacity >= intervalBytes() + lzx::Decoder::kBufferSlack &&
                    dec.decodeInto(out, static_cast<std::size_t>(intervalBytes()));
  for (std::uint64_t g = first; g < first + p_.framesPerReset && g < frameCount(); ++g) {
    std::size_t len = frameLength(g);
    std::size_t used = 0;
    if (pos > p_.contentLength ||
        dec.decodeFrame(p_.content + pos, static_cast<std::size_t>(p_.contentLength - pos),
                        out + *produced, len, &used) != lzx::DecodeResult::Ok) {
      dec.reset(0);
      return STG_E_READFAULT;
    }
    pos += used;
    *produced += len;
  }
  if (into) dec.finishInto();
  return S_OK;
}

}  // namespace itss
