// The version-resource reader on PE files made by make_hostile_pe.py: the
// sound ones read, every damaged one reads as "no version" without a fault.
#include "platform/system/pe_version.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

namespace {

class HostilePeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char tmpl[] = "/tmp/wrenlow-pe-XXXXXX";
    dir_ = ::mkdtemp(tmpl);
    std::string command =
        "python3 '" WRENLOW_SOURCE_DIR "/tests/platform/system/make_hostile_pe.py' '" + dir_ + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }
  static std::string path(const char* name) { return dir_ + "/" + name; }
  static std::vector<std::uint8_t> bytes(const char* name) {
    std::ifstream in(path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static inline std::string dir_;
};

TEST_F(HostilePeTest, SoundFilesReadTheFileVersion) {
  for (const char* name : {"sound.dll", "sound64.dll", "big-resource.dll"}) {
    auto info = pe::fileVersionInfo(path(name));
    ASSERT_TRUE(info) << name;
    EXPECT_EQ(info->fileVersionMS, (6u << 16) | 1) << name;
    EXPECT_EQ(info->fileVersionLS, (7601u << 16) | 23456) << name;
    EXPECT_EQ(info->fileType, 2u) << name;
  }
}

TEST_F(HostilePeTest, DamagedFilesHaveNoVersion) {
  for (const char* name :
       {"truncated.dll", "block-length-past-end.dll", "directory-loop.dll",
        "entry-count-past-end.dll", "key-without-end.dll", "data-rva-outside.dll",
        "sections-65535.dll", "new-header-past-end.dll", "bad-signature.dll"}) {
    EXPECT_FALSE(pe::fileVersionInfo(path(name))) << name;
    // The in-memory reader is the same parser; it must agree.
    auto b = bytes(name);
    EXPECT_FALSE(pe::readFixedFileInfo(pe::SpanSource(b))) << name;
  }
}

TEST_F(HostilePeTest, ChildrenAreNeverWalkedForTheRoot) {
  // A child of length 0 would stall a walker; the root's value is all that is
  // read, so the version is there.
  auto info = pe::fileVersionInfo(path("children-loop.dll"));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->fileVersionLS, (7601u << 16) | 23456);
}

TEST_F(HostilePeTest, EveryCutOfASoundFileIsSafe) {
  auto whole = bytes("sound.dll");
  for (std::size_t n = 0; n < whole.size(); ++n) {
    std::span<const std::uint8_t> cut(whole.data(), n);
    auto info = pe::readFixedFileInfo(pe::SpanSource(cut));
    // The resource ends at 0x200 + the section's bytes: anything shorter
    // than the fixed information's end cannot hold a version.
    if (n < 0x200 + 0x58 + 92) {
      EXPECT_FALSE(info) << n;
    }
  }
}

TEST(PeVersion, FoldersAndMissingFilesHaveNoVersion) {
  EXPECT_FALSE(pe::fileVersionInfo("/"));
  EXPECT_FALSE(pe::fileVersionInfo("/nonexistent/hhctrl.ocx"));
  EXPECT_FALSE(pe::fileVersionInfo("/dev/null"));
}

}  // namespace
