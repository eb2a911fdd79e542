// Initialisation files and the atomic write under them: one entry stays one
// line, and a file or folder the user made read-only is never replaced.
#include "platform/system/profile_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/system/atomic_file.h"

namespace {

namespace fs = std::filesystem;

std::string read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class ProfileTest : public ::testing::Test {
 protected:
  ProfileTest() {
    char tmpl[] = "/tmp/wl-profile-XXXXXX";
    dir_ = ::mkdtemp(tmpl);
    file_ = dir_ + "/a.ini";
  }
  ~ProfileTest() override {
    ::chmod(dir_.c_str(), 0755);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string dir_, file_;
};

TEST_F(ProfileTest, LineBreaksAndSeparatorsCannotAddEntries) {
  ASSERT_TRUE(profile::WritePrivateProfileString("s", "File0", "/a", file_));
  const std::string before = read(file_);
  EXPECT_FALSE(profile::WritePrivateProfileString("s", "File1", "/b\n[t]\nx=1", file_));
  EXPECT_FALSE(profile::WritePrivateProfileString("s", "File1", "/b\rFile2=/c", file_));
  EXPECT_FALSE(profile::WritePrivateProfileString("s", "File1\nFile2", "/b", file_));
  EXPECT_FALSE(profile::WritePrivateProfileString("s]\n[t", "k", "v", file_));
  EXPECT_FALSE(profile::WritePrivateProfileString("s", "k=v", "w", file_));
  EXPECT_FALSE(
      profile::WritePrivateProfileString("s", "File1", std::string_view("/b\0x", 4), file_));
  EXPECT_EQ(read(file_), before);
  EXPECT_EQ(profile::GetPrivateProfileString("t", "x", "none", file_), "none");
  // Everything else is kept as given, "=" and "]" in a value included.
  ASSERT_TRUE(profile::WritePrivateProfileString("s", "File1", "/odd=name]", file_));
  EXPECT_EQ(profile::GetPrivateProfileString("s", "File1", "none", file_), "/odd=name]");
}

// Read-only is the owner's write bit, so this holds for root too.
TEST_F(ProfileTest, ReadOnlyFileOrFolderIsNeverReplaced) {
  ASSERT_TRUE(sysfile::writeFileAtomically(file_, "old\n"));
  ::chmod(file_.c_str(), 0444);
  EXPECT_TRUE(sysfile::isReadOnly(file_));
  EXPECT_FALSE(sysfile::writeFileAtomically(file_, "new\n"));
  EXPECT_FALSE(profile::WritePrivateProfileString("s", "k", "v", file_));
  EXPECT_EQ(read(file_), "old\n");
  ::chmod(file_.c_str(), 0644);
  ::chmod(dir_.c_str(), 0555);
  EXPECT_FALSE(sysfile::writeFileAtomically(file_, "new\n"));
  EXPECT_FALSE(sysfile::writeFileAtomically(dir_ + "/b.ini", "new\n"));
  EXPECT_EQ(read(file_), "old\n");
  EXPECT_FALSE(fs::exists(dir_ + "/b.ini"));
  ::chmod(dir_.c_str(), 0755);
  EXPECT_TRUE(sysfile::writeFileAtomically(file_, "new\n"));
  EXPECT_EQ(read(file_), "new\n");
  EXPECT_FALSE(sysfile::isReadOnly(dir_ + "/missing"));
}

}  // namespace
