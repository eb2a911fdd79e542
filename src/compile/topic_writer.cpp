// #TOPICS, #URLTBL, #URLSTR and #IVB.
#include <algorithm>

#include "chmfiles/topic_tables.h"
#include "common/string_utils.h"
#include "compile/table_writers.h"
#include "platform/itss/bytes.h"

using itss::appendLe16;
using itss::appendLe32;

namespace {

// #URLTBL is read in 4096-byte blocks of 341 entries, the last 4 bytes of a
// full block unused.
constexpr std::size_t kUrlEntriesPerBlock = 341;
constexpr std::size_t kUrlBlockPadding = 4;
// The topic flags the original compiler writes for a page.
constexpr std::uint16_t kTopicFlags = 6;

}  // namespace

TopicTables buildTopicTables(const std::vector<TopicRecord>& topics, StringPool& strings) {
  TopicTables t;
  struct UrlEntry {
    std::uint32_t hash, topic, urlStr;
  };
  std::vector<UrlEntry> urls;
  t.urlStr.assign(1, '\0');
  for (std::size_t i = 0; i < topics.size(); ++i) {
    const auto offset = static_cast<std::uint32_t>(t.urlStr.size());
    appendLe32(t.urlStr, 0);  // remote URL
    appendLe32(t.urlStr, 0);  // frame name
    t.urlStr += topics[i].file;
    t.urlStr += '\0';
    urls.push_back({NameHash(topics[i].file), static_cast<std::uint32_t>(i), offset});
  }
  // Entries sorted by hash, so that a reader can search them; the topic
  // entries point at wherever theirs ended up.
  std::stable_sort(urls.begin(), urls.end(),
                   [](const UrlEntry& a, const UrlEntry& b) { return a.hash < b.hash; });
  std::vector<std::uint32_t> urlOffset(topics.size());
  for (std::size_t k = 0; k < urls.size(); ++k) {
    if (k > 0 && k % kUrlEntriesPerBlock == 0) t.urlTable.append(kUrlBlockPadding, '\0');
    urlOffset[urls[k].topic] = static_cast<std::uint32_t>(t.urlTable.size());
    appendLe32(t.urlTable, urls[k].hash);
    appendLe32(t.urlTable, urls[k].topic);
    appendLe32(t.urlTable, urls[k].urlStr);
  }
  for (std::size_t i = 0; i < topics.size(); ++i) {
    appendLe32(t.topics, topics[i].tocOffset);
    appendLe32(t.topics, topics[i].title ? strings.add(*topics[i].title) : 0);
    appendLe32(t.topics, urlOffset[i]);
    appendLe16(t.topics, kTopicFlags);
    appendLe16(t.topics, 0);
  }
  return t;
}

std::string buildIvb(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& entries) {
  std::string out;
  appendLe32(out, static_cast<std::uint32_t>(entries.size() * 8));
  for (const auto& [topic, file] : entries) {
    appendLe32(out, topic);
    appendLe32(out, file);
  }
  return out;
}
