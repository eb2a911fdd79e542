// Fuzz target: the LZX decoder. Byte 0 picks the window (2^15..2^21), byte 1
// the frames per reset interval and the length of the last frame; the rest
// is the compressed stream, decoded frame by frame as the container does.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/lzx/lzx_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  static lzx::Decoder decoder;
  static std::vector<std::uint8_t> out(lzx::kFrameSize);
  unsigned bits = lzx::kMinWindowBits + data[0] % 7;
  unsigned perReset = 1 + (data[1] & 3);
  std::size_t lastLen = 1 + (static_cast<std::size_t>(data[1]) * 977) % lzx::kFrameSize;
  if (!decoder.init(bits)) return 0;
  const std::uint8_t* in = data + 2;
  std::size_t left = size - 2;
  for (unsigned frame = 0; frame < 8; ++frame) {
    if (frame % perReset == 0) decoder.reset(std::uint64_t{frame} * lzx::kFrameSize);
    std::size_t len = frame == 7 ? lastLen : lzx::kFrameSize;
    std::size_t used = 0;
    if (decoder.decodeFrame(in, left, out.data(), len, &used) != lzx::DecodeResult::Ok) break;
    if (used > left) __builtin_trap();
    in += used;
    left -= used;
  }
  return 0;
}
