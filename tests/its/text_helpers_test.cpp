#include "its/text_helpers.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Thousands, GroupsOfThree) {
  EXPECT_EQ(thousands(0), "0");
  EXPECT_EQ(thousands(999), "999");
  EXPECT_EQ(thousands(1000), "1,000");
  EXPECT_EQ(thousands(100000), "100,000");
  EXPECT_EQ(thousands(1234567), "1,234,567");
  EXPECT_EQ(thousands(4294967295u), "4,294,967,295");
  EXPECT_STREQ(pluralSuffix(1), "");
  EXPECT_STREQ(pluralSuffix(0), " ");
  EXPECT_STREQ(pluralSuffix(2), " ");
}

TEST(FileNamePart, BackslashThenSlashOrColon) {
  // Drive, a "\" folder and a "/" folder: the part after the "/".
  EXPECT_EQ(fileNamePart("C:\\help\\html/page.htm"), "page.htm");
  // A drive letter, ":" and a name: the name.
  EXPECT_EQ(fileNamePart("C:name.chm"), "name.chm");
  EXPECT_EQ(fileNamePart("C:\\dir\\name.chm"), "name.chm");
  // A "/" before the last "\" does not count: only the text after "\" is searched.
  EXPECT_EQ(fileNamePart("a/b\\c:d"), "d");
  EXPECT_EQ(fileNamePart("/usr/share/doc/x.chm"), "x.chm");
  EXPECT_EQ(fileNamePart("plain.htm"), "plain.htm");
  EXPECT_EQ(fileNamePart("folder/"), "");
  EXPECT_EQ(fileNamePart(""), "");
  EXPECT_EQ(fileNamePart("帮助/说明.htm"), "说明.htm");
}

TEST(FileNamePart, DoubleByteTrailBytesAreNotSeparators) {
  // "ソ" in Shift-JIS is 83 5C: its second byte looks like "\".
  const std::string name = "dir\\\x83\x5C.htm";
  EXPECT_EQ(fileNamePart(name, 932), "\x83\x5C.htm");
  EXPECT_EQ(fileNamePart(name), ".htm");  // read as UTF-8 the byte is a separator
  std::string s = "a\\\x83\x5C\\b";
  slashes(s, 932);
  EXPECT_EQ(s, "a/\x83\x5C/b");
  EXPECT_EQ(findChar("\x83\x5C\\", '\\', 932), 2u);
  EXPECT_EQ(findLastChar("\\\x83\x5C", '\\', 932), 0u);
}

TEST(FindChar, FirstAndLast) {
  EXPECT_EQ(findChar("a/b/c", '/'), 1u);
  EXPECT_EQ(findLastChar("a/b/c", '/'), 3u);
  EXPECT_EQ(findChar("abc", '/'), std::string_view::npos);
  EXPECT_EQ(findLastChar("", '/'), std::string_view::npos);
  EXPECT_EQ(findChar("中/文", '/'), 3u);
}

TEST(FindNoCase, AsciiLettersWithoutCase) {
  EXPECT_EQ(findNoCase("C:\\Help\\Index.CHM", ".chm"), 13u);
  EXPECT_EQ(findNoCase("abc", "ABCD"), std::string_view::npos);
  EXPECT_EQ(findNoCase("abc", ""), 0u);
  EXPECT_EQ(findNoCase("xx中文.ITS", ".its"), 8u);
  EXPECT_TRUE(sameNoCase("#Topics", "#TOPICS"));
  EXPECT_FALSE(sameNoCase("#Topics", "#TOPIC"));
}

TEST(Slashes, EveryBackslash) {
  std::string s = "\\a\\b\\\\c";
  slashes(s);
  EXPECT_EQ(s, "/a/b//c");
}

TEST(ExtensionIs, FromTheLastDot) {
  EXPECT_TRUE(extensionIs("/x/File.CHM", ".chm"));
  EXPECT_FALSE(extensionIs("/x/file.chm.bak", ".chm"));
  EXPECT_FALSE(extensionIs("/x/file", ".chm"));
  EXPECT_FALSE(extensionIs("/x/file.chm", "chm"));
  EXPECT_TRUE(extensionIs("a.its", ".ITS"));
}

}  // namespace
