// Fuzz target: the full-text index reader. The input is a "$FIftiMain"
// stream; a few words are looked up whole and as prefixes, and every leaf
// entry's location list is decoded.
#include <cstddef>
#include <cstdint>

#include "chmfiles/fulltext_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const FullTextReader reader(Bytes(data, size));
  std::size_t total = 0;
  for (const char* word : {"a", "help", "\xd6\xd0"})
    for (bool prefix : {false, true}) total += reader.find(word, prefix, prefix).size();
  reader.forEachWord([&](const FullTextWord& e) {
    total += reader.topicsOf(e).size();
    return true;
  });
  return total == 0xFFFFFFFF;
}
