// Fuzz target: the contents (#TOCIDX) and keyword (BTree) decoders. The first
// byte picks the decoder; topics resolve against small fixed tables, so the
// input only drives the walk over the table itself.
#include <cstddef>
#include <cstdint>
#include <string>

#include "chmfiles/help_trees.h"

namespace {

const std::uint8_t kStrings[] = {0, 'T', 'i', 't', 'l', 'e', 0};
const std::uint8_t kUrlTbl[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
const std::uint8_t kUrlStr[] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 'a', '.', 'h', 't', 'm', 0};
const std::uint8_t kTopics[] = {0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  TopicLookup lookup{Bytes(kStrings), Bytes(kUrlTbl), Bytes(kUrlStr)};
  TopicNames names(decodeTopics(Bytes(kTopics)), lookup, 1252);
  const Bytes table(data + 1, size - 1);
  const std::vector<HelpTreeEntry> tree =
      data[0] & 1 ? decodeKeywordTree(table, names) : decodeTocIdx(table, names);
  return tree.size() == 0xFFFFFFFF;
}
