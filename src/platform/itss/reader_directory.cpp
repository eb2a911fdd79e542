// Opening a container: the ITSF and ITSP headers, the listing chunks and
// lookups through the index chunks. Every number taken from the file is
// checked against the file before it is used.
#include <algorithm>
#include <cstring>

#include "platform/itss/bytes.h"
#include "platform/itss/itsf_format.h"
#include "platform/itss/itsf_reader.h"

namespace itss {

std::shared_ptr<ItsfFile> ItsfFile::open(const char* path, HRESULT* error) {
  auto map = MappedFile::open(path, error);
  if (!map) return nullptr;
  auto f = std::make_shared<ItsfFile>();
  f->data_ = map->data();
  f->size_ = map->size();
  f->map_ = std::move(map);
  *error = f->parse();
  return FAILED(*error) ? nullptr : f;
}

std::shared_ptr<ItsfFile> ItsfFile::fromMemory(const std::uint8_t* data, std::size_t size,
                                               HRESULT* error) {
  auto f = std::make_shared<ItsfFile>();
  f->map_ = MappedFile::copyOf(data, size);
  f->data_ = f->map_->data();
  f->size_ = f->map_->size();
  *error = f->parse();
  return FAILED(*error) ? nullptr : f;
}

HRESULT ItsfFile::parse() {
  const std::uint8_t* d = data_;
  if (size_ < fmt::kItsfV2Size || std::memcmp(d, "ITSF", 4) != 0) return STG_E_INVALIDHEADER;
  std::uint32_t version = le32(d + fmt::kItsfVersion);
  std::uint32_t headerLen = le32(d + fmt::kItsfHeaderLen);
  if (version < 2 || version > 3) return STG_E_INVALIDHEADER;
  std::uint64_t hs1 = le64(d + fmt::kItsfHs1Offset);
  if (hs1 > size_ || size_ - hs1 < fmt::kItspSize) return STG_E_INVALIDHEADER;
  const std::uint8_t* itsp = d + hs1;
  if (std::memcmp(itsp, "ITSP", 4) != 0) return STG_E_INVALIDHEADER;
  chunkSize_ = le32(itsp + fmt::kItspChunkSize);
  chunkCount_ = le32(itsp + fmt::kItspChunkCount);
  depth_ = le32(itsp + fmt::kItspDepth);
  rootIndex_ = static_cast<std::int32_t>(le32(itsp + fmt::kItspRootIndex));
  dirOffset_ = hs1 + fmt::kItspSize;
  if (chunkSize_ < fmt::kMinChunkSize || chunkSize_ > fmt::kMaxChunkSize || chunkCount_ == 0)
    return STG_E_INVALIDHEADER;
  // Chunks beyond the end of the file are not there; a truncated file keeps
  // the ones that are.
  std::uint64_t present = (size_ - dirOffset_) / chunkSize_;
  if (present < chunkCount_) {
    damaged_ = true;
    if (present == 0) return STG_E_INVALIDHEADER;
    chunkCount_ = static_cast<std::uint32_t>(present);
  }
  std::uint64_t dirEnd = dirOffset_ + std::uint64_t{chunkSize_} * le32(itsp + fmt::kItspChunkCount);
  if (version >= 3 && headerLen >= fmt::kItsfV3Size)
    contentOffset_ = le64(d + fmt::kItsfContentOffset);
  else
    contentOffset_ = dirEnd;

  std::uint32_t usable = chunkCount_;
  chunkEntries_.assign(chunkCount_, {0, 0});
  // Every listing chunk in file order: the chain some writers record (and
  // the "first listing chunk" field) is not always right, the chunks are.
  for (std::uint32_t c = 0; c < usable; ++c) parseListing(c);

  byFoldedName_.reserve(entries_.size());
  for (std::size_t i = 0; i < entries_.size(); ++i)
    byFoldedName_.emplace_back(foldName(entries_[i].name), i);
  // The listing chunks hold the names in this order already when the writer
  // sorted them as the format asks; only a file that did not is sorted here.
  if (!std::is_sorted(byFoldedName_.begin(), byFoldedName_.end()))
    std::sort(byFoldedName_.begin(), byFoldedName_.end());
  return S_OK;
}

// Lookups mostly come in name order (a walk of the folders, a decompile):
// the search starts where the previous one ended and widens in doubling
// steps, a few comparisons for a near name and at most about twice a plain
// binary search's for a far one. The remembered place is only a hint, so
// threads that look up at once cost each other speed, never a result.
std::size_t ItsfFile::lowerBound(std::string_view folded) const {
  const auto& v = byFoldedName_;
  const std::size_t n = v.size();
  const auto below = [&](std::size_t i) { return std::string_view(v[i].first) < folded; };
  const std::size_t hint = std::min(lastLookup_.load(std::memory_order_relaxed), n);
  std::size_t lo, hi;
  if (hint < n && below(hint)) {
    // After the hint: every name before lo sorts below, hi's does not.
    lo = hint + 1;
    std::size_t step = 1;
    while (hint + step < n && below(hint + step)) {
      lo = hint + step + 1;
      step *= 2;
    }
    hi = std::min(n, hint + step);
  } else {
    hi = hint;
    std::size_t step = 1;
    while (step <= hint && !below(hint - step)) {
      hi = hint - step;
      step *= 2;
    }
    lo = step <= hint ? hint - step + 1 : 0;
  }
  auto it = std::lower_bound(v.begin() + static_cast<std::ptrdiff_t>(lo),
                             v.begin() + static_cast<std::ptrdiff_t>(hi), folded,
                             [](const auto& e, std::string_view k) { return e.first < k; });
  const auto found = static_cast<std::size_t>(it - v.begin());
  lastLookup_.store(found, std::memory_order_relaxed);
  return found;
}

// The first position at or after from whose name does not start with folded;
// the run is mostly short, so it is measured in doubling steps.
std::size_t ItsfFile::endOfPrefix(std::size_t from, std::string_view folded) const {
  const auto& v = byFoldedName_;
  const std::size_t n = v.size();
  const auto inside = [&](std::size_t i) {
    return std::string_view(v[i].first).starts_with(folded);
  };
  if (from >= n || !inside(from)) return from;
  std::size_t lo = from + 1, step = 1;
  while (from + step < n && inside(from + step)) {
    lo = from + step + 1;
    step *= 2;
  }
  const std::size_t hi = std::min(n, from + step);
  auto it = std::partition_point(
      v.begin() + static_cast<std::ptrdiff_t>(lo), v.begin() + static_cast<std::ptrdiff_t>(hi),
      [&](const auto& e) { return std::string_view(e.first).starts_with(folded); });
  return static_cast<std::size_t>(it - v.begin());
}

void ItsfFile::parseListing(std::uint32_t c) {
  const std::uint8_t* chunk = data_ + dirOffset_ + std::uint64_t{c} * chunkSize_;
  if (std::memcmp(chunk, "PMGL", 4) != 0) return;
  std::uint32_t freeSpace = le32(chunk + fmt::kChunkFreeSpace);
  std::uint32_t endOff = chunkSize_ - 2;
  if (freeSpace <= chunkSize_ - fmt::kPmglEntries) endOff = chunkSize_ - freeSpace;
  const std::uint8_t* p = chunk + fmt::kPmglEntries;
  const std::uint8_t* end = chunk + endOff;
  std::uint32_t count = le16(chunk + chunkSize_ - 2);
  std::size_t first = entries_.size();
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint64_t nameLen, section, offset, length;
    if (!readEncint(p, end, nameLen) || nameLen > static_cast<std::uint64_t>(end - p)) {
      damaged_ = true;
      break;
    }
    std::string_view name(reinterpret_cast<const char*>(p), static_cast<std::size_t>(nameLen));
    p += nameLen;
    if (!readEncint(p, end, section) || !readEncint(p, end, offset) ||
        !readEncint(p, end, length)) {
      damaged_ = true;
      break;
    }
    // Blank names and names with NUL bytes are no element anyone can name.
    if (name.empty() || name.find('\0') != std::string_view::npos) continue;
    if (section > 1) continue;
    entries_.push_back(
        DirEntry{std::string(name), static_cast<std::uint32_t>(section), offset, length});
  }
  chunkEntries_[c] = {first, entries_.size()};
}

long ItsfFile::matchIn(std::size_t first, std::size_t last, std::string_view name) const {
  last = std::min(last, entries_.size());
  for (std::size_t i = first; i < last; ++i)
    if (entries_[i].name == name) return static_cast<long>(i);
  // No exact match: the first that differs only in letter case.
  for (std::size_t i = first; i < last; ++i)
    if (compareNames(entries_[i].name, name) == 0) return static_cast<long>(i);
  return -1;
}

long ItsfFile::findThroughIndex(std::string_view name) const {
  if (rootIndex_ < 0 || static_cast<std::uint64_t>(rootIndex_) >= chunkCount_ || depth_ < 2)
    return -2;
  std::uint64_t present = (size_ - dirOffset_) / chunkSize_;
  std::uint32_t chunk = static_cast<std::uint32_t>(rootIndex_);
  // Each level moves one step down; more steps than levels means a loop.
  for (std::uint32_t level = 0; level < depth_ && level < 16; ++level) {
    if (chunk >= chunkCount_ || chunk >= present) return -2;
    const std::uint8_t* c = data_ + dirOffset_ + std::uint64_t{chunk} * chunkSize_;
    if (std::memcmp(c, "PMGL", 4) == 0) {
      auto [first, last] = chunkEntries_[chunk];
      return matchIn(first, last, name);
    }
    if (std::memcmp(c, "PMGI", 4) != 0) return -2;
    std::uint32_t freeSpace = le32(c + fmt::kChunkFreeSpace);
    std::uint32_t endOff = chunkSize_ - 2;
    if (freeSpace <= chunkSize_ - fmt::kPmgiEntries) endOff = chunkSize_ - freeSpace;
    const std::uint8_t* p = c + fmt::kPmgiEntries;
    const std::uint8_t* end = c + endOff;
    std::uint32_t count = le16(c + chunkSize_ - 2);
    std::int64_t child = -1;
    for (std::uint32_t i = 0; i < count; ++i) {
      std::uint64_t nameLen, target;
      if (!readEncint(p, end, nameLen) || nameLen > static_cast<std::uint64_t>(end - p)) return -2;
      std::string_view n(reinterpret_cast<const char*>(p), static_cast<std::size_t>(nameLen));
      p += nameLen;
      if (!readEncint(p, end, target)) return -2;
      if (compareNames(n, name) > 0) break;
      child = target < chunkCount_ ? static_cast<std::int64_t>(target) : -1;
      if (child < 0) return -2;
    }
    if (child < 0) return -1;  // sorts before the first name
    chunk = static_cast<std::uint32_t>(child);
  }
  return -2;
}

long ItsfFile::find(std::string_view name) const {
  long i = findThroughIndex(name);
  if (i >= 0) return i;
  if (chunkCount_ == 1 && !damaged_) return matchIn(0, entries_.size(), name);
  // No usable index, or names the writer sorted differently (non-ASCII
  // letters): the table of all names still knows.
  const std::string key = foldName(name);
  long folded = -1;
  for (std::size_t k = lowerBound(key); k < byFoldedName_.size() && byFoldedName_[k].first == key;
       ++k) {
    std::size_t i = byFoldedName_[k].second;
    if (entries_[i].name == name) return static_cast<long>(i);
    if (folded < 0) folded = static_cast<long>(i);  // the run is in index order
  }
  return folded;
}

bool ItsfFile::isFolder(std::string_view folderName) const {
  const std::string key = foldName(folderName);
  if (key.size() < 2 || key.back() != '/') return false;
  std::size_t k = lowerBound(key);
  return k < byFoldedName_.size() && byFoldedName_[k].first.starts_with(key);
}

bool ItsfFile::entryBytes(const char* name, std::string& out) const {
  long i = find(name);
  if (i < 0) return false;
  const DirEntry& e = entries_[static_cast<std::size_t>(i)];
  if (e.section != 0 || contentOffset_ > size_ || e.offset > size_ - contentOffset_ ||
      e.length > size_ - contentOffset_ - e.offset)
    return false;
  out.assign(reinterpret_cast<const char*>(data_ + contentOffset_ + e.offset),
             static_cast<std::size_t>(e.length));
  return true;
}

HRESULT ItsfFile::read(const DirEntry& e, std::uint64_t offset, void* dst, std::size_t n,
                       std::size_t* got) {
  *got = 0;
  if (offset >= e.length) return S_OK;
  if (n > e.length - offset) n = static_cast<std::size_t>(e.length - offset);
  if (e.section == 0) {
    std::uint64_t at = contentOffset_ + e.offset;
    if (contentOffset_ > size_ || e.offset > size_ - contentOffset_ || at + offset >= size_)
      return STG_E_READFAULT;
    std::uint64_t avail = size_ - at - offset;
    std::size_t take = n < avail ? n : static_cast<std::size_t>(avail);
    std::memcpy(dst, data_ + at + offset, take);
    *got = take;
    return take == n ? S_OK : STG_E_READFAULT;
  }
  HRESULT err = S_OK;
  LzxSection* s = lzxSection(&err);
  if (!s) return err;
  if (e.offset > s->length() || offset > s->length() - e.offset) return STG_E_READFAULT;
  std::uint64_t avail = s->length() - e.offset - offset;
  std::size_t take = n < avail ? n : static_cast<std::size_t>(avail);
  HRESULT hr = s->read(e.offset + offset, static_cast<std::uint8_t*>(dst), take, got);
  if (FAILED(hr)) return hr;
  return *got == n ? S_OK : STG_E_READFAULT;
}

LzxSection* ItsfFile::lzxSection(HRESULT* error) {
  std::call_once(lzxOnce_, [this] { lzxError_ = setUpLzx(); });
  *error = lzxError_;
  return lzx_.get();
}

}  // namespace itss
