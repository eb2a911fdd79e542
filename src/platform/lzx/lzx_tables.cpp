#include "platform/lzx/lzx_tables.h"

namespace lzx {

bool canonicalCodes(const std::uint8_t* lengths, std::size_t count, unsigned maxLength,
                    std::uint16_t* codes) {
  if (maxLength > 16) return false;
  std::uint32_t perLength[17] = {};
  for (std::size_t i = 0; i < count; ++i) {
    if (lengths[i] > maxLength) return false;
    ++perLength[lengths[i]];
  }
  perLength[0] = 0;
  std::uint32_t next[17] = {};
  std::uint32_t code = 0;
  for (unsigned len = 1; len <= maxLength; ++len) {
    code = (code + perLength[len - 1]) << 1;
    next[len] = code;
    if (code + perLength[len] > (1u << len)) return false;
  }
  for (std::size_t i = 0; i < count; ++i)
    codes[i] = lengths[i] ? static_cast<std::uint16_t>(next[lengths[i]]++) : 0;
  return true;
}

}  // namespace lzx
