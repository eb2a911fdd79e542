#include "platform/system/pe_version.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "platform/itss/bytes.h"

namespace pe {

using itss::le16;
using itss::le32;

namespace {

// DOS stub header.
constexpr std::uint64_t kDosMagicOffset = 0;         // "MZ"
constexpr std::uint64_t kDosNewHeaderOffset = 0x3C;  // e_lfanew

// PE signature and COFF file header, at e_lfanew.
constexpr std::size_t kSignatureSize = 4;         // "PE\0\0"
constexpr std::size_t kCoffNumberOfSections = 2;  // after the signature
constexpr std::size_t kCoffSizeOfOptionalHeader = 16;
constexpr std::size_t kCoffHeaderSize = 20;

// Optional header: magic, then the data directories at a place that depends
// on the word size.
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::size_t kPe32RvaCount = 92;
constexpr std::size_t kPe32PlusRvaCount = 108;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::size_t kDataDirectorySize = 8;

// Section header.
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kSectionVirtualSize = 8;
constexpr std::size_t kSectionVirtualAddress = 12;
constexpr std::size_t kSectionRawSize = 16;
constexpr std::size_t kSectionRawPointer = 20;
// The loader refuses more sections than this.
constexpr std::uint16_t kMaxSections = 96;

// Resource directory: a 16-byte header whose last two words count the named
// and the numbered entries that follow it, 8 bytes each.
constexpr std::size_t kResDirHeaderSize = 16;
constexpr std::size_t kResDirNamedCount = 12;
constexpr std::size_t kResDirIdCount = 14;
constexpr std::size_t kResEntrySize = 8;
constexpr std::uint32_t kResHighBit = 0x80000000u;
constexpr std::uint32_t kRtVersion = 16;
constexpr std::uint32_t kVsVersionInfoId = 1;
// Resource data entry: the data's RVA (not an offset in the section) and size.
constexpr std::size_t kResDataEntrySize = 16;

// Version block: wLength, wValueLength, wType, then the zero-terminated
// UTF-16 key; the value begins at the next 4-byte boundary of the block.
constexpr std::size_t kBlockKeyOffset = 6;
constexpr std::uint32_t kFixedSignature = 0xFEEF04BDu;
constexpr std::size_t kFixedInfoSize = 52;

struct Section {
  std::uint32_t virtualAddress;
  std::uint32_t span;  // bytes of the section backed by the file
  std::uint32_t rawPointer;
};

class Image {
 public:
  explicit Image(const ByteSource& file) : file_(file) {}

  bool load() {
    std::uint8_t dos[0x40];
    if (!file_.read(kDosMagicOffset, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z')
      return false;
    const std::uint64_t peOffset = le32(dos + kDosNewHeaderOffset);
    std::uint8_t head[kSignatureSize + kCoffHeaderSize];
    if (!file_.read(peOffset, head, sizeof head) || std::memcmp(head, "PE\0\0", 4) != 0)
      return false;
    const std::uint8_t* coff = head + kSignatureSize;
    const std::uint16_t sections = le16(coff + kCoffNumberOfSections);
    const std::uint16_t optionalSize = le16(coff + kCoffSizeOfOptionalHeader);
    if (sections == 0 || sections > kMaxSections) return false;

    const std::uint64_t optionalOffset = peOffset + sizeof head;
    std::vector<std::uint8_t> optional(optionalSize);
    if (optionalSize < 2 || !file_.read(optionalOffset, optional.data(), optional.size()))
      return false;
    std::size_t countAt;
    switch (le16(optional.data())) {
      case kPe32Magic:
        countAt = kPe32RvaCount;
        break;
      case kPe32PlusMagic:
        countAt = kPe32PlusRvaCount;
        break;
      default:
        return false;
    }
    if (countAt + 4 > optional.size()) return false;
    const std::uint32_t dirCount = le32(optional.data() + countAt);
    const std::size_t dirAt = countAt + 4 + kResourceDirectoryIndex * kDataDirectorySize;
    if (dirCount <= kResourceDirectoryIndex || dirAt + kDataDirectorySize > optional.size())
      return false;
    resourceRva_ = le32(optional.data() + dirAt);
    resourceSize_ = le32(optional.data() + dirAt + 4);
    if (resourceRva_ == 0 || resourceSize_ < kResDirHeaderSize) return false;

    std::uint64_t at = optionalOffset + optionalSize;
    for (std::uint16_t i = 0; i < sections; ++i, at += kSectionHeaderSize) {
      std::uint8_t s[kSectionHeaderSize];
      if (!file_.read(at, s, sizeof s)) return false;
      const std::uint32_t virtualSize = le32(s + kSectionVirtualSize);
      const std::uint32_t rawSize = le32(s + kSectionRawSize);
      // Bytes past the raw data are zero-filled by the loader; they hold
      // nothing a version resource could use, so only file-backed bytes count.
      const std::uint32_t span = virtualSize != 0 && virtualSize < rawSize ? virtualSize : rawSize;
      sections_.push_back({le32(s + kSectionVirtualAddress), span, le32(s + kSectionRawPointer)});
    }
    return true;
  }

  // Reads n bytes at an RVA; they must lie in one section's file bytes.
  bool readRva(std::uint64_t rva, void* out, std::size_t n) const {
    for (const Section& s : sections_) {
      if (rva < s.virtualAddress) continue;
      const std::uint64_t into = rva - s.virtualAddress;
      if (into >= s.span || n > s.span - into) continue;
      return file_.read(static_cast<std::uint64_t>(s.rawPointer) + into, out, n);
    }
    return false;
  }

  // Reads n bytes at an offset inside the resource directory.
  bool readResource(std::uint64_t offset, void* out, std::size_t n) const {
    if (offset > resourceSize_ || n > resourceSize_ - offset) return false;
    return readRva(resourceRva_ + offset, out, n);
  }

  // The entry of the directory at `dirOffset` whose numeric id is `id`, or
  // with id 0 the first entry of any kind. Returns its OffsetToData word.
  std::optional<std::uint32_t> findEntry(std::uint32_t dirOffset, std::uint32_t id,
                                         bool wantFirst) const {
    std::uint8_t h[kResDirHeaderSize];
    if (!readResource(dirOffset, h, sizeof h)) return std::nullopt;
    const std::uint32_t named = le16(h + kResDirNamedCount);
    const std::uint32_t total = named + le16(h + kResDirIdCount);
    // Every entry must be present; this bounds the loop by the bytes there.
    if (static_cast<std::uint64_t>(total) * kResEntrySize > resourceSize_) return std::nullopt;
    std::optional<std::uint32_t> first;
    for (std::uint32_t i = 0; i < total; ++i) {
      std::uint8_t e[kResEntrySize];
      if (!readResource(dirOffset + kResDirHeaderSize + std::uint64_t{i} * kResEntrySize, e,
                        sizeof e))
        return std::nullopt;
      const std::uint32_t name = le32(e);
      const std::uint32_t data = le32(e + 4);
      if (!first) first = data;
      if (wantFirst) return first;
      if ((name & kResHighBit) == 0 && name == id) return data;
    }
    if (id == kVsVersionInfoId) return first;  // the version resource under another name
    return std::nullopt;
  }

  std::uint32_t resourceSize() const { return resourceSize_; }

 private:
  const ByteSource& file_;
  std::uint32_t resourceRva_ = 0;
  std::uint32_t resourceSize_ = 0;
  std::vector<Section> sections_;
};

std::optional<FixedFileInfo> parseRootBlock(const std::uint8_t* block, std::size_t have,
                                            std::uint32_t resourceLength) {
  if (have < kBlockKeyOffset) return std::nullopt;
  const std::size_t length = le16(block);
  const std::size_t valueLength = le16(block + 2);
  // The block may not claim more than the resource holds; what the buffer
  // cut off is simply not looked at.
  if (length > resourceLength || length < kBlockKeyOffset) return std::nullopt;
  const std::size_t limit = length < have ? length : have;
  std::size_t at = kBlockKeyOffset;
  for (;; at += 2) {
    if (at + 2 > limit) return std::nullopt;
    if (le16(block + at) == 0) break;
  }
  at = (at + 2 + 3) & ~std::size_t{3};
  if (valueLength < kFixedInfoSize || at + kFixedInfoSize > limit) return std::nullopt;
  const std::uint8_t* v = block + at;
  if (le32(v) != kFixedSignature) return std::nullopt;
  FixedFileInfo info;
  info.fileVersionMS = le32(v + 8);
  info.fileVersionLS = le32(v + 12);
  info.productVersionMS = le32(v + 16);
  info.productVersionLS = le32(v + 20);
  info.fileFlags = le32(v + 28);
  info.fileOS = le32(v + 32);
  info.fileType = le32(v + 36);
  return info;
}

class FileSource : public ByteSource {
 public:
  explicit FileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  std::uint64_t size() const override { return size_; }
  bool read(std::uint64_t offset, void* out, std::size_t n) const override {
    if (offset > size_ || n > size_ - offset) return false;
    auto* p = static_cast<char*>(out);
    while (n > 0) {
      const ssize_t got = ::pread(fd_, p, n, static_cast<off_t>(offset));
      if (got <= 0) return false;
      p += got;
      offset += static_cast<std::uint64_t>(got);
      n -= static_cast<std::size_t>(got);
    }
    return true;
  }

 private:
  int fd_;
  std::uint64_t size_;
};

}  // namespace

bool SpanSource::read(std::uint64_t offset, void* out, std::size_t n) const {
  if (offset > bytes_.size() || n > bytes_.size() - offset) return false;
  if (n) std::memcpy(out, bytes_.data() + offset, n);
  return true;
}

std::optional<FixedFileInfo> readFixedFileInfo(const ByteSource& file) {
  Image image(file);
  if (!image.load()) return std::nullopt;
  // Type, name, language: three levels, each entry but the last a directory.
  auto type = image.findEntry(0, kRtVersion, false);
  if (!type || (*type & kResHighBit) == 0) return std::nullopt;
  auto name = image.findEntry(*type & ~kResHighBit, kVsVersionInfoId, false);
  if (!name || (*name & kResHighBit) == 0) return std::nullopt;
  auto language = image.findEntry(*name & ~kResHighBit, 0, true);
  if (!language || (*language & kResHighBit) != 0) return std::nullopt;

  std::uint8_t entry[kResDataEntrySize];
  if (!image.readResource(*language, entry, sizeof entry)) return std::nullopt;
  const std::uint32_t dataRva = le32(entry);
  const std::uint32_t dataSize = le32(entry + 4);
  const std::size_t want = dataSize < kVersionBufferSize ? dataSize : kVersionBufferSize;
  std::uint8_t buffer[kVersionBufferSize];
  if (want == 0 || !image.readRva(dataRva, buffer, want)) return std::nullopt;
  return parseRootBlock(buffer, want, dataSize);
}

std::optional<FixedFileInfo> fileVersionInfo(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  std::optional<FixedFileInfo> info;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
    info = readFixedFileInfo(FileSource(fd, static_cast<std::uint64_t>(st.st_size)));
  ::close(fd);
  return info;
}

}  // namespace pe
