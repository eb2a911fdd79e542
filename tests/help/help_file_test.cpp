// Wrenlow.chm as the build compiled it, opened by chmlib and 7-Zip: its
// content files are the sources byte for byte, its topic map resolves every
// number the program opens, its window types hold the dialog-help window and
// its pop-up text file has a text for every control the program's help tables
// name. The numbers come from the tables in res/, so help file and program
// cannot drift apart unnoticed.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "common/help_locator.h"
#include "platform/system/codepage.h"
#include "res/help_tables.h"
#include "res/ids.h"
#include "tests/platform/itss/test_writer_util.h"

namespace {

using namespace wtest;

const fs::path kSources = fs::path(WRENLOW_SOURCE_DIR) / "help";

std::uint32_t le32(const std::string& b, std::size_t at) {
  if (at + 4 > b.size()) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(b.data() + at);
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

class HelpFile : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    ASSERT_TRUE(fs::exists(WRENLOW_HELP_FILE));
    ASSERT_TRUE(haveProgram("extract_chmLib"));
    ASSERT_EQ(run("extract_chmLib " + quote(WRENLOW_HELP_FILE) + " " + quote(dir_->path() / "c")),
              0);
    chmlib_ = new Tree(readTree(dir_->path() / "c", true));
  }
  static void TearDownTestSuite() {
    delete chmlib_;
    delete dir_;
  }
  static const std::string& file(const std::string& name) {
    static const std::string none;
    auto it = chmlib_->find(name);
    return it == chmlib_->end() ? none : it->second;
  }
  // The #IVB map: topic number -> file name from #STRINGS.
  static std::map<std::uint32_t, std::string> topicMap() {
    const std::string& ivb = file("#IVB");
    const std::string& strings = file("#STRINGS");
    std::map<std::uint32_t, std::string> map;
    const std::size_t end = std::min<std::size_t>(ivb.size(), 4 + std::size_t{le32(ivb, 0)});
    for (std::size_t at = 4; at + 8 <= end; at += 8) {
      const std::uint32_t offset = le32(ivb, at + 4);
      if (offset < strings.size()) map.emplace(le32(ivb, at), strings.c_str() + offset);
    }
    return map;
  }
  static TempDir* dir_;
  static Tree* chmlib_;
};
TempDir* HelpFile::dir_ = nullptr;
Tree* HelpFile::chmlib_ = nullptr;

// Pages and sitemap files are stored in code page 936, the file's language,
// because readers decode a file's sitemap files (and some its pages) by that,
// whatever charset a page names; everything else is stored as it stands.
TEST_F(HelpFile, ContentFilesAreTheSourcesForBothPeerReaders) {
  ASSERT_TRUE(haveProgram("7zz"));
  ASSERT_EQ(run("7zz x -y -o" + quote(dir_->path() / "z") + " " + quote(WRENLOW_HELP_FILE)), 0);
  const Tree sevenZip = readTree(dir_->path() / "z", false);
  Tree sources = readTree(kSources, false);
  for (const char* notStored :
       {"CMakeLists.txt", "stage_sources.sh", "wrenlow.hhp", "wrenlow_ids.h"})
    sources.erase(notStored);
  ASSERT_GT(sources.size(), 25u);
  std::size_t recoded = 0;
  for (auto& [name, bytes] : sources) {
    const std::string ext = fs::path(name).extension().string();
    if (ext == ".htm" || ext == ".hhc" || ext == ".hhk") {
      const auto stored = cp::toUtf8Strict(file(name), 936);
      ASSERT_TRUE(stored.has_value()) << name << " does not decode in code page 936";
      std::string expected =
          std::regex_replace(bytes, std::regex("charset=(\"?)utf-8"), "charset=$1gb2312");
      EXPECT_EQ(*stored, expected) << "chmlib, decoded from 936: " << name;
      bytes = cp::fromUtf8(expected, 936);
      ++recoded;
    } else {
      EXPECT_EQ(file(name), bytes) << "chmlib: " << name;
    }
    auto it = sevenZip.find(name);
    EXPECT_TRUE(it != sevenZip.end() && it->second == bytes) << "7zz: " << name;
  }
  EXPECT_GT(recoded, 25u);
  EXPECT_FALSE(file(std::string(res::kBinaryFilePage).substr(1)).empty());
}

TEST_F(HelpFile, TopicMapResolvesEveryNumberTheProgramOpens) {
  const auto map = topicMap();
  std::set<std::uint32_t> wanted(res::AllPageTopics().begin(), res::AllPageTopics().end());
  for (const res::NamedHelpTable& t : res::AllControlHelpTables())
    for (const unsigned* p = t.pairs; p[0] != 0 || p[1] != 0; p += 2) wanted.insert(p[1]);
  for (const res::ControlTip& tip : res::RecompileTips()) wanted.insert(tip.topic);
  for (std::uint32_t topic : wanted) {
    auto it = map.find(topic);
    if (it == map.end()) {
      ADD_FAILURE() << "topic " << topic << " is not mapped";
      continue;
    }
    EXPECT_FALSE(file(it->second).empty()) << topic << " -> " << it->second;
  }
  // The pages whose content the program relies on.
  auto page = [&](std::uint32_t topic) { return map.count(topic) ? file(map.at(topic)) : ""; };
  const std::string start = page(IDH_START_PAGE);
  for (int link = TCARD_FIRST; link <= TCARD_LAST; ++link)
    EXPECT_NE(start.find("href=\"Tamblin:TCard(" + std::to_string(link) + ")\""), std::string::npos)
        << link;
  EXPECT_TRUE(std::regex_search(page(IDH_ABOUT), std::regex(R"(<div id="VERSION")")));
}

TEST_F(HelpFile, WindowTypesHoldTheDialogHelpWindow) {
  const std::string& windows = file("#WINDOWS");
  const std::string& strings = file("#STRINGS");
  const std::uint32_t count = le32(windows, 0), size = le32(windows, 4);
  ASSERT_GE(size, 12u);
  std::set<std::string> names;
  for (std::uint32_t i = 0; i < count && 8 + (i + 1) * std::size_t{size} <= windows.size(); ++i) {
    const std::uint32_t name = le32(windows, 8 + i * size + 8);
    if (name < strings.size()) names.insert(strings.c_str() + name);
  }
  EXPECT_TRUE(names.count(res::kDialogWindowType)) << "window types: " << names.size();
}

TEST_F(HelpFile, PopupFileHasATextForEveryTableEntry) {
  std::map<unsigned, std::string> texts;
  unsigned current = 0;
  std::istringstream in(file(res::kPopupTextFile));
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(".topic ", 0) == 0) {
      current = static_cast<unsigned>(std::stoul(line.substr(7)));
      EXPECT_TRUE(texts.emplace(current, "").second) << "topic " << current << " twice";
    } else if (current != 0) {
      texts[current] += line;
    }
  }
  for (const res::NamedHelpTable& t : res::AllControlHelpTables())
    for (const unsigned* p = t.pairs; p[0] != 0 || p[1] != 0; p += 2)
      EXPECT_GT(texts[p[1]].size(), 12u) << t.name << ": control " << p[0] << ", topic " << p[1];
}

TEST_F(HelpFile, InstalledBesideTheProgramWhereTheLocatorLooks) {
  const fs::path prefix = dir_->path() / "prefix";
  ASSERT_EQ(run(std::string(WRENLOW_CMAKE) + " --install " + quote(WRENLOW_BINARY_DIR) +
                " --component help --prefix " + quote(prefix)),
            0);
  const auto places = besideProgram((prefix / "bin/wrenlow").string(), res::kHelpFile);
  ASSERT_GE(places.size(), 2u);
  EXPECT_EQ(places[0], (prefix / "bin" / res::kHelpFile).string());
  EXPECT_TRUE(fs::exists(places[1])) << places[1];
  // From the build tree, the build's own copy.
  const auto inBuild = besideProgram(std::string(WRENLOW_BINARY_DIR) + "/src/app/wrenlow", "x.chm");
  EXPECT_EQ(inBuild.back(), std::string(WRENLOW_BINARY_DIR) + "/x.chm");
}

}  // namespace
