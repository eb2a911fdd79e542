#include "chmfiles/topic_tables.h"

#include <cstring>

#include "platform/itss/bytes.h"
#include "platform/itss/com_ptr.h"

using namespace itss;

namespace {

constexpr std::uint32_t kListingBlock = 4096;
// #TOPICS is read whole; a claim beyond this is treated as unreadable.
constexpr std::uint64_t kMaxTopicsSize = 256u << 20;

// Feeds the bytes of a source, block by block, to step(byte). Stops after a
// block shorter than kListingBlock.
template <class Step>
void forEachByte(TableSource& source, Step step) {
  if (!source.seek(0)) return;
  std::vector<char> block(kListingBlock);
  for (;;) {
    const std::uint32_t got = source.read(block.data(), kListingBlock);
    for (std::uint32_t i = 0; i < got; ++i) step(block[i]);
    if (got < kListingBlock) break;
  }
}

}  // namespace

std::string lookupText(TableSource& strings, std::uint32_t offset, std::size_t limit) {
  if (!strings.seek(offset)) return {};
  std::string out;
  char chunk[kLookupChunk];
  while (out.size() + kLookupChunk < limit) {
    const std::uint32_t got = strings.read(chunk, kLookupChunk);
    if (got == 0) break;
    if (const void* nul = std::memchr(chunk, 0, got)) {
      out.append(chunk, static_cast<const char*>(nul) - chunk);
      return out;
    }
    out.append(chunk, got);
  }
  return out;
}

std::string TopicLookup::link(std::uint32_t urlTableOffset) {
  if (!urlStr_.available() || !urlTable_.available()) return {};
  std::uint8_t entry[kUrlTableEntrySize];
  if (!urlTable_.seek(urlTableOffset) || urlTable_.read(entry, sizeof entry) != sizeof entry)
    return {};
  const std::uint64_t name = std::uint64_t{le32(entry + 8)} + kUrlStrHeaderSize;
  if (name > 0xFFFFFFFFu) return {};
  return lookupText(urlStr_, static_cast<std::uint32_t>(name), kPageTextLimit);
}

std::vector<TopicEntry> decodeTopics(Bytes file) {
  std::vector<TopicEntry> topics;
  topics.reserve(file.size() / kTopicEntrySize);
  for (std::size_t pos = 0; file.size() - pos >= kTopicEntrySize; pos += kTopicEntrySize) {
    const std::uint8_t* p = file.data() + pos;
    topics.push_back(TopicEntry{le32(p), le32(p + 4), le32(p + 8), le32(p + 12)});
  }
  return topics;
}

bool readTopics(IStorage* storage, std::vector<TopicEntry>& topics) {
  topics.clear();
  ComPtr<IStream> stream;
  if (!storage ||
      FAILED(storage->OpenStream("#TOPICS", nullptr, STGM_READWRITE, 0, stream.put())) || !stream)
    return false;
  std::uint64_t size = 0;
  if (FAILED(stream->Seek(0, STREAM_SEEK_END, &size)) ||
      FAILED(stream->Seek(0, STREAM_SEEK_SET, nullptr)) || size > kMaxTopicsSize)
    return false;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  ULONG got = 0;
  if (size && (FAILED(stream->Read(bytes.data(), static_cast<ULONG>(size), &got)) || got != size))
    return false;
  topics = decodeTopics(Bytes(bytes.data(), bytes.size()));
  return true;
}

TopicText joinTopic(const TopicEntry& topic, TopicLookup& lookup) {
  return TopicText{lookup.text(topic.title), lookup.link(topic.urlTable)};
}

void listStrings(TableSource& source, const TextSink& deliver) {
  bool first = true;
  std::string text;
  forEachByte(source, [&](char c) {
    if (first) {  // offset 0 holds the NUL that names the empty text
      first = false;
      return;
    }
    if (c) {
      text.push_back(c);
    } else if (!text.empty()) {
      deliver(text);
      text.clear();
    }
  });
  if (!text.empty()) deliver(text);
}

void listUrlStr(TableSource& source, const TextSink& deliver) {
  // The leading NUL and the first entry's header come before the first name;
  // after each name's NUL comes the next entry's header.
  std::size_t skip = 1 + kUrlStrHeaderSize;
  std::string name;
  bool inName = false;
  forEachByte(source, [&](char c) {
    if (skip) {
      --skip;
      return;
    }
    if (!inName) {
      if (!c) return;  // an empty name: on to the next non-NUL byte
      inName = true;
    }
    if (c) {
      name.push_back(c);
      return;
    }
    deliver(name);
    name.clear();
    inName = false;
    skip = kUrlStrHeaderSize;
  });
  if (!name.empty()) deliver(name);
}
