// The start-up check for leftover "~DF*.tmp" files: when it asks, what it
// says, and which files it leaves (those in use, folders).
#include "finders/temp_cleanup.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "../common/recording_prompter.h"

namespace fs = std::filesystem;

namespace {

class LeftoverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/wrenlow-leftover-XXXXXX";
    dir_ = ::mkdtemp(tmpl);
  }
  void TearDown() override { fs::remove_all(dir_); }
  // n files of the given size; names as other programs make them.
  void make(int n, std::size_t size = 0, int from = 0) {
    for (int i = from; i < from + n; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "/~DF%04X.tmp", i);
      std::ofstream(dir_ + name) << std::string(size, 'x');
    }
  }
  std::size_t left() const {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }
  std::string dir_;
};

TEST_F(LeftoverTest, FiftyIsTooFewFiftyOneAsks) {
  make(50);
  std::ofstream(dir_ + "/other.tmp");
  std::ofstream(dir_ + "/~DFX.TMPX");
  ScopedRecordingPrompter prompter{IDNO};
  finders::RunLeftoverCheck(dir_);
  EXPECT_EQ(prompter.count(), 0u);
  make(1, 0, 50);
  finders::RunLeftoverCheck(dir_);
  ASSERT_EQ(prompter.count(), 1u);
  EXPECT_EQ(prompter.last().text,
            "Wrenlow 找到了 51 个使用 HTML 帮助的程序创建的暂时文件。您想删除没有被使用的文件吗？");
  EXPECT_EQ(prompter.last().flags, MB_YESNO | MB_ICONWARNING);
  EXPECT_EQ(left(), 53u);  // No deletes nothing
}

TEST_F(LeftoverTest, CountsAreGroupedAndSizesSummedInK) {
  make(1234, 1, 0);
  make(1, 302, 2000);                          // 1,234 + 302 = 1,536 bytes: 1K
  fs::create_directory(dir_ + "/~DFdir.tmp");  // counted, not deleted
  ScopedRecordingPrompter prompter{IDYES, IDOK};
  finders::RunLeftoverCheck(dir_);
  ASSERT_EQ(prompter.count(), 2u);
  EXPECT_NE(prompter.questions()[0].text.find(" 1,236 个"), std::string::npos);
  EXPECT_EQ(prompter.last().text, "删除了 1,235 个文件 ，释放了 1K 磁盘空间。");
  EXPECT_EQ(left(), 1u);
}

TEST_F(LeftoverTest, FilesInUseStay) {
  make(60, 10);
  // Hold every file open, as the programs that made them would.
  std::vector<int> fds;
  for (const auto& e : fs::directory_iterator(dir_))
    fds.push_back(::open(e.path().c_str(), O_RDONLY));
  ScopedRecordingPrompter prompter{IDYES};
  finders::RunLeftoverCheck(dir_);
  EXPECT_EQ(prompter.count(), 1u);  // the question, and no report
  EXPECT_EQ(left(), 60u);
  for (std::size_t i = 0; i < 30; ++i) ::close(fds[i]);
  auto deleted = finders::deleteLeftovers(dir_);
  EXPECT_EQ(deleted.files, 30u);
  EXPECT_EQ(deleted.bytes, 300u);
  for (std::size_t i = 30; i < fds.size(); ++i) ::close(fds[i]);
}

TEST_F(LeftoverTest, UnreadableFolderIsSilent) {
  ScopedRecordingPrompter prompter;
  finders::RunLeftoverCheck(dir_ + "/missing");
  EXPECT_EQ(prompter.count(), 0u);
  EXPECT_EQ(finders::countLeftovers(dir_ + "/missing"), 0u);
}

}  // namespace
