#include "platform/lzx/lzx_e8.h"

#include <algorithm>
#include <vector>

#include "platform/lzx/lzx_tables.h"

namespace lzx {
namespace {

constexpr std::size_t kTail = 10;  // bytes at a frame's end never translated

std::int32_t load32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(
      static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
      (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24));
}

void store32(std::uint8_t* p, std::int64_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(u >> (8 * i));
}

// Calls f(position of the E8 in the frame, its value) for every E8 the
// decoder looks at in a frame of len bytes; f may rewrite the value.
template <class Byte, class F>
void forEachCall(Byte* frame, std::size_t len, F f) {
  if (len <= kTail) return;
  for (std::size_t i = 0; i < len - kTail;) {
    if (frame[i] != 0xE8) {
      ++i;
      continue;
    }
    f(i, frame + i + 1);
    i += 5;
  }
}

// The decoder changes a value exactly when it lies in [-cur, size).
bool decoderTouches(std::int64_t v, std::int64_t cur, std::uint32_t size) {
  return v >= -cur && v < static_cast<std::int64_t>(size);
}

std::size_t repeats(std::vector<std::uint32_t>& v) {
  std::sort(v.begin(), v.end());
  return static_cast<std::size_t>(v.end() - std::unique(v.begin(), v.end()));
}

}  // namespace

void e8Encode(std::uint8_t* frame, std::size_t len, std::int64_t pos, std::uint32_t size) {
  if (pos >= static_cast<std::int64_t>(kE8MaxPosition)) return;
  const auto s = static_cast<std::int64_t>(size);
  forEachCall(frame, len, [&](std::size_t i, std::uint8_t* v) {
    const std::int64_t cur = pos + static_cast<std::int64_t>(i);
    const std::int64_t rel = load32(v);
    // The inverse of the decoder's mapping: [-cur, s - cur) goes to
    // [0, s), [s - cur, s) to [-cur, 0); everything else stays as it is.
    if (rel >= -cur && rel < s - cur)
      store32(v, rel + cur);
    else if (rel >= s - cur && rel < s)
      store32(v, rel - s);
  });
}

void e8Decode(std::uint8_t* frame, std::size_t len, std::int64_t pos, std::uint32_t size) {
  if (pos >= static_cast<std::int64_t>(kE8MaxPosition)) return;
  const auto s = static_cast<std::int64_t>(size);
  forEachCall(frame, len, [&](std::size_t i, std::uint8_t* v) {
    const std::int64_t cur = pos + static_cast<std::int64_t>(i);
    const std::int64_t abs = load32(v);
    if (decoderTouches(abs, cur, size)) store32(v, abs >= 0 ? abs - cur : abs + s);
  });
}

bool e8ShortFrameAgrees(const std::uint8_t* frame, std::size_t len, std::size_t full,
                        std::int64_t pos, std::uint32_t size) {
  if (len >= full || pos >= static_cast<std::int64_t>(kE8MaxPosition)) return true;
  const std::size_t from = len > kTail ? len - kTail : 0;
  bool agree = true;
  forEachCall(frame, full, [&](std::size_t i, const std::uint8_t* v) {
    if (i >= from && decoderTouches(load32(v), pos + static_cast<std::int64_t>(i), size))
      agree = false;
  });
  return agree;
}

bool e8Pays(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kMinCalls = 64;
  std::vector<std::uint32_t> targets, displacements;
  const auto s = static_cast<std::int64_t>(kE8TranslationSize);
  for (std::size_t i = 0; i + 5 <= size;) {
    if (data[i] != 0xE8) {
      ++i;
      continue;
    }
    const auto cur = static_cast<std::int64_t>(i);
    const std::int64_t rel = load32(data + i + 1);
    if (rel >= -cur && rel < s - cur) {
      targets.push_back(static_cast<std::uint32_t>(rel + cur));
      displacements.push_back(static_cast<std::uint32_t>(rel));
    }
    i += 5;
  }
  if (targets.size() < kMinCalls) return false;
  const std::size_t gained = repeats(targets);
  const std::size_t lost = repeats(displacements);
  return gained > lost + targets.size() / 16;
}

}  // namespace lzx
