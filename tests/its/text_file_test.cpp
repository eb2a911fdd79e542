#include "its/text_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

class TextFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/wl-textfile-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string fileWith(const std::string& bytes) {
    const std::string path = dir_ + "/in.txt";
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::vector<std::string> lines(const std::string& bytes) {
    TextFile f;
    EXPECT_TRUE(f.openRead(fileWith(bytes)));
    std::vector<std::string> out;
    std::string line;
    while (f.readLine(line)) out.push_back(line);
    return out;
  }

  std::string dir_;
};

using Lines = std::vector<std::string>;

TEST_F(TextFileTest, ReadLineDropsCrTrimsBlanksAndStopsAtCtrlZ) {
  // a, two blanks, CR, LF, Ctrl-Z, b: the line "a", then the end of the file.
  EXPECT_EQ(lines(std::string("a  \r\n\x1a"
                              "b",
                              7)),
            Lines{"a"});
}

TEST_F(TextFileTest, ReadLineEdgeCases) {
  EXPECT_EQ(lines("x\ny"), (Lines{"x", "y"}));  // last line without LF
  EXPECT_EQ(lines("\n\n"), (Lines{"", ""}));    // empty lines are lines
  EXPECT_EQ(lines(""), Lines{});                // an empty file has none
  EXPECT_EQ(lines("a\rb\r\n"), Lines{"ab"});    // CR anywhere is dropped
  EXPECT_EQ(lines("a\t \n"), Lines{"a\t"});     // only blanks are trimmed
  EXPECT_EQ(lines("  \n"), Lines{""});
  EXPECT_EQ(lines("ab\x1a"), Lines{"ab"});  // Ctrl-Z mid-line ends the file
  EXPECT_EQ(lines("中文\r\n"), Lines{"中文"});
}

TEST_F(TextFileTest, LongLinesCrossBufferBoundaries) {
  const std::string longLine(40000, 'q');
  const std::string other(16383, 'r');  // ends right before a buffer boundary
  EXPECT_EQ(lines(other + "\n" + longLine + "\r\nz"), (Lines{other, longLine, "z"}));
}

TEST_F(TextFileTest, WritesBufferedBytesAndLineEnds) {
  const std::string path = dir_ + "/out.hhp";
  TextFile f;
  ASSERT_TRUE(f.openWrite(path));
  std::string expected;
  for (int i = 0; i < 3000; ++i) {
    const std::string line = "[FILES] 第 " + std::to_string(i) + " 行";
    f.writeLine(line);
    expected += line + "\r\n";
  }
  f.write("tail");
  expected += "tail";
  EXPECT_FALSE(f.failed());
  EXPECT_TRUE(f.close());
  EXPECT_EQ(contents(path), expected);
  // Opening for writing truncates.
  ASSERT_TRUE(f.openWrite(path));
  f.write("new");
  EXPECT_TRUE(f.close());
  EXPECT_EQ(contents(path), "new");
}

// A write that fails (a file-size limit stands for a full disk) sticks, and
// the file at the path stays as it was; a device is never written.
TEST_F(TextFileTest, AFailedWriteSticksAndLeavesTheOldFile) {
  const std::string path = dir_ + "/kept.txt";
  { std::ofstream(path) << "the user's text"; }
  TextFile f;
  EXPECT_FALSE(f.openWrite("/dev/full"));
  ASSERT_TRUE(f.openWrite(path));
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 1000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  f.write(std::string(TextFile::kBufferSize + 10, 'x'));
  ::setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_TRUE(f.failed());
  f.writeLine("dropped");
  EXPECT_TRUE(f.failed());
  EXPECT_FALSE(f.close());
  EXPECT_EQ(contents(path), "the user's text");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
}

TEST_F(TextFileTest, OpenFailures) {
  TextFile f;
  EXPECT_FALSE(f.openRead(dir_ + "/missing.txt"));
  EXPECT_FALSE(f.openWrite(dir_ + "/no/such/folder/x.txt"));
  EXPECT_FALSE(f.isOpen());
  std::string line;
  EXPECT_FALSE(f.readLine(line));
}

}  // namespace
