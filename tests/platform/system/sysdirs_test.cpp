// The folders that stand in for Windows': where they are, and that the
// temporary folder is private.
#include "platform/system/sysdirs.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class SysdirsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/wrenlow-sysdirs-XXXXXX";
    root_ = ::mkdtemp(tmpl);
    ::unsetenv("WRENLOW_WINEPREFIX");
    ::unsetenv("WRENLOW_CONFIG_DIR");
  }
  void TearDown() override {
    ::unsetenv("WRENLOW_WINEPREFIX");
    ::unsetenv("WRENLOW_CONFIG_DIR");
    fs::remove_all(root_);
  }
  std::string root_;
};

TEST_F(SysdirsTest, ConfigurationAndWindowsFolders) {
  ::setenv("XDG_CONFIG_HOME", (root_ + "/xdg").c_str(), 1);
  EXPECT_EQ(sysdirs::configFolder(), root_ + "/xdg/Marrowby/Wrenlow");
  ::setenv("WRENLOW_CONFIG_DIR", (root_ + "/cfg/").c_str(), 1);
  EXPECT_EQ(sysdirs::configFolder(true), root_ + "/cfg");
  struct stat st {};
  ASSERT_EQ(::stat((root_ + "/cfg").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(sysdirs::windowsFolder(), root_ + "/cfg/windows");
  EXPECT_EQ(sysdirs::systemFolder(), root_ + "/cfg/windows/system32");
  EXPECT_TRUE(sysdirs::isFolder(root_ + "/cfg/windows/system32"));
  EXPECT_EQ(sysdirs::registryFolder(), root_ + "/cfg");

  ::setenv("WRENLOW_WINEPREFIX", (root_ + "/prefix").c_str(), 1);
  EXPECT_EQ(sysdirs::registryFolder(), root_ + "/prefix");
  EXPECT_EQ(sysdirs::windowsFolder(), root_ + "/prefix/drive_c/windows");
  EXPECT_EQ(sysdirs::nativePath("C:\\Windows\\Help"), root_ + "/prefix/dosdevices/c:/Windows/Help");
  // A registered folder and file name: one native path, one separator.
  EXPECT_EQ(sysdirs::nativeFilePath("C:\\windows\\help", "x.chm"),
            root_ + "/prefix/dosdevices/c:/windows/help/x.chm");
  EXPECT_EQ(sysdirs::nativeFilePath("C:\\windows\\help\\", "x.chm"),
            root_ + "/prefix/dosdevices/c:/windows/help/x.chm");
  EXPECT_EQ(sysdirs::nativeFilePath("C:", "x.chm"), root_ + "/prefix/dosdevices/c:/x.chm");
  ::unsetenv("WRENLOW_WINEPREFIX");
  EXPECT_EQ(sysdirs::nativeFilePath("/opt/help/", "x.chm"), "/opt/help/x.chm");
  EXPECT_EQ(sysdirs::nativePath("d:\\x\\y.chm"), "/x/y.chm");
  EXPECT_EQ(sysdirs::nativePath("rel\\name.chm"), "rel/name.chm");
}

TEST_F(SysdirsTest, TemporaryFolderIsPrivateAndNotAnotherUsersName) {
  ::unsetenv("XDG_RUNTIME_DIR");
  ::setenv("TMPDIR", root_.c_str(), 1);
  std::string expected = root_ + "/wrenlow-" + std::to_string(::getuid());
  // Someone put a link where our folder would go: it is not used.
  fs::create_directories(root_ + "/elsewhere");
  fs::create_directory_symlink(root_ + "/elsewhere", expected);
  std::string temp = sysdirs::tempFolder();
  EXPECT_NE(temp, expected);
  EXPECT_EQ(temp.rfind(root_ + "/wrenlow-", 0), 0u);
  struct stat st {};
  ASSERT_EQ(::lstat(temp.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(sysdirs::tempFolder(), temp);  // the same folder for the whole run
  fs::remove(expected);
  EXPECT_EQ(sysdirs::tempFolder(), expected);
  ::unsetenv("TMPDIR");
}

}  // namespace
