#pragma once
// The reading side of the container: the mapped file, its directory and the
// two content sections. Shared by the storage, stream and enumerator objects
// of one open file; safe to read from several threads.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/itss/status.h"
#include "platform/lzx/lzx_decoder.h"

namespace itss {

// One directory entry as the listing chunks store it.
struct DirEntry {
  std::string name;  // UTF-8, as stored ("/a/b.htm", "::DataSpace/...")
  std::uint32_t section = 0;
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
};

// Name order of the directory: ASCII letters folded to lower case, then
// bytes; a name that is a prefix of another sorts first.
int compareNames(std::string_view a, std::string_view b);
std::string foldName(std::string_view s);

// A read-only mapping of a whole file.
class MappedFile {
 public:
  ~MappedFile();
  static std::unique_ptr<MappedFile> open(const char* path, HRESULT* error);
  static std::unique_ptr<MappedFile> copyOf(const std::uint8_t* data, std::size_t size);
  const std::uint8_t* data() const { return data_; }
  std::uint64_t size() const { return size_; }

 private:
  const std::uint8_t* data_ = nullptr;
  std::uint64_t size_ = 0;
  std::vector<std::uint8_t> copy_;  // for files that cannot be mapped
  bool mapped_ = false;
};

// The LZX-compressed section: frames decoded on demand from the reset point
// before them, recently decoded frames kept in a small cache.
class LzxSection {
 public:
  struct Params {
    unsigned windowBits = 16;
    std::uint32_t framesPerReset = 2;
    std::uint64_t length = 0;  // uncompressed length
    const std::uint8_t* content = nullptr;
    std::uint64_t contentLength = 0;
    std::vector<std::uint64_t> resetOffsets;  // per reset interval; ~0 = unknown
  };
  explicit LzxSection(Params p);
  const Params& params() const { return p_; }
  std::uint64_t length() const { return p_.length; }
  std::uint64_t frameCount() const { return (p_.length + lzx::kFrameSize - 1) / lzx::kFrameSize; }

  // Copies n bytes at offset into dst; *got receives how many were copied.
  HRESULT read(std::uint64_t offset, std::uint8_t* dst, std::size_t n, std::size_t* got);

  // Decodes the reset interval `interval` on a caller's decoder into out,
  // which holds capacity bytes (at least the interval's frames), independent
  // of the shared state; for bulk reads. With room for a whole interval and
  // lzx::Decoder::kBufferSlack more, out serves as the decoder's window and
  // nothing is copied; the bytes past the interval's may change.
  HRESULT decodeInterval(lzx::Decoder& dec, std::uint64_t interval, std::uint8_t* out,
                         std::size_t capacity, std::size_t* produced) const;
  std::uint64_t intervalCount() const;
  std::uint64_t intervalBytes() const { return std::uint64_t{p_.framesPerReset} * lzx::kFrameSize; }

 private:
  struct Frame {
    std::uint64_t index = ~std::uint64_t{0};
    std::uint64_t lastUse = 0;
    std::size_t length = 0;
    std::unique_ptr<std::uint8_t[]> data;
  };
  static constexpr std::size_t kCacheFrames = 16;
  const Frame* frame(std::uint64_t index, HRESULT* error);  // with mutex_ held
  Frame& slotFor(std::uint64_t index);
  std::size_t frameLength(std::uint64_t index) const;

  Params p_;
  std::mutex mutex_;
  lzx::Decoder decoder_;
  bool decoderReady_ = false;
  std::uint64_t nextFrame_ = ~std::uint64_t{0};  // frame the decoder can continue with
  std::uint64_t inputPos_ = 0;
  std::uint64_t useClock_ = 0;
  // Reset points missing from the table, learnt by decoding up to them; kept
  // apart from p_ so bulk readers on other threads see p_ unchanged.
  std::vector<std::uint64_t> learnt_;
  std::vector<Frame> cache_;
};

// An open container.
class ItsfFile {
 public:
  static std::shared_ptr<ItsfFile> open(const char* path, HRESULT* error);
  static std::shared_ptr<ItsfFile> fromMemory(const std::uint8_t* data, std::size_t size,
                                              HRESULT* error);

  const std::vector<DirEntry>& entries() const { return entries_; }
  // Index of the entry with this exact stored name (case-insensitive when no
  // exact match exists), or -1. Looks the name up through the PMGI index.
  long find(std::string_view name) const;
  // True when name ("/a/b/", folded) is a folder: an explicit entry or the
  // prefix of deeper names.
  bool isFolder(std::string_view folderName) const;
  // The elements right below folder ("/" or "/a/b/", any case): calls
  // visit(name, entry) once per stream, with entry its index, and once per
  // sub-folder, with entry -1 and the name as first stored. Costs a lookup
  // per element, whatever lies deeper.
  template <class Visit>
  void forEachChild(std::string_view folder, Visit visit) const;
  // Copies bytes of entry e from offset; S_OK with *got < n only at its end.
  HRESULT read(const DirEntry& e, std::uint64_t offset, void* dst, std::size_t n, std::size_t* got);
  // Section 1, set up on first use; null with *error when unusable.
  LzxSection* lzxSection(HRESULT* error);
  bool damaged() const { return damaged_; }
  const std::uint8_t* fileData() const { return data_; }
  std::uint64_t fileSize() const { return size_; }
  std::uint64_t contentOffset() const { return contentOffset_; }

 private:
  HRESULT parse();
  void parseListing(std::uint32_t chunk);
  long findThroughIndex(std::string_view name) const;
  long matchIn(std::size_t first, std::size_t last, std::string_view name) const;
  bool entryBytes(const char* name, std::string& out) const;
  HRESULT setUpLzx();

  std::unique_ptr<MappedFile> map_;
  const std::uint8_t* data_ = nullptr;
  std::uint64_t size_ = 0;
  std::uint64_t dirOffset_ = 0;
  std::uint32_t chunkSize_ = 0;
  std::uint32_t chunkCount_ = 0;
  std::uint32_t depth_ = 1;
  std::int64_t rootIndex_ = -1;
  std::uint64_t contentOffset_ = 0;
  bool damaged_ = false;
  std::vector<DirEntry> entries_;
  // Entry range [first, last) of each listing chunk, for index lookups.
  std::vector<std::pair<std::size_t, std::size_t>> chunkEntries_;
  // Every entry's folded name with its index, sorted: names below one
  // folder form one run, found by binary search.
  std::vector<std::pair<std::string, std::size_t>> byFoldedName_;
  std::size_t lowerBound(std::string_view folded) const;
  mutable std::atomic<std::size_t> lastLookup_{0};  // where lowerBound ended last
  std::size_t endOfPrefix(std::size_t from, std::string_view folded) const;

  std::once_flag lzxOnce_;
  std::unique_ptr<LzxSection> lzx_;
  HRESULT lzxError_ = S_OK;
};

template <class Visit>
void ItsfFile::forEachChild(std::string_view folder, Visit visit) const {
  const std::string prefix = foldName(folder);
  std::size_t i = lowerBound(prefix);
  const std::size_t end = endOfPrefix(i, prefix);
  while (i < end) {
    const std::string& f = byFoldedName_[i].first;
    const std::string& name = entries_[byFoldedName_[i].second].name;
    std::size_t slash = f.find('/', prefix.size());
    if (f.size() == prefix.size()) {
      ++i;  // the folder's own entry
    } else if (slash == std::string::npos) {
      visit(std::string_view(name).substr(prefix.size()),
            static_cast<long>(byFoldedName_[i].second));
      ++i;
    } else {
      // "//" names no element; a sub-folder is reported once and passed
      // over whole.
      if (slash > prefix.size())
        visit(std::string_view(name).substr(prefix.size(), slash - prefix.size()), -1L);
      i = endOfPrefix(i, std::string_view(f).substr(0, slash + 1));
    }
  }
}

}  // namespace itss
