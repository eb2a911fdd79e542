#pragma once
// The fixed version information (VS_FIXEDFILEINFO) of a Windows program file
// (.dll, .ocx, .exe in the PE format), read from the file itself: the
// version resource's root block "\" as the version library would return it.
// The bytes are untrusted: every offset, count and length is checked against
// the bytes present, the resource tree is descended a fixed three levels, and
// no number read from the file sizes an allocation.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace pe {

struct FixedFileInfo {
  std::uint32_t fileVersionMS = 0;
  std::uint32_t fileVersionLS = 0;
  std::uint32_t productVersionMS = 0;
  std::uint32_t productVersionLS = 0;
  std::uint32_t fileFlags = 0;
  std::uint32_t fileOS = 0;
  std::uint32_t fileType = 0;
};

// Random access to the file's bytes. read() fills exactly n bytes or fails.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t size() const = 0;
  virtual bool read(std::uint64_t offset, void* out, std::size_t n) const = 0;
};

class SpanSource : public ByteSource {
 public:
  explicit SpanSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t size() const override { return bytes_.size(); }
  bool read(std::uint64_t offset, void* out, std::size_t n) const override;

 private:
  std::span<const std::uint8_t> bytes_;
};

// The version library reads at most this much of the version resource (the
// caller's buffer); the root block must lie inside it.
constexpr std::size_t kVersionBufferSize = 4096;

// The root block's fixed information, or nothing when the bytes are not a PE
// file, hold no version resource, or the resource is damaged.
std::optional<FixedFileInfo> readFixedFileInfo(const ByteSource& file);

// The same for a file on disk (opened read-only, read with pread; the file is
// never mapped, so one shrinking under us cannot fault the process).
std::optional<FixedFileInfo> fileVersionInfo(const std::string& path);

}  // namespace pe
