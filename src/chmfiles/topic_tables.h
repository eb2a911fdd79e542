#pragma once
// "#STRINGS", "#TOPICS", "#URLTBL" and "#URLSTR": the string and link lookups
// every report uses, the topic join and the three listing readers. Texts are
// bytes in the help file's code page.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "chmfiles/byte_source.h"
#include "platform/itss/storage.h"

// Output limits of the string lookup: the report pages' buffers, and the
// merge-file lookup of the index header.
constexpr std::size_t kPageTextLimit = 4096;
constexpr std::size_t kMergeTextLimit = 1024;
// The lookup reads texts in chunks of this many bytes.
constexpr std::uint32_t kLookupChunk = 128;

constexpr std::size_t kTopicEntrySize = 16;
constexpr std::size_t kUrlTableEntrySize = 12;
constexpr std::size_t kUrlStrHeaderSize = 8;

// The text at offset in a #STRINGS source: read in 128-byte chunks, each one
// only while the bytes taken plus 128 stay below limit, ending at the first
// NUL. Empty when the source is missing or cannot be positioned.
std::string lookupText(TableSource& strings, std::uint32_t offset,
                       std::size_t limit = kPageTextLimit);

// The three tables behind topic titles and links, each opened on first use
// and kept open for the life of the object (one report page).
class TopicLookup {
 public:
  explicit TopicLookup(itss::IStorage* storage)
      : strings_(storage, "#STRINGS"), urlTable_(storage, "#URLTBL"), urlStr_(storage, "#URLSTR") {}
  TopicLookup(Bytes strings, Bytes urlTable, Bytes urlStr)
      : strings_(strings), urlTable_(urlTable), urlStr_(urlStr) {}

  // The #STRINGS text at offset.
  std::string text(std::uint32_t offset, std::size_t limit = kPageTextLimit) {
    return lookupText(strings_, offset, limit);
  }
  // The file name of the topic whose #URLTBL entry is at urlTableOffset.
  std::string link(std::uint32_t urlTableOffset);

 private:
  TableSource strings_;
  TableSource urlTable_;
  TableSource urlStr_;
};

struct TopicEntry {
  std::uint32_t tocOffset = 0;  // not interpreted
  std::uint32_t title = 0;      // offset into #STRINGS
  std::uint32_t urlTable = 0;   // offset of the topic's #URLTBL entry
  std::uint32_t flags = 0;      // not interpreted
};

// Every whole 16-byte entry of a #TOPICS held in memory.
std::vector<TopicEntry> decodeTopics(Bytes file);
// The same from the "#TOPICS" stream of storage, read whole; false when it
// cannot be opened or read whole.
bool readTopics(itss::IStorage* storage, std::vector<TopicEntry>& topics);

// A topic's title and link, each looked up on its own.
struct TopicText {
  std::string title;
  std::string link;
};
TopicText joinTopic(const TopicEntry& topic, TopicLookup& lookup);

// Listing readers: deliver each text (#STRINGS) or file name (#URLSTR) of a
// source in file order, reading it in 4096-byte blocks. Runs of NULs between
// texts deliver nothing; a text across a block boundary is delivered whole.
using TextSink = std::function<void(const std::string& text)>;
void listStrings(TableSource& source, const TextSink& deliver);
void listUrlStr(TableSource& source, const TextSink& deliver);
