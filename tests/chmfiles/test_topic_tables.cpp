// #STRINGS lookups, link lookups, the topic join and the listing readers, over
// tables held in memory.
#include <gtest/gtest.h>

#include "chmfiles/topic_tables.h"
#include "table_bytes.h"

namespace {

std::vector<std::string> listed(const TableBytes& file, bool urlstr) {
  TableSource source(file.span());
  std::vector<std::string> out;
  auto sink = [&](const std::string& t) { out.push_back(t); };
  if (urlstr)
    listUrlStr(source, sink);
  else
    listStrings(source, sink);
  return out;
}

TEST(StringLookupTest, OffsetZeroAndPastTheEndAreEmpty) {
  TableBytes strings;
  strings.u8(0).text("Title").text("Other");
  TableSource src(strings.span());
  EXPECT_EQ(lookupText(src, 0), "");
  EXPECT_EQ(lookupText(src, 1), "Title");
  EXPECT_EQ(lookupText(src, 7), "Other");
  EXPECT_EQ(lookupText(src, 3), "tle");
  EXPECT_EQ(lookupText(src, 13), "");  // exactly the end
  EXPECT_EQ(lookupText(src, 5000), "");
  EXPECT_EQ(lookupText(src, 0xFFFFFFFFu), "");
  // Back to an earlier offset after a failed one.
  EXPECT_EQ(lookupText(src, 1), "Title");
}

TEST(StringLookupTest, LimitsCutLongTextsByWholeChunks) {
  TableBytes strings;
  strings.u8(0).text(std::string(5000, 'x'));
  TableSource src(strings.span());
  EXPECT_EQ(lookupText(src, 1, kPageTextLimit).size(), 3968u);  // 31 chunks
  EXPECT_EQ(lookupText(src, 1, kMergeTextLimit).size(), 896u);  // 7 chunks
  EXPECT_EQ(lookupText(src, 1, 128).size(), 0u);
  EXPECT_EQ(lookupText(src, 1, 129).size(), 128u);
  // A text that ends in the last chunk allowed is whole.
  TableBytes fits;
  fits.u8(0).text(std::string(3967, 'y'));
  TableSource fitsSrc(fits.span());
  EXPECT_EQ(lookupText(fitsSrc, 1).size(), 3967u);
  // A text without NUL at the end of the stream ends there.
  TableBytes open;
  open.u8(0).raw("tail");
  TableSource openSrc(open.span());
  EXPECT_EQ(lookupText(openSrc, 1), "tail");
}

TEST(StringLookupTest, MissingTableGivesEmptyTexts) {
  TopicLookup lookup(nullptr);
  EXPECT_EQ(lookup.text(1), "");
  EXPECT_EQ(lookup.link(0), "");
}

// #URLSTR: NUL, then entries of 8 header bytes and a name.
TableBytes urlStr() {
  TableBytes u;
  u.u8(0).zeros(8).text("a.htm").u32(1).u32(2).text("sub/b.htm");
  return u;
}

TEST(TopicJoinTest, TitleAndLinkAreIndependent) {
  TableBytes strings;
  strings.u8(0).text("Intro");
  TableBytes urlTable;
  urlTable.u32(0).u32(0).u32(1).u32(0).u32(0).u32(15);  // entries at 0 and 12
  auto u = urlStr();
  TopicLookup lookup(strings.span(), urlTable.span(), u.span());

  TopicText t = joinTopic(TopicEntry{0, 1, 0, 0}, lookup);
  EXPECT_EQ(t.title, "Intro");
  EXPECT_EQ(t.link, "a.htm");
  // Title offset past the end of #STRINGS: empty title, link still there.
  t = joinTopic(TopicEntry{0, 999, 12, 0}, lookup);
  EXPECT_EQ(t.title, "");
  EXPECT_EQ(t.link, "sub/b.htm");
  // A #URLTBL offset whose entry is cut short: empty link, title still there.
  t = joinTopic(TopicEntry{0, 1, 20, 0}, lookup);
  EXPECT_EQ(t.title, "Intro");
  EXPECT_EQ(t.link, "");
  // A #URLSTR offset that would wrap when the header is added.
  TableBytes wrapping;
  wrapping.u32(0).u32(0).u32(0xFFFFFFFCu);
  TopicLookup wrapLookup(strings.span(), wrapping.span(), u.span());
  EXPECT_EQ(wrapLookup.link(0), "");
}

TEST(TopicsTest, WholeEntriesOnly) {
  TableBytes topics;
  topics.u32(1).u32(2).u32(3).u32(4).u32(5).u32(6).u32(7).u32(8);
  auto list = decodeTopics(topics.span());
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].title, 6u);
  EXPECT_EQ(list[1].urlTable, 7u);
  topics.u32(9).u16(10);  // 6 trailing bytes
  EXPECT_EQ(decodeTopics(topics.span()).size(), 2u);
  EXPECT_TRUE(decodeTopics(Bytes()).empty());
}

TEST(ListingTest, StringsListEachTextOnceAcrossNulRuns) {
  TableBytes strings;
  strings.u8(0).text("one").zeros(3).text("two").text("three").zeros(10);
  EXPECT_EQ(listed(strings, false), (std::vector<std::string>{"one", "two", "three"}));
  TableBytes onlyNul;
  onlyNul.u8(0);
  EXPECT_TRUE(listed(onlyNul, false).empty());
  EXPECT_TRUE(listed(TableBytes(), false).empty());
}

TEST(ListingTest, UrlStrListsNamesWithoutHeaders) {
  EXPECT_EQ(listed(urlStr(), true), (std::vector<std::string>{"a.htm", "sub/b.htm"}));
  // An empty name: the reader goes on at the next non-NUL byte.
  TableBytes withEmpty;
  withEmpty.u8(0).zeros(8).text("").u32(0).text("x.htm");
  // After the empty name's NUL comes the next 8 bytes of NULs, then "x.htm".
  EXPECT_EQ(listed(withEmpty, true), (std::vector<std::string>{"x.htm"}));
}

TEST(ListingTest, TextsAcrossBlockBoundariesComeWhole) {
  TableBytes strings;
  strings.u8(0).text(std::string(4090, 'a')).text("straddling-text").text(std::string(5000, 'b'));
  auto list = listed(strings, false);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].size(), 4090u);
  EXPECT_EQ(list[1], "straddling-text");
  EXPECT_EQ(list[2].size(), 5000u);

  TableBytes u;
  u.u8(0).zeros(8).text(std::string(4085, 'c')).zeros(8).text("next.htm");
  auto names = listed(u, true);
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[1], "next.htm");
}

}  // namespace
