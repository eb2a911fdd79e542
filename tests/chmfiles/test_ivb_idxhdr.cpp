// #IVB entries, the map lookup's data and the index header rendering.
#include <gtest/gtest.h>

#include "chmfiles/ivb_idxhdr.h"
#include "chmfiles/topic_tables.h"
#include "table_bytes.h"

namespace {

TEST(IvbTest, EntryAreaSizes) {
  std::vector<MapEntry> entries;
  TableBytes n4;
  n4.u32(4).u32(1000);
  ASSERT_TRUE(decodeIvb(n4.span(), entries));
  EXPECT_TRUE(entries.empty());

  TableBytes n12;
  n12.u32(12).u32(1000).u32(7).u32(0xDEAD);
  ASSERT_TRUE(decodeIvb(n12.span(), entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].topic, 1000u);
  EXPECT_EQ(entries[0].file, 7u);

  // n larger than the bytes that follow: a short read.
  TableBytes shortArea;
  shortArea.u32(16).u32(1).u32(2);
  EXPECT_FALSE(decodeIvb(shortArea.span(), entries));
  TableBytes noSize;
  noSize.u16(8);
  EXPECT_FALSE(decodeIvb(noSize.span(), entries));
}

TEST(IvbTest, DuplicateNumbersFindTheFirst) {
  TableBytes ivb;
  ivb.u32(24).u32(5).u32(10).u32(9).u32(20).u32(9).u32(30);
  std::vector<MapEntry> entries;
  ASSERT_TRUE(decodeIvb(ivb.span(), entries));
  const MapEntry* e = findMapEntry(entries, 9);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->file, 20u);
  EXPECT_EQ(findMapEntry(entries, 6), nullptr);
  EXPECT_EQ(findMapEntry({}, 5), nullptr);
}

TableBytes header(std::uint32_t nodes, std::uint32_t m, const std::vector<std::uint32_t>& files,
                  std::size_t size = kIdxHeaderSize) {
  TableBytes h;
  h.zeros(std::max<std::size_t>(size, 80 + 4 * files.size()));
  h.put32(12, nodes).put32(72, m);
  for (std::size_t i = 0; i < files.size(); ++i) h.put32(80 + 4 * i, files[i]);
  std::vector<std::uint8_t> b = h.bytes();
  b.resize(size);
  TableBytes out;
  for (auto c : b) out.u8(c);
  return out;
}

TEST(IdxHeaderTest, RenderingOfMergeLists) {
  TableBytes strings;
  strings.u8(0).text("a.chm").text("b.chm");
  TopicLookup lookup(strings.span(), Bytes(), Bytes());

  std::string out;
  renderIdxHeader(header(42, 0, {1}).span(), lookup, out);
  EXPECT_EQ(out, "<DT>主题节点数: 42</DT>\r\n");

  out.clear();
  renderIdxHeader(header(3, 2, {1, 7}).span(), lookup, out);
  EXPECT_EQ(out, "<DT>主题节点数: 3</DT>\r\n<DT>合并文件:</DT><DD>a.chm</DD><DD>b.chm</DD>");

  // An offset that resolves to nothing still gives its item.
  out.clear();
  renderIdxHeader(header(3, 2, {999, 1}).span(), lookup, out);
  EXPECT_EQ(out, "<DT>主题节点数: 3</DT>\r\n<DT>合并文件:</DT><DD></DD><DD>a.chm</DD>");
}

TEST(IdxHeaderTest, MergeListStopsAtTheEndOfTheData) {
  // 4096 bytes hold 1004 offsets; a count of 5000 gives those and no more.
  IdxHeader h = decodeIdxHeader(header(1, 5000, {}).span());
  EXPECT_EQ(h.mergeCount, 5000u);
  EXPECT_EQ(h.mergeFiles.size(), 1004u);
  // A code-13 record of 90 bytes holds two whole offsets (80..88).
  h = decodeIdxHeader(header(1, 3, {1, 7, 13}, 90).span());
  EXPECT_EQ(h.mergeFiles, (std::vector<std::uint32_t>{1, 7}));
  // Shorter than the count field: no list, and the node count still read.
  h = decodeIdxHeader(header(9, 3, {}, 40).span());
  EXPECT_EQ(h.topicNodes, 9u);
  EXPECT_EQ(h.mergeCount, 0u);
  // Shorter than the node count.
  h = decodeIdxHeader(header(9, 3, {}, 14).span());
  EXPECT_EQ(h.topicNodes, 0u);
}

}  // namespace
