// StreamReader over the recording stand-in: blocks, refills on seek, reads
// and lines across block boundaries.
#include <gtest/gtest.h>

#include <algorithm>

#include "fake_storage.h"
#include "its/stream_reader.h"

namespace {

using namespace itss;

class StreamReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree = std::make_shared<fake::Node>();
    std::string digits;
    for (int i = 0; i < 100; ++i) digits += static_cast<char>('0' + i % 10);
    tree->addStream("digits", digits);
    tree->addStream("lines",
                    "a  \r\n\x1A"
                    "b");
    tree->addStream("long", "first line\r\nsecond\n\nlast without end");
    tree->addStream("empty", "");
    root = new fake::Storage(&log, "root", tree);
  }
  void TearDown() override { root->Release(); }
  fake::Log log;
  std::shared_ptr<fake::Node> tree;
  fake::Storage* root = nullptr;
};

TEST_F(StreamReaderTest, OpensWithModeTwoAndFailsCleanly) {
  StreamReader r;
  EXPECT_FALSE(r.open("missing", root, 16));
  EXPECT_FALSE(r.isOpen());
  ASSERT_TRUE(r.open("digits", root, 16));
  EXPECT_NE(std::find(log.calls.begin(), log.calls.end(), "OpenStream digits 2"), log.calls.end());
  EXPECT_EQ(r.size(), 100u);
  StreamReader e;
  ASSERT_TRUE(e.open("empty", root));
  char c;
  EXPECT_EQ(e.read(&c, 1), 0u);
  std::string line;
  EXPECT_FALSE(e.readLine(line));
}

TEST_F(StreamReaderTest, ReadsAcrossBlocksAndSeeksAnywhere) {
  for (std::int32_t block : {StreamReader::kWholeStream, 1, 7, 16, 100, 4096}) {
    StreamReader r;
    ASSERT_TRUE(r.open("digits", root, block));
    char buf[40] = {};
    EXPECT_EQ(r.read(buf, 25), 25u);
    EXPECT_EQ(std::string(buf, 25), "0123456789012345678901234");
    ASSERT_TRUE(r.seek(93));
    EXPECT_EQ(r.read(buf, 40), 7u) << block;
    EXPECT_EQ(std::string(buf, 7), "3456789");
    EXPECT_EQ(r.read(buf, 1), 0u);
    ASSERT_TRUE(r.seek(0));
    EXPECT_EQ(r.read(buf, 3), 3u);
    EXPECT_EQ(std::string(buf, 3), "012");
    ASSERT_TRUE(r.seek(17));
    EXPECT_EQ(r.read(buf, 2), 2u);
    EXPECT_EQ(std::string(buf, 2), "78");
    EXPECT_TRUE(r.seek(100));  // the end itself
    EXPECT_EQ(r.read(buf, 1), 0u);
    EXPECT_FALSE(r.seek(101));
    EXPECT_FALSE(r.seek(0xFFFFFFFFu));
    EXPECT_EQ(r.read(buf, 1), 0u);
    ASSERT_TRUE(r.seek(50));
    EXPECT_EQ(r.read(buf, 1), 1u);
    EXPECT_EQ(buf[0], '0');
  }
}

TEST_F(StreamReaderTest, SeekWithinTheHeldBlockReadsNothingNew) {
  StreamReader r;
  ASSERT_TRUE(r.open("digits", root, 16));
  log.calls.clear();
  ASSERT_TRUE(r.seek(5));
  ASSERT_TRUE(r.seek(15));
  EXPECT_TRUE(log.calls.empty());
  ASSERT_TRUE(r.seek(16));
  EXPECT_FALSE(log.calls.empty());
}

TEST_F(StreamReaderTest, LinesFollowTheTextFileRules) {
  StreamReader r;
  ASSERT_TRUE(r.open("lines", root, 4));
  std::string line;
  ASSERT_TRUE(r.readLine(line));
  EXPECT_EQ(line, "a");
  EXPECT_FALSE(r.readLine(line));  // Ctrl-Z ends the text; "b" is never seen
  EXPECT_FALSE(r.readLine(line));

  for (std::int32_t block : {StreamReader::kWholeStream, 3, 5}) {
    StreamReader l;
    ASSERT_TRUE(l.open("long", root, block));
    std::vector<std::string> lines;
    while (l.readLine(line)) lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"first line", "second", "", "last without end"}));
  }
}

}  // namespace
