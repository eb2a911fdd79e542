#include "its/string_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(StringList, GrowingPast256KeepsEveryEntryWhereItWas) {
  StringList list;
  std::vector<const char*> addresses;
  for (int i = 0; i < 256; ++i) {
    list.add("entry " + std::to_string(i));
    addresses.push_back(list[i]);
  }
  EXPECT_EQ(list.capacity(), 256);
  list.add("entry 256");
  EXPECT_EQ(list.capacity(), 512);
  ASSERT_EQ(list.count(), 257);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(list[i], addresses[static_cast<std::size_t>(i)]) << i;
    EXPECT_EQ(list[i], "entry " + std::to_string(i)) << i;
  }
  for (int i = 257; i < 1000; ++i) list.add("entry " + std::to_string(i));
  EXPECT_EQ(list.capacity(), 1024);
  int n = 0;
  for (const char* s : list) EXPECT_EQ(s, "entry " + std::to_string(n++));
  EXPECT_EQ(n, 1000);
}

TEST(StringList, AddPairGrowsWhenOnePlaceIsLeft) {
  StringList list;
  for (int i = 0; i < 255; ++i) list.add("x");
  list.addPair("key", "value");
  EXPECT_EQ(list.capacity(), 512);
  EXPECT_STREQ(list[255], "key");
  EXPECT_STREQ(list[256], "value");
}

TEST(StringList, FindingByKeyAndCase) {
  StringList list;
  list.addPair("Title", "index.htm");
  list.addPair("index.HTM", "Title");
  EXPECT_EQ(list.findNoCase("INDEX.htm"), 1);
  EXPECT_EQ(list.findExact("INDEX.htm"), -1);
  EXPECT_EQ(list.findExact("index.HTM"), 2);
  // Keys only: "title" is a value at 3 and a key at 0.
  EXPECT_EQ(list.findPairKey("title"), 0);
  EXPECT_EQ(list.findPairKey("index.htm"), 2);
  list.removeAt(0);
  EXPECT_EQ(list.findPairKey("index.htm"), 0);  // the pairing follows positions
  EXPECT_EQ(list.findNoCase("nothing"), -1);
  EXPECT_EQ(list.findNoCase(""), -1);
}

TEST(StringList, RemovingMovesLaterEntriesDown) {
  StringList list;
  for (const char* s : {"a", "b", "c", "d"}) list.add(s);
  list.removeAt(1);
  ASSERT_EQ(list.count(), 3);
  EXPECT_STREQ(list[0], "a");
  EXPECT_STREQ(list[1], "c");
  EXPECT_STREQ(list[2], "d");
  EXPECT_TRUE(list.removeNoCase("D"));
  EXPECT_FALSE(list.removeNoCase("D"));
  list.removeAt(7);
  list.removeAt(-1);
  EXPECT_EQ(list.count(), 2);
  list.clear();
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(list.capacity(), 256);
  list.add("again");
  EXPECT_STREQ(list[0], "again");
}

}  // namespace
