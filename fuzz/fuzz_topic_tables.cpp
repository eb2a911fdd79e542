// Fuzz target: #TOPICS, #URLTBL, #URLSTR and #STRINGS. The input is cut into
// the four tables by the lengths in its first three bytes (in units of 16).
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "chmfiles/topic_tables.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  std::size_t pos = 3;
  Bytes parts[4];
  for (int i = 0; i < 3; ++i) {
    const std::size_t n = std::min<std::size_t>(std::size_t{data[i]} * 16, size - pos);
    parts[i] = Bytes(data + pos, n);
    pos += n;
  }
  parts[3] = Bytes(data + pos, size - pos);
  const Bytes& topics = parts[0];
  TopicLookup lookup(parts[3], parts[1], parts[2]);
  std::size_t total = 0;
  for (const TopicEntry& t : decodeTopics(topics)) {
    const TopicText joined = joinTopic(t, lookup);
    total += joined.title.size() + joined.link.size();
    total += lookup.text(t.tocOffset, kMergeTextLimit).size();
  }
  auto count = [&](const std::string& s) { total += s.size() + 1; };
  TableSource strings(parts[3]);
  listStrings(strings, count);
  TableSource urls(parts[2]);
  listUrlStr(urls, count);
  return total == 0xFFFFFFFF;
}
