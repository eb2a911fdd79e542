#include "chmfiles/ivb_idxhdr.h"

#include <vector>

#include "chmfiles/topic_tables.h"
#include "its/its_storage.h"
#include "its/strings_reader.h"
#include "platform/itss/bytes.h"
#include "platform/itss/com_ptr.h"

using namespace itss;

namespace {
constexpr std::size_t kOffTopicNodes = 12;
constexpr std::size_t kOffMergeCount = 72;
constexpr std::size_t kOffMergeFiles = 80;
}  // namespace

std::vector<MapEntry> decodeMapEntries(Bytes area) {
  std::vector<MapEntry> entries;
  entries.reserve(area.size() / kMapEntrySize);
  for (std::size_t pos = 0; area.size() - pos >= kMapEntrySize; pos += kMapEntrySize)
    entries.push_back(MapEntry{le32(area.data() + pos), le32(area.data() + pos + 4)});
  return entries;
}

bool decodeIvb(Bytes file, std::vector<MapEntry>& entries) {
  entries.clear();
  if (file.size() < 4) return false;
  const std::uint32_t n = le32(file.data());
  if (file.size() - 4 < n) return false;
  entries = decodeMapEntries(file.subspan(4, n));
  return true;
}

HRESULT readIvb(IStorage* storage, std::vector<MapEntry>& entries) {
  entries.clear();
  std::vector<std::uint8_t> bytes;
  if (readStreamBytes(storage, "#IVB", kMaxIvbSize, bytes) == STG_E_FILENOTFOUND)
    return STG_E_FILENOTFOUND;
  // A read error past the counted area costs nothing.
  return decodeIvb(Bytes(bytes.data(), bytes.size()), entries) ? S_OK : STG_E_READFAULT;
}

const MapEntry* findMapEntry(const std::vector<MapEntry>& entries, std::uint32_t topic) {
  for (const MapEntry& e : entries)
    if (e.topic == topic) return &e;
  return nullptr;
}

HRESULT mapTopicUrl(ItsStorage& storage, const std::string& helpPath,
                    const std::vector<MapEntry>& entries, std::uint32_t topic, std::string& url) {
  url.clear();
  if (entries.empty()) return E_FAIL;
  const MapEntry* entry = findMapEntry(entries, topic);
  if (!entry) return E_FAIL;
  url = "its:" + helpPath + "::";
  if (url.size() + 1 < kMaxTopicUrl) {
    const std::size_t capacity = kMaxTopicUrl - url.size();
    std::vector<char> name(capacity);
    StringsReader reader(storage);
    reader.readStringAt(entry->file, name.data(), capacity);
    url += name.data();
  }
  return S_OK;
}

IdxHeader decodeIdxHeader(Bytes header) {
  IdxHeader h;
  h.topicNodes = le32At(header, kOffTopicNodes);
  h.mergeCount = le32At(header, kOffMergeCount);
  for (std::uint32_t i = 0; i < h.mergeCount; ++i) {
    const std::size_t at = kOffMergeFiles + std::size_t{4} * i;
    if (at + 4 > header.size()) break;
    h.mergeFiles.push_back(le32(header.data() + at));
  }
  return h;
}

void renderIdxHeader(Bytes header, TopicLookup& lookup, std::string& out,
                     const TextConverter& convert) {
  const IdxHeader h = decodeIdxHeader(header);
  out += "<DT>主题节点数: " + std::to_string(h.topicNodes) + "</DT>\r\n";
  if (h.mergeCount == 0) return;
  out += "<DT>合并文件:</DT>";
  for (std::uint32_t offset : h.mergeFiles) {
    const std::string name = lookup.text(offset, kMergeTextLimit);
    out += "<DD>" + (convert ? convert(name) : name) + "</DD>";
  }
}
