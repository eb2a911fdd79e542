// Fuzz target: a #WINDOWS file's bytes; the same bytes serve as #STRINGS for
// the string fields.
#include <cstddef>
#include <cstdint>

#include "chmfiles/topic_tables.h"
#include "chmfiles/windows_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Bytes bytes(data, size);
  TopicLookup lookup(bytes, Bytes(), Bytes());
  std::size_t total = 0;
  bool found = false, complete = false;
  for (const WindowTypeEntry& w : readWindowTypes(bytes, &found, &complete)) {
    total += windowButtonNames(w.buttons).size() + windowPropertyNames(w.properties).size();
    for (std::uint32_t offset : {w.name, w.caption, w.contentsFile, w.homeFile, w.jump2Url})
      total += lookup.text(offset).size();
    total += w.position.empty();
  }
  return total + found + complete == 0xFFFFFFFF;
}
