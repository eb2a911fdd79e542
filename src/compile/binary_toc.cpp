// "#TOCIDX", the binary contents.
#include "chmfiles/binary_tables_format.h"
#include "compile/binary_tables.h"
#include "platform/itss/bytes.h"

using itss::appendLe16;
using itss::appendLe32;

namespace {

using namespace tocidx;

// The second field of the records after the topic list counts up from this
// value in the files other writers produce; no reader is known to use it.
constexpr std::uint32_t kRecordSerialBase = 0x29A;

struct Placed {
  const TocNode* node;
  std::uint32_t offset, parent, next, firstChild;
};

// Offsets depth first: an entry, then its children, then its next sibling.
void place(const std::vector<TocNode>& level, std::uint32_t parent, std::uint32_t& at,
           std::vector<Placed>& out) {
  std::size_t previous = SIZE_MAX;
  for (const TocNode& n : level) {
    const std::size_t self = out.size();
    out.push_back({&n, at, parent, 0, 0});
    if (previous != SIZE_MAX) out[previous].next = at;
    previous = self;
    at += n.children.empty() ? kLeafSize : kBookSize;
    if (!n.children.empty()) {
      out[self].firstChild = at;
      place(n.children, out[self].offset, at, out);
    }
  }
}

}  // namespace

TocIndex buildTocIndex(const std::vector<TocNode>& roots, StringPool& strings) {
  TocIndex result;
  std::vector<Placed> entries;
  std::uint32_t end = kEntriesStart;
  place(roots, 0, end, entries);

  std::string body;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> withTopic;  // entry offset, topic
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Placed& e = entries[i];
    const bool book = !e.node->children.empty();
    std::uint32_t flags = book ? kFlagBook | kFlagChildren : 0;
    std::uint32_t number;
    if (e.node->topic) {
      flags |= kFlagTopic;
      number = *e.node->topic;
      withTopic.emplace_back(e.offset, number);
    } else {
      number = strings.add(e.node->name);
    }
    appendLe16(body, 0);
    appendLe16(body, static_cast<std::uint16_t>(i));
    appendLe32(body, flags);
    appendLe32(body, number);
    appendLe32(body, e.parent);
    appendLe32(body, e.next);
    if (book) {
      appendLe32(body, e.firstChild);
      appendLe32(body, 0);
    }
  }

  const std::uint32_t topicList = end;
  std::string tail;
  for (const auto& [offset, topic] : withTopic) appendLe32(tail, topic);
  appendLe32(tail, 0);
  appendLe32(tail, 0);
  const auto records = static_cast<std::uint32_t>(topicList + tail.size());
  for (std::size_t i = 0; i < withTopic.size(); ++i) {
    const auto n = static_cast<std::uint32_t>(i);
    appendLe32(tail, withTopic[i].first);
    appendLe32(tail, kRecordSerialBase + n);
    appendLe32(tail, topicList + 4 * n);
    appendLe32(tail, n);
  }

  std::string& out = result.bytes;
  appendLe32(out, entries.empty() ? 0 : kEntriesStart);
  appendLe32(out, records);
  appendLe32(out, static_cast<std::uint32_t>(withTopic.size()));
  appendLe32(out, topicList);
  out.resize(kEntriesStart, '\0');
  out += body;
  out += tail;

  std::vector<bool> seen;
  for (const auto& [offset, topic] : withTopic) {
    if (topic >= seen.size()) seen.resize(topic + 1, false);
    if (seen[topic]) continue;
    seen[topic] = true;
    result.topicEntries.emplace_back(topic, offset);
  }
  return result;
}
