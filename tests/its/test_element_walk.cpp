// The element walk: order, paths, what is passed over, and how the actions
// steer it. Run against the recording stand-in for the engine.
#include <gtest/gtest.h>

#include "fake_storage.h"
#include "its/element_walk.h"

namespace {

using namespace itss;

struct Recorder : ElementAction {
  std::vector<std::string> seen;
  std::string skipStorage;
  std::string endAtStream;
  std::string refuseLevel = "-";
  bool enterLevel(const std::string& p) override {
    seen.push_back("enter " + p);
    return p != refuseLevel;
  }
  void leaveLevel(const std::string& p) override { seen.push_back("leave " + p); }
  WalkStep storage(const WalkElement& e) override {
    seen.push_back("dir " + e.path());
    return e.name == skipStorage ? WalkStep::Skip : WalkStep::Continue;
  }
  WalkStep stream(const WalkElement& e) override {
    seen.push_back("file " + e.path() + " " + std::to_string(e.size) +
                   (e.isSystemName() ? " sys" : ""));
    return e.name == endAtStream ? WalkStep::EndLevel : WalkStep::Continue;
  }
};

class WalkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree = std::make_shared<fake::Node>();
    tree->addStream("#SYSTEM", "abcd");
    tree->addStream("empty.htm", "");
    auto& html = tree->addStorage("html");
    html.addStream("a.htm", "aaa");
    html.addStorage("img").addStream("p.gif", "gg");
    html.addStream("b.htm", "b");
    tree->addStream("$FIftiMain", "z");
    // A size whose low 32 bits are 0 is a stream of size 0.
    tree->addStream("huge", "").claimedSize = 0x100000000ull;
    tree->addStream("last.htm", "l");
    root = new fake::Storage(&log, "root", tree);
  }
  void TearDown() override { root->Release(); }
  fake::Log log;
  std::shared_ptr<fake::Node> tree;
  fake::Storage* root = nullptr;
};

TEST_F(WalkTest, VisitsEveryLevelInOrderWithBackslashPaths) {
  Recorder r;
  EXPECT_TRUE(walkElements(root, "", r));
  EXPECT_EQ(r.seen, (std::vector<std::string>{
                        "enter ", "file #SYSTEM 4 sys", "dir html", "enter html",
                        "file html\\a.htm 3", "dir html\\img", "enter html\\img",
                        "file html\\img\\p.gif 2", "leave html\\img", "file html\\b.htm 1",
                        "leave html", "file $FIftiMain 1 sys", "file last.htm 1", "leave "}));
  // Every sub-storage is opened from the root by its whole path, mode 0.
  std::vector<std::string> opens;
  for (auto& c : log.calls)
    if (c.rfind("OpenStorage", 0) == 0) opens.push_back(c);
  EXPECT_EQ(opens, (std::vector<std::string>{"OpenStorage html 0", "OpenStorage html\\img 0"}));
}

TEST_F(WalkTest, ActionsSkipStoragesAndEndLevels) {
  Recorder skip;
  skip.skipStorage = "img";
  walkElements(root, "", skip);
  EXPECT_EQ(std::count(skip.seen.begin(), skip.seen.end(), "enter html\\img"), 0);
  EXPECT_EQ(std::count(skip.seen.begin(), skip.seen.end(), "file html\\b.htm 1"), 1);

  // Ending the level html at a.htm: img and b.htm are not reached; the root goes on.
  Recorder end;
  end.endAtStream = "a.htm";
  walkElements(root, "", end);
  EXPECT_EQ(std::count(end.seen.begin(), end.seen.end(), "dir html\\img"), 0);
  EXPECT_EQ(std::count(end.seen.begin(), end.seen.end(), "file html\\b.htm 1"), 0);
  EXPECT_EQ(end.seen.back(), "leave ");
  EXPECT_EQ(std::count(end.seen.begin(), end.seen.end(), "file last.htm 1"), 1);

  // A level refused at its start is not opened.
  Recorder refuse;
  refuse.refuseLevel = "html";
  log.calls.clear();
  walkElements(root, "", refuse);
  for (auto& c : log.calls) EXPECT_NE(c, "OpenStorage html 0");
}

TEST_F(WalkTest, UnreadableLevelsEndQuietly) {
  Recorder r;
  EXPECT_FALSE(walkElements(root, "missing", r));
  EXPECT_EQ(r.seen, (std::vector<std::string>{"enter missing"}));
  // A sub-path walk starts at that level.
  Recorder sub;
  EXPECT_TRUE(walkElements(root, "html\\img", sub));
  EXPECT_EQ(sub.seen, (std::vector<std::string>{"enter html\\img", "file html\\img\\p.gif 2",
                                                "leave html\\img"}));
  // Enumerator and sub-storage are released when the level ends.
  EXPECT_EQ(log.calls.back(), "release html\\img");
}

}  // namespace
