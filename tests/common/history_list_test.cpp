// Recent-entry lists in a scratch "Wrenlow.ini".
#include "common/history_list.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/system/profile_file.h"
#include "tests/common/scratch_config.h"

namespace {

class HistoryListTest : public ::testing::Test {
 protected:
  std::string ini() const { return scratch_.windows() + "/Wrenlow.ini"; }
  std::string file(const std::string& name) {
    std::string path = scratch_.root() + "/files/" + name;
    ScratchConfig::write(path, "x");
    return path;
  }
  ScratchConfig scratch_;
};

TEST_F(HistoryListTest, LoadStopsAtTheFirstMissingKey) {
  ScratchConfig::write(ini(), "[ITS 文件]\nFile0=/a/one.chm\nFile2=/a/three.chm\n");
  CHistoryList list("Wrenlow.ini", "ITS 文件", 9);
  EXPECT_EQ(list.entries(), std::vector<std::string>{"/a/one.chm"});
  // An empty value is skipped, a literal "none" ends the list.
  ScratchConfig::write(ini(), "[s]\nFile0=\nFile1=/b\nFile2=none\nFile3=/c\n");
  CHistoryList other("Wrenlow.ini", "s", 9);
  EXPECT_EQ(other.entries(), std::vector<std::string>{"/b"});
}

TEST_F(HistoryListTest, SaveKeepsExistingEntriesUpToMaxWithoutGaps) {
  std::string text = "; kept comment\n[Other]\nkey=value\n\n[HH 方案]\n";
  std::vector<std::string> paths;
  for (int i = 0; i < 20; ++i) {
    std::string path = i % 4 == 1 ? scratch_.root() + "/gone" + std::to_string(i) + ".hhp"
                                  : file("p" + std::to_string(i) + ".hhp");
    paths.push_back(path);
    text += "File" + std::to_string(i) + "=" + path + "\n";
  }
  text += "[Tail]\nx=1\n";
  ScratchConfig::write(ini(), text);
  {
    CHistoryList list("Wrenlow.ini", "HH 方案", 15);
    ASSERT_EQ(list.entries().size(), 20u);
    list.AddRecent(paths[0]);  // already first: modified, same order
  }                            // saved when destroyed
  std::vector<std::string> expected;
  for (const auto& p : paths)
    if (p.find("/gone") == std::string::npos && expected.size() < 15) expected.push_back(p);
  ASSERT_EQ(expected.size(), 15u);
  for (int i = 0; i < 15; ++i)
    EXPECT_EQ(profile::GetPrivateProfileString("HH 方案", "File" + std::to_string(i), "none",
                                               "Wrenlow.ini"),
              expected[static_cast<std::size_t>(i)]);
  // Keys after the written ones are gone, so nothing stale comes back.
  EXPECT_EQ(profile::GetPrivateProfileString("HH 方案", "File15", "none", "Wrenlow.ini"), "none");
  std::string after = ScratchConfig::read(ini());
  EXPECT_EQ(after.find("; kept comment\n[Other]\nkey=value\n\n[HH 方案]\n"), 0u);
  EXPECT_NE(after.find("[Tail]\nx=1\n"), std::string::npos);
}

TEST_F(HistoryListTest, AddRecentMergesOnlyTheSameFile) {
  std::string a = file("Alpha.chm"), b = file("Beta.chm"), lower = file("beta.chm");
  const std::string gone = scratch_.root() + "/files/Gone.chm";
  ScratchConfig::write(ini(), "[ITS 文件]\nFile0=" + a + "\nFile1=" + b + "\nFile2=" + gone + "\n");
  CHistoryList list("Wrenlow.ini", "ITS 文件", 9);
  // Another letter case is another file: both stay.
  list.AddRecent(lower);
  EXPECT_EQ(list.entries(), (std::vector<std::string>{lower, a, b, gone}));
  // A missing path in another case is another path.
  list.AddRecent(scratch_.root() + "/files/gone.chm");
  EXPECT_EQ(list.entries().size(), 5u);
  // The same file reached through a link replaces its entry.
  const std::string link = scratch_.root() + "/files/link.chm";
  ASSERT_EQ(::symlink(a.c_str(), link.c_str()), 0);
  list.AddRecent(link);
  EXPECT_EQ(list.entries(),
            (std::vector<std::string>{link, scratch_.root() + "/files/gone.chm", lower, b, gone}));
  EXPECT_TRUE(list.modified());
}

TEST_F(HistoryListTest, UnchangedListIsNotWrittenAndRelativeNamesBecomeFull) {
  ScratchConfig::write(ini(), "[s]\nFile0=/x\n");
  {
    CHistoryList list("Wrenlow.ini", "s", 9);
    list.Load();
  }
  EXPECT_EQ(ScratchConfig::read(ini()), "[s]\nFile0=/x\n");
  CHistoryList list("Wrenlow.ini", "s", 9);
  list.AddRecent("rel/../name.chm");
  EXPECT_EQ(list.entries()[0], std::filesystem::current_path().string() + "/name.chm");
  struct Combo : ComboTarget {
    std::vector<std::string> items;
    int selected = -1;
    void addString(std::string_view t) override { items.emplace_back(t); }
    void select(int i) override { selected = i; }
  } combo;
  list.FillCombo(combo);
  EXPECT_EQ(combo.items.size(), 2u);
  EXPECT_EQ(combo.selected, 0);
}

}  // namespace
