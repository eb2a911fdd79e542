// #WINDOWS entries decoded from bytes and the flag name lists.
#include <gtest/gtest.h>

#include "chmfiles/windows_file.h"
#include "table_bytes.h"

namespace {

// One entry of size bytes with a name offset, valid members and position.
TableBytes entry(std::size_t size, std::uint32_t name, std::uint32_t valid, WindowRect pos = {}) {
  TableBytes e;
  e.zeros(std::max<std::size_t>(size, kFullWindowEntrySize));
  e.put32(8, name).put32(12, valid).put32(16, 0x420).put32(20, 33);
  e.put32(32, static_cast<std::uint32_t>(pos.left)).put32(36, static_cast<std::uint32_t>(pos.top));
  e.put32(40, static_cast<std::uint32_t>(pos.right))
      .put32(44, static_cast<std::uint32_t>(pos.bottom));
  e.put32(76, 250).put32(112, 0x2004).put32(168, 99);
  std::vector<std::uint8_t> b = e.bytes();
  b.resize(size);
  TableBytes out;
  for (auto c : b) out.u8(c);
  return out;
}

TableBytes windowsFile(std::uint32_t count, std::uint32_t size,
                       const std::vector<TableBytes>& entries) {
  TableBytes f;
  f.u32(count).u32(size);
  for (const auto& e : entries) f.raw(e.str());
  return f;
}

TEST(WindowsFileTest, CountZeroMeansNoWindowTypes) {
  auto f = windowsFile(0, 196, {entry(196, 5, 0x102)});
  EXPECT_TRUE(readWindowTypes(f.span()).empty());
  TableBytes onlyCount;
  onlyCount.u32(1).u16(196);
  EXPECT_TRUE(readWindowTypes(onlyCount.span()).empty());
}

TEST(WindowsFileTest, FullEntryFields) {
  auto f = windowsFile(1, 196, {entry(196, 5, 0x122, {10, 20, 640, 480})});
  auto types = readWindowTypes(f.span());
  ASSERT_EQ(types.size(), 1u);
  const WindowTypeEntry& w = types[0];
  EXPECT_EQ(w.name, 5u);
  EXPECT_EQ(w.validMembers, 0x122u);
  EXPECT_EQ(w.properties, 0x420u);
  EXPECT_EQ(w.caption, 33u);
  EXPECT_EQ(w.position.left, 10);
  EXPECT_EQ(w.position.bottom, 480);
  EXPECT_EQ(w.navWidth, 250u);
  EXPECT_EQ(w.buttons, 0x2004u);
  EXPECT_EQ(w.jump2Url, 99u);
  EXPECT_FALSE(w.position.empty());
}

TEST(WindowsFileTest, SecondEntryCutShortLeavesTheFirst) {
  auto f = windowsFile(2, 196, {entry(196, 5, 2), entry(100, 7, 2)});
  auto types = readWindowTypes(f.span());
  ASSERT_EQ(types.size(), 1u);
  EXPECT_EQ(types[0].name, 5u);
}

TEST(WindowsFileTest, FieldsBeyondTheStoredSizeReadAsZero) {
  // 188-byte entries (the older layout) still hold every field read.
  auto f188 = windowsFile(2, 188, {entry(188, 5, 2), entry(188, 6, 2)});
  auto types = readWindowTypes(f188.span());
  ASSERT_EQ(types.size(), 2u);
  EXPECT_EQ(types[1].name, 6u);
  EXPECT_EQ(types[1].jump2Url, 99u);

  // 100-byte entries: the position and pane width are inside, the buttons,
  // jump fields and file fields past 100 are not.
  auto f100 = windowsFile(1, 100, {entry(100, 5, 2, {1, 2, 3, 4})});
  types = readWindowTypes(f100.span());
  ASSERT_EQ(types.size(), 1u);
  EXPECT_EQ(types[0].navWidth, 250u);
  EXPECT_EQ(types[0].position.right, 3);
  EXPECT_EQ(types[0].buttons, 0u);
  EXPECT_EQ(types[0].jump2Url, 0u);
  EXPECT_EQ(types[0].homeFile, 0u);

  // Entries larger than 196 bytes: the extra bytes are passed over.
  auto f300 = windowsFile(2, 300, {entry(300, 5, 2), entry(300, 6, 2)});
  types = readWindowTypes(f300.span());
  ASSERT_EQ(types.size(), 2u);
  EXPECT_EQ(types[1].name, 6u);
}

TEST(WindowsFileTest, ZeroSizedEntriesMakeNoList) {
  // A huge count of empty entries must not turn into a huge list.
  auto f = windowsFile(0xFFFFFFFFu, 0, {});
  EXPECT_TRUE(readWindowTypes(f.span()).empty());
}

TEST(WindowsFileTest, EmptyPositions) {
  EXPECT_TRUE(WindowRect{}.empty());
  EXPECT_TRUE((WindowRect{10, 10, 10, 500}).empty());  // zero width
  EXPECT_TRUE((WindowRect{10, 10, 500, 10}).empty());  // zero height
  EXPECT_TRUE((WindowRect{50, 10, 20, 500}).empty());  // right left of left
  EXPECT_FALSE((WindowRect{0, 0, 640, 480}).empty());
  EXPECT_FALSE((WindowRect{-100, -50, 0, 1}).empty());
}

TEST(WindowFlagNamesTest, ListsAreInTableOrderWithoutTrailingComma) {
  EXPECT_EQ(windowButtonNames(0x2004), "向后, 打印");
  EXPECT_EQ(windowPropertyNames(0x420), "三级窗格, 搜索标签");
  EXPECT_EQ(windowButtonNames(0x4), "向后");
  EXPECT_EQ(windowButtonNames(0), "");
  // Unnamed bits show nothing.
  EXPECT_EQ(windowButtonNames(0x1 | 0x800000 | 0x80000000u), "");
  EXPECT_EQ(windowPropertyNames(0xF0000000u), "");
  EXPECT_EQ(windowPropertyNames(0x1 | 0x8000000), "自动显示/隐藏, 自定义标签 #9");
  EXPECT_EQ(windowButtonNames(0x400000 | 0x2), "显示/隐藏, 上级目录");
}

}  // namespace
