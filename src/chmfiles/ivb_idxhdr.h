#pragma once
// "#IVB" (topic numbers to topic files) and the "#IDXHDR" header (topic-node
// count and merge files), whose layout #SYSTEM code 13 shares.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "chmfiles/byte_source.h"
#include "platform/itss/storage.h"

class ItsStorage;
class TopicLookup;

constexpr std::size_t kMapEntrySize = 8;
constexpr std::size_t kIdxHeaderSize = 4096;
// The URL of a mapped topic stays within this many bytes (terminator included).
constexpr std::size_t kMaxTopicUrl = 520;

struct MapEntry {
  std::uint32_t topic = 0;  // the topic number
  std::uint32_t file = 0;   // offset into #STRINGS of the topic's file name
};

// The floor(n / 8) entries of an entry area of n bytes.
std::vector<MapEntry> decodeMapEntries(Bytes area);
// A #IVB held in memory: the size n and exactly n bytes of entries; false
// when either is short.
bool decodeIvb(Bytes file, std::vector<MapEntry>& entries);
// The same from the "#IVB" stream of storage (mode 2), read up to
// kMaxIvbSize bytes: S_OK, STG_E_FILENOTFOUND when there is none,
// STG_E_READFAULT when the bytes read are short.
constexpr std::size_t kMaxIvbSize = 64 << 20;
itss::HRESULT readIvb(itss::IStorage* storage, std::vector<MapEntry>& entries);

// The first entry for topic, in file order; nullptr when none.
const MapEntry* findMapEntry(const std::vector<MapEntry>& entries, std::uint32_t topic);

// The data part of the map lookup: the URL "its:" path "::" file of the
// first entry for topic, the file name read by a StringsReader over storage
// so that the URL stays within 520 bytes. E_FAIL when there are no entries or
// none for topic.
itss::HRESULT mapTopicUrl(ItsStorage& storage, const std::string& helpPath,
                          const std::vector<MapEntry>& entries, std::uint32_t topic,
                          std::string& url);

// The fields of an index header, from however many bytes there are: values
// beyond the data read as 0 and the merge list stops at the end of the data.
struct IdxHeader {
  std::uint32_t topicNodes = 0;
  std::uint32_t mergeCount = 0;           // as stored
  std::vector<std::uint32_t> mergeFiles;  // #STRINGS offsets present in the data
};
IdxHeader decodeIdxHeader(Bytes header);

// The header's report lines: "<DT>主题节点数: %u</DT>\r\n", then, when the
// merge count is not 0, "<DT>合并文件:</DT>" and one "<DD>name</DD>" per
// merge file present in the data (names looked up with limit 1024), each
// passed through convert when one is given.
using TextConverter = std::function<std::string(const std::string& bytes)>;
void renderIdxHeader(Bytes header, TopicLookup& lookup, std::string& out,
                     const TextConverter& convert = {});
