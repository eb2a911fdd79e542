#pragma once
// Little-endian fields and ENCINT numbers of the ITSF container, read from and
// written to plain byte buffers. Readers take the bytes that remain and report
// failure instead of reading past them.
#include <cstddef>
#include <cstdint>
#include <string>

namespace itss {

inline std::uint16_t le16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t le64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(le32(p)) | (static_cast<std::uint64_t>(le32(p + 4)) << 32);
}
inline std::uint32_t be32(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

inline void putLe16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void putLe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void putLe64(std::uint8_t* p, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void appendLe16(std::string& out, std::uint16_t v) {
  std::uint8_t b[2];
  putLe16(b, v);
  out.append(reinterpret_cast<const char*>(b), 2);
}
inline void appendLe32(std::string& out, std::uint32_t v) {
  std::uint8_t b[4];
  putLe32(b, v);
  out.append(reinterpret_cast<const char*>(b), 4);
}
inline void appendLe64(std::string& out, std::uint64_t v) {
  std::uint8_t b[8];
  putLe64(b, v);
  out.append(reinterpret_cast<const char*>(b), 8);
}

// ENCINT: big-endian base-128, high bit set on every byte but the last.
// Values are limited to 63 bits (9 bytes), as long as any length or offset the
// container can honestly hold.
constexpr std::size_t kMaxEncintBytes = 9;

// Reads one ENCINT from [*pos, end); advances *pos. False when it runs past
// end or is longer than kMaxEncintBytes.
inline bool readEncint(const std::uint8_t*& pos, const std::uint8_t* end, std::uint64_t& value) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < kMaxEncintBytes; ++i) {
    if (pos >= end) return false;
    std::uint8_t b = *pos++;
    v = (v << 7) | (b & 0x7F);
    if (!(b & 0x80)) {
      value = v;
      return true;
    }
  }
  return false;
}

// Number of bytes the ENCINT form of v takes.
inline std::size_t encintSize(std::uint64_t v) {
  std::size_t n = 1;
  while (v >>= 7) ++n;
  return n;
}

// Writes the ENCINT form of v to p (encintSize(v) bytes); returns the byte count.
inline std::size_t putEncint(std::uint8_t* p, std::uint64_t v) {
  std::size_t n = encintSize(v);
  for (std::size_t i = 0; i < n; ++i) {
    unsigned shift = static_cast<unsigned>(7 * (n - 1 - i));
    std::uint8_t b = static_cast<std::uint8_t>((v >> shift) & 0x7F);
    p[i] = i + 1 < n ? static_cast<std::uint8_t>(b | 0x80) : b;
  }
  return n;
}
inline void appendEncint(std::string& out, std::uint64_t v) {
  std::uint8_t b[10];
  out.append(reinterpret_cast<const char*>(b), putEncint(b, v));
}

}  // namespace itss
