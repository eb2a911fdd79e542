#pragma once
// The compiler's writers of a compiled help file's internal tables: #STRINGS,
// #SYSTEM, #WINDOWS, #TOPICS with #URLTBL and #URLSTR, #IVB and #IDXHDR. Each
// builds the bytes of one internal file in memory, in the layouts the readers
// in chmfiles/ decode. Texts are bytes in the help file's code page.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// "#STRINGS": a NUL at offset 0, then each distinct text once, NUL-terminated.
class StringPool {
 public:
  StringPool() : bytes_(1, '\0') {}
  // The offset of text, adding it on first use; the empty text is offset 0.
  std::uint32_t add(std::string_view text);
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
  std::map<std::string, std::uint32_t, std::less<>> offsets_;
};

// What #SYSTEM records of a project. Absent texts write no record.
struct SystemInfo {
  std::uint32_t version = 3;  // 2 for projects compiled for the 1.0 viewer
  std::optional<std::string> contentsFile, indexFile, defaultTopic, title, defaultWindow,
      defaultFont;
  std::string shortName;        // the compiled file's stem, lower case
  std::string compilerVersion;  // our own version text
  std::uint32_t lcid = 0x409;
  bool dbcs = false;
  bool fullTextSearch = false;
  std::uint32_t timeStamp = 0;    // Unix time
  std::string idxHeader;          // the #IDXHDR image for code 13 (version 3)
  bool keywordLinks = false;      // the file holds $WWKeywordLinks
  bool associativeLinks = false;  // the file holds $WWAssociativeLinks
  // The name hashes of the sitemap files that the binary index and the
  // binary contents replace (codes 7 and 11); nothing: no such table.
  std::optional<std::uint32_t> binaryIndex, binaryContents;
};
std::string buildSystem(const SystemInfo& info);

// The Windows FILETIME of a Unix time.
std::uint64_t unixToFileTime(std::uint32_t unixTime);

// One window type as #WINDOWS stores it: texts already in the pool, flags
// made valid for every field the project set.
struct WindowRecord {
  std::uint32_t name = 0, caption = 0, contentsFile = 0, indexFile = 0, defaultFile = 0,
                homeFile = 0, jump1Text = 0, jump2Text = 0, jump1Url = 0, jump2Url = 0;
  std::uint32_t validMembers = 0, properties = 0, styles = 0, exStyles = 0, showState = 0,
                navWidth = 0, buttons = 0, navClosed = 0, currentTab = 0, tabPosition = 0;
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};
std::string buildWindows(const std::vector<WindowRecord>& windows);

// A topic: its file name (as #URLSTR holds it, no leading "/") and its title
// (absent when the page has none).
struct TopicRecord {
  std::string file;
  std::optional<std::string> title;
  std::uint32_t tocOffset = 0;  // its entry in #TOCIDX, 0 when none
};
struct TopicTables {
  std::string topics, urlTable, urlStr;
};
TopicTables buildTopicTables(const std::vector<TopicRecord>& topics, StringPool& strings);

// "#IVB": the size of the entry area, then (topic number, #STRINGS offset)
// pairs in the given order.
std::string buildIvb(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& entries);

// "#IDXHDR": 4096 bytes with the topic-node count and the merge files
// (#STRINGS offsets); at most 1004 merge files fit.
constexpr std::size_t kMaxMergeFiles = 1004;
std::string buildIdxHeader(std::uint32_t topicNodes, const std::vector<std::uint32_t>& mergeFiles);
