// Fuzz target: a #IVB and an index header (#IDXHDR or #SYSTEM code 13). The
// first byte splits the input; the index header's bytes also serve as
// #STRINGS for the merge-file names.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "chmfiles/ivb_idxhdr.h"
#include "chmfiles/topic_tables.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t split = std::min<std::size_t>(std::size_t{data[0]} * 4, size - 1);
  const Bytes ivb(data + 1, split);
  const Bytes header(data + 1 + split, size - 1 - split);
  std::size_t total = 0;
  std::vector<MapEntry> entries;
  if (decodeIvb(ivb, entries) && !entries.empty()) {
    const MapEntry* first = findMapEntry(entries, entries.back().topic);
    total += first ? first->file : 0;
  }
  TopicLookup lookup(header, Bytes(), Bytes());
  std::string out;
  renderIdxHeader(header, lookup, out);
  total += out.size();
  return total == 0xFFFFFFFF;
}
