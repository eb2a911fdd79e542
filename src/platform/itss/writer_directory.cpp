// The directory of a written file: name order, PMGL listing chunks with their
// quickref areas, and PMGI index levels.
#include <algorithm>
#include <cstring>

#include "platform/itss/bytes.h"
#include "platform/itss/writer_internal.h"

namespace itss::wr {
namespace {

constexpr std::uint32_t kPmglHeader = 0x14;
constexpr std::uint32_t kPmgiHeader = 0x08;
constexpr unsigned kQuickrefDensity = 2;
constexpr std::uint32_t kQuickrefStep = 1 + (1u << kQuickrefDensity);  // every 5th entry

std::uint32_t pow2Ceil(std::uint32_t v) {
  std::uint32_t p = 1;
  while (p < v) p <<= 1;
  return p;
}

// Room the trailer needs for n entries: the count, and one quickref slot per
// group of entries (the first group's slot is implicit, but readers that
// binary-search check that room for it exists too).
std::uint32_t trailerSize(std::size_t n) {
  return 2 + 2 * static_cast<std::uint32_t>((n + kQuickrefStep - 1) / kQuickrefStep);
}

struct ChunkEntry {
  std::string bytes;  // encoded entry
  const std::string* name;
};

// Packs encoded entries greedily into chunks; returns the first entry index
// of each chunk. False when a single entry does not fit into a chunk.
bool packChunks(const std::vector<ChunkEntry>& entries, std::uint32_t chunkSize,
                std::uint32_t header, std::vector<std::size_t>& starts) {
  std::size_t i = 0;
  while (i < entries.size()) {
    starts.push_back(i);
    std::uint32_t used = header;
    std::size_t n = 0;
    while (i < entries.size()) {
      std::uint32_t next = used + static_cast<std::uint32_t>(entries[i].bytes.size());
      if (next + trailerSize(n + 1) > chunkSize) break;
      used = next;
      ++n;
      ++i;
    }
    if (n == 0) return false;
  }
  return true;
}

void fillChunk(std::string& chunk, std::uint32_t chunkSize, std::uint32_t header,
               const std::vector<ChunkEntry>& entries, std::size_t first, std::size_t last) {
  std::string body;
  std::vector<std::uint32_t> offsets;
  for (std::size_t i = first; i < last; ++i) {
    offsets.push_back(static_cast<std::uint32_t>(body.size()));
    body += entries[i].bytes;
  }
  chunk.assign(chunkSize, '\0');
  std::memcpy(chunk.data() + header, body.data(), body.size());
  auto* p = reinterpret_cast<std::uint8_t*>(chunk.data());
  putLe32(p + 4, chunkSize - header - static_cast<std::uint32_t>(body.size()));
  const std::size_t n = last - first;
  putLe16(p + chunkSize - 2, static_cast<std::uint16_t>(n));
  for (std::size_t k = 1; k * kQuickrefStep < n; ++k)
    putLe16(p + chunkSize - 2 - 2 * k, static_cast<std::uint16_t>(offsets[k * kQuickrefStep]));
}

}  // namespace

LzxParams lzxParamsFor(std::uint32_t resetBlocks, std::uint32_t windowBlocks) {
  // Readers need powers of two (7-Zip); chmlib derives the reset period as
  // reset / (window / 2) * third word, which is exact only for a window of at
  // least 64 KiB and at most twice the reset interval. History older than the
  // last reset is never used, so a larger window would gain nothing anyway.
  LzxParams p{};
  p.resetFrames = pow2Ceil(std::clamp<std::uint32_t>(resetBlocks, 1, 64));
  std::uint32_t w = pow2Ceil(std::clamp<std::uint32_t>(windowBlocks, 1, 64));
  w = std::min(w, std::max<std::uint32_t>(2, p.resetFrames));
  p.windowUnits = std::max<std::uint32_t>(w, 2);
  p.windowBits = 15;
  while ((1u << (p.windowBits - 15)) < p.windowUnits) ++p.windowBits;
  return p;
}

std::uint32_t directoryChunkSize(std::uint32_t requested) {
  // libmspack warns about any size but 4096 and refuses more than 8192.
  return requested > 4096 ? 8192 : 4096;
}

std::string foldName(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

bool directoryLess(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(a[i]);
    auto y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

bool buildDirectory(const std::vector<DirEntry>& entries, std::uint32_t chunkSize, Directory& out) {
  out = Directory{};
  std::vector<ChunkEntry> listing;
  listing.reserve(entries.size());
  for (const DirEntry& e : entries) {
    ChunkEntry c{{}, &e.name};
    appendEncint(c.bytes, e.name.size());
    c.bytes += e.name;
    appendEncint(c.bytes, e.section);
    appendEncint(c.bytes, e.offset);
    appendEncint(c.bytes, e.length);
    listing.push_back(std::move(c));
  }
  std::vector<std::size_t> starts;
  if (!packChunks(listing, chunkSize, kPmglHeader, starts)) return false;
  const auto listingChunks = static_cast<std::uint32_t>(starts.size());
  std::string chunk;
  for (std::uint32_t c = 0; c < listingChunks; ++c) {
    std::size_t last = c + 1 < listingChunks ? starts[c + 1] : listing.size();
    fillChunk(chunk, chunkSize, kPmglHeader, listing, starts[c], last);
    std::memcpy(chunk.data(), "PMGL", 4);
    auto* p = reinterpret_cast<std::uint8_t*>(chunk.data());
    putLe32(p + 0x0C, c == 0 ? 0xFFFFFFFFu : c - 1);
    putLe32(p + 0x10, c + 1 < listingChunks ? c + 1 : 0xFFFFFFFFu);
    out.chunks += chunk;
  }
  out.chunkCount = listingChunks;
  out.lastListing = listingChunks - 1;

  // Index levels: each entry names the first entry of a chunk of the level below.
  std::vector<std::pair<const std::string*, std::uint32_t>> level;
  for (std::uint32_t c = 0; c < listingChunks; ++c) level.emplace_back(listing[starts[c]].name, c);
  while (level.size() > 1) {
    std::vector<ChunkEntry> index;
    for (const auto& [name, chunkNo] : level) {
      ChunkEntry c{{}, name};
      appendEncint(c.bytes, name->size());
      c.bytes += *name;
      appendEncint(c.bytes, chunkNo);
      index.push_back(std::move(c));
    }
    std::vector<std::size_t> istarts;
    if (!packChunks(index, chunkSize, kPmgiHeader, istarts)) return false;
    std::vector<std::pair<const std::string*, std::uint32_t>> up;
    for (std::size_t c = 0; c < istarts.size(); ++c) {
      std::size_t last = c + 1 < istarts.size() ? istarts[c + 1] : index.size();
      fillChunk(chunk, chunkSize, kPmgiHeader, index, istarts[c], last);
      std::memcpy(chunk.data(), "PMGI", 4);
      up.emplace_back(index[istarts[c]].name, out.chunkCount);
      out.chunks += chunk;
      ++out.chunkCount;
    }
    ++out.depth;
    level = std::move(up);
  }
  if (out.depth > 1) out.rootIndex = static_cast<std::int32_t>(out.chunkCount - 1);
  return true;
}

bool splitPath(const char* path, std::vector<std::string>& parts) {
  parts.clear();
  std::string cur;
  for (const char* p = path;; ++p) {
    if (*p == '/' || *p == '\\' || *p == '\0') {
      if (!cur.empty()) {
        if (cur == "." || cur == "..") return false;
        parts.push_back(cur);
        cur.clear();
      }
      if (*p == '\0') break;
    } else {
      cur += *p;
    }
  }
  return true;
}

}  // namespace itss::wr
