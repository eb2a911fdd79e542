#include "common/string_utils.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

TEST(ParseInt, BlanksSignsAndHexadecimal) {
  EXPECT_EQ(ParseInt(""), 0);
  EXPECT_EQ(ParseInt("42"), 42);
  EXPECT_EQ(ParseInt(" \t 42"), 42);
  EXPECT_EQ(ParseInt("-17"), -17);
  EXPECT_EQ(ParseInt("\t+5"), 5);
  EXPECT_EQ(ParseInt("12abc"), 12);
  EXPECT_EQ(ParseInt("0x1F"), 31);
  EXPECT_EQ(ParseInt("  0XfFz"), 255);
  EXPECT_EQ(ParseInt("0x"), 0);
  EXPECT_EQ(ParseInt("0x80000000"), static_cast<int>(0x80000000u));
  // A sign is no part of the hexadecimal form: "-0x10" reads the decimal 0.
  EXPECT_EQ(ParseInt("-0x10"), 0);
  // A blank after the sign ends the number.
  EXPECT_EQ(ParseInt("- 5"), 0);
  // Only blanks and tabs are skipped.
  EXPECT_EQ(ParseInt("\n5"), 0);
  // Wrapping 32-bit arithmetic.
  EXPECT_EQ(ParseInt("4294967295"), -1);
  EXPECT_EQ(ParseInt("-2147483648"), static_cast<int>(0x80000000u));
}

TEST(StartsWithNoCase, FoldsOnlyAsciiLetters) {
  EXPECT_TRUE(StartsWithNoCase("MS-ITS:help.chm", "ms-its:"));
  EXPECT_TRUE(StartsWithNoCase("abc", ""));
  EXPECT_FALSE(StartsWithNoCase("ab", "abc"));
  EXPECT_FALSE(StartsWithNoCase("[x", "{x"));              // '[' is not a letter to fold
  EXPECT_FALSE(StartsWithNoCase("\xC3\x89", "\xC3\xA9"));  // É and é differ
  EXPECT_TRUE(EqualsNoCase("#SYSTEM", "#system"));
  EXPECT_FALSE(EqualsNoCase("abc", "ABCD"));
  EXPECT_FALSE(EqualsNoCase("abcd", "ABC"));
}

TEST(NameHash, ValuesWorkedOutByHand) {
  // 'a' (97) is above 'Z': 97 - 80 = 17; 'A' (65) is not: 65 - 48 = 17.
  EXPECT_EQ(NameHash("a"), 17u);
  EXPECT_EQ(NameHash("A"), 17u);
  // 17 * 43 + ('b' - 80 = 18) = 749.
  EXPECT_EQ(NameHash("ab"), 749u);
  // "/" counts 44: 44 * 43 + 17 = 1909.
  EXPECT_EQ(NameHash("/a"), 1909u);
  // '1' → 1, '.' → -2, 'h' → 24: (1 * 43 - 2) * 43 + 24 = 1787.
  EXPECT_EQ(NameHash("1.h"), 1787u);
  // A byte above 127 counts as a negative value: -80 - 48 = -128.
  EXPECT_EQ(NameHash("\xB0"), 0xFFFFFF80u);
  // 'z' counts 42, so seven of them give 43^7 - 1, taken modulo 2^32.
  EXPECT_EQ(NameHash("zzzzzzz"), 1235671458u);
  // An empty text, and a text hashing to 0 ("0" counts 0), give 1.
  EXPECT_EQ(NameHash(""), 1u);
  EXPECT_EQ(NameHash("0"), 1u);
}

TEST(NameHash, LettersHashAlikeInEitherCase) {
  EXPECT_EQ(NameHash("ZZZZZZZ"), NameHash("zzzzzzz"));
  EXPECT_EQ(NameHash("/Index.HTM"), NameHash("/index.htm"));
  EXPECT_EQ(NameHash("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), NameHash("abcdefghijklmnopqrstuvwxyz"));
  EXPECT_NE(NameHash("/a"), NameHash("/b"));
}

TEST(AddBackslash, AppendsASeparatorOnlyWhenMissing) {
  std::string p = "/tmp/dir";
  AddBackslash(p);
  EXPECT_EQ(p, "/tmp/dir/");
  AddBackslash(p);
  EXPECT_EQ(p, "/tmp/dir/");
  p = "C:\\help\\";
  AddBackslash(p);
  EXPECT_EQ(p, "C:\\help\\");
  p = "C:";
  AddBackslash(p);
  EXPECT_EQ(p, "C:");
  p = "帮助";
  AddBackslash(p);
  EXPECT_EQ(p, "帮助/");
}

TEST(TrimRight, RemovesTrailingWhiteSpace) {
  std::string t = " \t\r\n ";
  TrimRight(t);
  EXPECT_EQ(t, "");
  t = "a b \t\r\n";
  TrimRight(t);
  EXPECT_EQ(t, "a b");
  t = "中 ";
  TrimRight(t);
  EXPECT_EQ(t, "中");
  t = "\xD6\xD0 ";  // a double-byte character before the blank
  TrimRight(t);
  EXPECT_EQ(t, "\xD6\xD0");
  t = "x\v";  // a vertical tab is not one of the four
  TrimRight(t);
  EXPECT_EQ(t, "x\v");
}

TEST(ChangeExtension, DotsInFolderNamesAreNotExtensions) {
  std::string p = "/home/user/v1.2/project";
  ChangeExtension(p, ".hhp");
  EXPECT_EQ(p, "/home/user/v1.2/project.hhp");
  p = "C:\\my.docs\\help";
  ChangeExtension(p, "chm");
  EXPECT_EQ(p, "C:\\my.docs\\help.chm");
  p = "/a.b/name";
  ChangeExtension(p, "");
  EXPECT_EQ(p, "/a.b/name");
  p = "/a.b/name.tar.gz";
  ChangeExtension(p, "");
  EXPECT_EQ(p, "/a.b/name.tar");
  p = "/a.b/name.chm";
  ChangeExtension(p, ".$");
  EXPECT_EQ(p, "/a.b/name.$");
  p = "文件.chm";
  ChangeExtension(p, ".hhp");
  EXPECT_EQ(p, "文件.hhp");
}

class CreateFolderPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/wl-folders-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    root_ = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(root_); }
  std::string root_;
};

TEST_F(CreateFolderPathTest, CreatesMissingParentsThreeDeep) {
  const std::string deep = root_ + "/one/two/three";
  ASSERT_TRUE(CreateFolderPath(root_ + "/one") || std::filesystem::is_directory(root_ + "/one"));
  EXPECT_FALSE(std::filesystem::exists(root_ + "/one/two"));
  EXPECT_TRUE(CreateFolderPath(deep));
  EXPECT_TRUE(std::filesystem::is_directory(root_ + "/one/two"));
  EXPECT_TRUE(std::filesystem::is_directory(deep));
  // An existing folder reports failure.
  EXPECT_FALSE(CreateFolderPath(deep));
}

TEST_F(CreateFolderPathTest, BackslashesSeparateAndTrailingSeparatorsAreIgnored) {
  EXPECT_TRUE(CreateFolderPath(root_ + "\\x\\y\\"));
  EXPECT_TRUE(std::filesystem::is_directory(root_ + "/x/y"));
}

TEST_F(CreateFolderPathTest, FailsBelowAFile) {
  const std::string file = root_ + "/plain";
  std::FILE* f = std::fopen(file.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_FALSE(CreateFolderPath(file + "/sub/dir"));
  EXPECT_FALSE(CreateFolderPath(""));
}

TEST_F(CreateFolderPathTest, WithinAFolderAsTheFileSystemSeesIt) {
  namespace fs = std::filesystem;
  fs::create_directories(root_ + "/p/sub");
  fs::create_directories(root_ + "/pq");
  fs::create_directory_symlink(root_ + "/pq", root_ + "/p/out");
  fs::create_directory_symlink(root_ + "/p/sub", root_ + "/pq/in");
  const std::string p = root_ + "/p";
  struct Case {
    std::string path;
    bool within;
  };
  const Case cases[] = {
      {p + "/a.chm", true},
      {p + "/sub/../a.chm", true},
      {p + "/sub/new/x.log", true},
      {p + "/../p/a.chm", true},
      {p + "/../pq/a.chm", false},
      {root_ + "/pq/a.chm", false},  // a name that only begins alike
      {p, false},
      {p + "/.", false},
      {p + "/..", false},
      {p + "/out/a.chm", false},  // a link leading out
      {root_ + "/pq/in/a.chm", true},
      {"/etc/passwd", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsWithinFolder(c.path, p), c.within) << c.path;
  EXPECT_TRUE(IsWithinFolder(p + "/a.chm", p + "/"));
}

TEST(ToWide, ConvertsUtf8ToUtf16) {
  EXPECT_EQ(ToWide("帮助 a"), u"帮助 a");
  EXPECT_EQ(ToWide(""), u"");
  EXPECT_EQ(ToWide("\xFF"), u"\uFFFD");
}

}  // namespace
