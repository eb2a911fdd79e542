// #STRINGS, #SYSTEM and #IDXHDR.
#include <algorithm>

#include "chmfiles/ivb_idxhdr.h"
#include "chmfiles/system_file.h"
#include "compile/table_writers.h"
#include "platform/itss/bytes.h"

using itss::appendLe16;
using itss::appendLe32;
using itss::appendLe64;
using itss::putLe32;

namespace {

constexpr std::uint64_t kFileTimeUnixEpoch = 116444736000000000ull;  // 1970 in 100 ns since 1601
constexpr std::uint64_t kFileTimeUnitsPerSecond = 10000000ull;
// Code 4 grew from 28 to 36 bytes with the viewer version 1.1.
constexpr std::size_t kFlagsSizeV3 = 36;
constexpr std::size_t kMaxRecordData = 0xFFFF;

void record(std::string& out, std::uint16_t code, std::string_view data) {
  if (data.size() > kMaxRecordData) data = data.substr(0, kMaxRecordData);
  appendLe16(out, code);
  appendLe16(out, static_cast<std::uint16_t>(data.size()));
  out.append(data);
}

void textRecord(std::string& out, std::uint16_t code, std::string_view text) {
  std::string data(text.substr(0, kMaxRecordData - 1));
  data += '\0';
  record(out, code, data);
}

void valueRecord(std::string& out, std::uint16_t code, std::uint32_t value) {
  std::string data;
  appendLe32(data, value);
  record(out, code, data);
}

}  // namespace

std::uint32_t StringPool::add(std::string_view text) {
  if (text.empty()) return 0;
  if (auto it = offsets_.find(text); it != offsets_.end()) return it->second;
  const auto offset = static_cast<std::uint32_t>(bytes_.size());
  bytes_.append(text);
  bytes_ += '\0';
  offsets_.emplace(std::string(text), offset);
  return offset;
}

std::uint64_t unixToFileTime(std::uint32_t unixTime) {
  return kFileTimeUnixEpoch + std::uint64_t{unixTime} * kFileTimeUnitsPerSecond;
}

std::string buildSystem(const SystemInfo& info) {
  std::string out;
  appendLe32(out, info.version);
  // The order the original compiler writes its records in; some readers
  // expect the time stamp and version first.
  valueRecord(out, kSysTimeStamp, info.timeStamp);
  textRecord(out, kSysCompilerVersion, info.compilerVersion);
  std::string flags;
  appendLe32(flags, info.lcid);
  appendLe32(flags, info.dbcs ? 1 : 0);
  appendLe32(flags, info.fullTextSearch ? 1 : 0);
  appendLe32(flags, info.keywordLinks ? 1 : 0);
  appendLe32(flags, info.associativeLinks ? 1 : 0);
  appendLe64(flags, unixToFileTime(info.timeStamp));
  if (info.version >= 3) flags.resize(kFlagsSizeV3, '\0');
  record(out, kSysFlags, flags);
  if (info.defaultTopic) textRecord(out, kSysDefaultTopic, *info.defaultTopic);
  if (info.title) textRecord(out, kSysTitle, *info.title);
  if (info.defaultFont) textRecord(out, kSysDefaultFont, *info.defaultFont);
  textRecord(out, kSysShortName, info.shortName);
  if (info.defaultWindow) textRecord(out, kSysDefaultWindow, *info.defaultWindow);
  if (info.contentsFile) textRecord(out, kSysContentsFile, *info.contentsFile);
  if (info.indexFile) textRecord(out, kSysIndexFile, *info.indexFile);
  if (info.binaryIndex) valueRecord(out, kSysBinaryIndex, *info.binaryIndex);
  if (info.binaryContents) valueRecord(out, kSysBinaryToc, *info.binaryContents);
  if (info.version >= 3) {
    valueRecord(out, kSysInfoTypeCount, 0);
    if (!info.idxHeader.empty()) record(out, kSysIdxHeader, info.idxHeader);
    valueRecord(out, kSysInfoTypeChecksum, 0);
  }
  return out;
}

std::string buildIdxHeader(std::uint32_t topicNodes, const std::vector<std::uint32_t>& mergeFiles) {
  std::string out(kIdxHeaderSize, '\0');
  auto* p = reinterpret_cast<std::uint8_t*>(out.data());
  out.replace(0, 4, "T#SM");
  putLe32(p + 0x08, 1);
  putLe32(p + 0x0C, topicNodes);
  putLe32(p + 0x14, 0xFFFFFFFFu);  // no image list
  for (std::size_t off = 0x20; off < 0x40; off += 4)
    putLe32(p + off, 0xFFFFFFFFu);  // colours, font, styles unset
  putLe32(p + 0x44, 1);
  const std::size_t count = std::min(mergeFiles.size(), kMaxMergeFiles);
  putLe32(p + 0x48, static_cast<std::uint32_t>(count));
  for (std::size_t i = 0; i < count; ++i) putLe32(p + 0x50 + 4 * i, mergeFiles[i]);
  return out;
}
