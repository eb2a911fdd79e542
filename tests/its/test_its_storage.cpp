// ItsStorage's own rules, checked against a recording stand-in for the engine:
// control data, modes, the current sub-storage, the close order, names.
#include <gtest/gtest.h>

#include <algorithm>

#include "fake_storage.h"
#include "its/element_walk.h"
#include "its/its_storage.h"

namespace {

using namespace itss;

fake::Log gLog;
std::shared_ptr<fake::Node> gTree;
fake::Engine* gEngine = nullptr;

HRESULT makeFake(IITStorage** out) {
  gLog.add("make engine");
  gEngine = new fake::Engine(&gLog, gTree);
  *out = gEngine;
  return S_OK;
}
HRESULT failToMake(IITStorage**) { return E_NOINTERFACE; }

class ItsStorageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gLog.calls.clear();
    gTree = std::make_shared<fake::Node>();
    gTree->addStorage("html").addStream("a.htm", "x");
    gTree->addStream("#SYSTEM", "abcd");
  }
  void TearDown() override { gTree.reset(); }
  int count(const std::string& prefix) {
    return static_cast<int>(std::count_if(gLog.calls.begin(), gLog.calls.end(),
                                          [&](auto& c) { return c.rfind(prefix, 0) == 0; }));
  }
};

TEST_F(ItsStorageTest, NewObjectDefaults) {
  ItsStorage s(makeFake);
  EXPECT_EQ(s.root(), nullptr);
  EXPECT_EQ(s.current(), nullptr);
  EXPECT_EQ(s.engine(), nullptr);
  EXPECT_EQ(s.currentPath(), nullptr);
  EXPECT_EQ(s.resetBlocks, 4u);
  EXPECT_EQ(s.windowBlocks, 1u);
  EXPECT_EQ(s.partitionBlocks, 1u);
  EXPECT_TRUE(gLog.calls.empty());  // nothing made before create or open
}

TEST_F(ItsStorageTest, CreateHandsTheControlDataFirst) {
  ItsStorage s(makeFake);
  s.resetBlocks = 8;
  s.windowBlocks = 16;
  s.partitionBlocks = 2;
  ASSERT_EQ(s.create("out.chm", true, true, 4096), S_OK);
  ASSERT_GE(gLog.calls.size(), 3u);
  EXPECT_EQ(gLog.calls[1], "SetControlData");
  EXPECT_EQ(gLog.calls[2], "StgCreateDocfile out.chm " + std::to_string(0x1011));
  const DWORD expected[13] = {5, 0x43535449, 1, 4096, 4, 1, 6, 0x43585A4C, 2, 8, 16, 2, 1};
  EXPECT_EQ(gEngine->control.cdwControlData, 13u);
  for (int i = 0; i < 13; ++i)
    EXPECT_EQ(gEngine->control.words[i], expected[i]) << "word " << i + 1;
  // The ASCII letters I, T, S, C and L, Z, X, C in file order.
  EXPECT_EQ(std::memcmp(&gEngine->control.words[1], "ITSC", 4), 0);
  EXPECT_EQ(std::memcmp(&gEngine->control.words[7], "LZXC", 4), 0);
  EXPECT_NE(s.root(), nullptr);

  s.close();
  EXPECT_EQ(s.resetBlocks, 4u);
  EXPECT_EQ(s.windowBlocks, 1u);
  EXPECT_EQ(s.partitionBlocks, 1u);

  gLog.calls.clear();
  ASSERT_EQ(s.create("new.chm", false, false, 512), S_OK);
  EXPECT_EQ(gLog.calls[2], "StgCreateDocfile new.chm " + std::to_string(0x11));
  EXPECT_EQ(gEngine->control.words[3], 512u);
  EXPECT_EQ(gEngine->control.words[5], 0u);
  EXPECT_EQ(gEngine->control.words[9], 4u);
}

TEST_F(ItsStorageTest, FailuresComeBackUnchanged) {
  ItsStorage broken(failToMake);
  EXPECT_EQ(broken.open("x.chm"), E_NOINTERFACE);
  EXPECT_EQ(broken.create("x.chm", false, true, 4096), E_NOINTERFACE);

  ItsStorage s(makeFake);
  // The engine exists once asked for, even when the create then fails.
  struct Fail {
    static HRESULT make(IITStorage** out) {
      HRESULT hr = makeFake(out);
      gEngine->createResult = STG_E_FILEALREADYEXISTS;
      gEngine->openResult = STG_E_FILENOTFOUND;
      return hr;
    }
  };
  ItsStorage f(Fail::make);
  EXPECT_EQ(f.create("exists.chm", false, true, 4096), STG_E_FILEALREADYEXISTS);
  EXPECT_NE(f.engine(), nullptr);
  EXPECT_EQ(f.root(), nullptr);
  EXPECT_EQ(f.open("missing.chm"), STG_E_FILENOTFOUND);
  f.close();
  EXPECT_EQ(f.engine(), nullptr);
}

TEST_F(ItsStorageTest, OpenUsesReadDenyWrite) {
  ItsStorage s(makeFake);
  ASSERT_EQ(s.open("in.chm"), S_OK);
  EXPECT_EQ(gLog.calls.back(), "StgOpenStorage in.chm " + std::to_string(0x20));
  EXPECT_EQ(s.current(), s.root());
}

TEST_F(ItsStorageTest, CurrentSubStorageIsReusedIgnoringCaseOfAToZ) {
  ItsStorage s(makeFake);
  ASSERT_EQ(s.open("in.chm"), S_OK);
  ASSERT_TRUE(s.openSubStorage("html", 0));
  EXPECT_EQ(count("OpenStorage"), 1);
  IStorage* html = s.current();
  EXPECT_NE(html, s.root());
  EXPECT_STREQ(s.currentPath(), "html");

  gLog.calls.clear();
  EXPECT_TRUE(s.openSubStorage("html", 0));
  EXPECT_TRUE(s.openSubStorage("HTML", 0));
  EXPECT_TRUE(s.openSubStorage("HtMl", 1));
  EXPECT_TRUE(gLog.calls.empty());
  EXPECT_EQ(s.current(), html);
}

TEST_F(ItsStorageTest, MissingSubStorageFallsBackToCreate) {
  ItsStorage s(makeFake);
  ASSERT_EQ(s.open("in.chm"), S_OK);
  ASSERT_TRUE(s.openSubStorage("html", 0));
  IStorage* html = s.current();
  // Read-only root: the create fallback fails and current stays.
  EXPECT_FALSE(s.openSubStorage("images", 0));
  EXPECT_EQ(count("CreateStorage images 1"), 1);
  EXPECT_EQ(s.current(), html);
  EXPECT_STREQ(s.currentPath(), "html");
  // Non-ASCII letters are compared exactly: "É" and "é" differ.
  EXPECT_FALSE(samePathNoCase("caf\xC3\x89", "caf\xC3\xA9"));
  EXPECT_TRUE(samePathNoCase("A\\B", "a\\b"));
  EXPECT_FALSE(samePathNoCase("a", "ab"));

  ItsStorage w(makeFake);
  ASSERT_EQ(w.create("out.chm", true, true, 4096), S_OK);
  gLog.calls.clear();
  ASSERT_TRUE(w.openSubStorage("new\\sub", 1));
  EXPECT_EQ(gLog.calls[0], "OpenStorage new\\sub 1");
  EXPECT_EQ(gLog.calls[1], "CreateStorage new\\sub 1");
}

TEST_F(ItsStorageTest, CloseReleasesCurrentRootEngineInOrder) {
  {
    ItsStorage s(makeFake);
    ASSERT_EQ(s.open("in.chm"), S_OK);
    ASSERT_TRUE(s.openSubStorage("html", 0));
    gLog.calls.clear();
    s.close();
    EXPECT_EQ(gLog.calls,
              (std::vector<std::string>{"release html", "release root", "release engine"}));
    EXPECT_EQ(s.currentPath(), nullptr);
    EXPECT_EQ(s.root(), nullptr);
    // Usable again.
    ASSERT_EQ(s.open("in.chm"), S_OK);
    gLog.calls.clear();
  }
  // The destructor closes.
  EXPECT_EQ(gLog.calls, (std::vector<std::string>{"release root", "release engine"}));
}

TEST_F(ItsStorageTest, LongNamesAreBoundedBothWays) {
  ItsStorage s(makeFake);
  // 259 UTF-16 units fit the 260-unit buffer with the terminator; 260 do not.
  EXPECT_NE(s.engineName(std::string(259, 'a').c_str()), nullptr);
  EXPECT_EQ(s.engineName(std::string(260, 'a').c_str()), nullptr);
  // Three-byte characters count one unit each.
  std::string cjk;
  for (int i = 0; i < 259; ++i) cjk += "\xE4\xB8\xAD";
  EXPECT_NE(s.engineName(cjk.c_str()), nullptr);
  EXPECT_EQ(s.open(std::string(300, 'p').c_str()), STG_E_INVALIDNAME);

  // Returned names: cut at 519 bytes, never inside a character.
  char* ascii = fake::dupName(std::string(600, 'n'));
  EXPECT_EQ(ItsStorage::takeName(ascii).size(), 519u);
  EXPECT_EQ(ascii, nullptr);
  std::string wide;
  for (int i = 0; i < 200; ++i) wide += "\xE4\xB8\xAD";  // 600 bytes; 519 = 173 x 3
  char* w = fake::dupName(wide);
  EXPECT_EQ(ItsStorage::takeName(w), wide.substr(0, 519));
  w = fake::dupName("x" + wide);  // byte 519 is in the middle of a character
  EXPECT_EQ(ItsStorage::takeName(w), ("x" + wide).substr(0, 517));
  char* none = nullptr;
  EXPECT_EQ(ItsStorage::takeName(none), "");
}

}  // namespace
