// The finders' search on scratch trees and a scratch registry: which files
// become rows, with which texts, and what Delete does to a registration.
#include "finders/finder_search.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>

#include "../common/scratch_config.h"
#include "finders/row_texts.h"

namespace fs = std::filesystem;
using finders::FinderMode;
using finders::FinderRow;

namespace {

void makePe(const std::string& path, const char* version) {
  std::string command = "python3 '" WRENLOW_SOURCE_DIR
                        "/tests/platform/system/make_hostile_pe.py' --version " +
                        std::string(version) + " '" + path + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
}

struct Recorder : finders::FinderProgress {
  void begin(std::uint32_t u, const std::string& m) override {
    units = u;
    messages.push_back(m);
  }
  void setMessage(const std::string& m) override { messages.push_back(m); }
  void step() override { ++steps; }
  std::uint32_t units = 0;
  int steps = 0;
  std::vector<std::string> messages;
};

std::vector<FinderRow> search(FinderMode mode, const std::string& root, Recorder& progress) {
  finders::FinderSearch s(mode);
  s.run({{root, root}}, progress);
  auto rows = s.rows();
  finders::sortByName(rows);
  return rows;
}

std::vector<std::string> column(const std::vector<FinderRow>& rows, int c) {
  std::vector<std::string> out;
  for (const auto& r : rows) out.push_back(r.text[c]);
  return out;
}

class FinderSearchTest : public ::testing::Test {
 protected:
  ScratchConfig config_;
  std::string tree_ = config_.root() + "/tree";
};

TEST_F(FinderSearchTest, HelpFilesByExtension) {
  for (const char* f : {"GUIDE.CHM", "docs/Manual.CHM", "docs/old.chm.bak", "docs/win.GID",
                        "its/a.its", "docs/noext", ".hidden/secret.chm", "docs/.x.chi"})
    ScratchConfig::write(tree_ + "/" + f, "x");
  Recorder p;
  auto rows = search(FinderMode::HtmlHelpFiles, tree_, p);
  EXPECT_EQ(column(rows, 0),
            (std::vector<std::string>{".x.chi", "a.its", "guide.chm", "Manual.CHM"}));
  EXPECT_EQ(column(rows, 1), (std::vector<std::string>{".chi", ".its", ".chm", ".chm"}));
  // Capitals only: the name column shows it lower-cased, the path keeps
  // the name on disk.
  EXPECT_EQ(rows[2].text[3], tree_ + "/GUIDE.CHM");
  EXPECT_EQ(rows[3].text[3], tree_ + "/docs/Manual.CHM");
  EXPECT_FALSE(rows[2].text[2].empty());  // the date of the file as named on disk
  EXPECT_EQ(p.messages.back(), "正在为 HTML 帮助文件搜索 " + tree_ + "...\r\n已找到: 4");

  Recorder w;
  rows = search(FinderMode::WinHelpFiles, tree_, w);
  EXPECT_EQ(column(rows, 0), (std::vector<std::string>{"win.GID"}));
  EXPECT_EQ(column(rows, 1), (std::vector<std::string>{".gid"}));
}

TEST_F(FinderSearchTest, NoDriveNoRows) {
  finders::FinderSearch s(FinderMode::WinHelpFiles);
  Recorder p;
  s.run({}, p);
  EXPECT_TRUE(s.rows().empty());
  EXPECT_EQ(p.units, 0u);
  EXPECT_EQ(p.messages.front(), "正在为 WinHelp 文件搜索 C:...\r\n已找到: 0");
}

TEST_F(FinderSearchTest, WinHelpComponentsWithoutVersionShowQuestionMarks) {
  ScratchConfig::write(tree_ + "/bin/hcw.exe", "not a program");
  makePe(tree_ + "/bin/HCRTF.EXE", "4.3.2.1");
  ScratchConfig::write(tree_ + "/bin/other.exe", "x");
  Recorder p;
  auto rows = search(FinderMode::WinHelpComponents, tree_, p);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].text[0], "hcrtf.exe");  // as the table writes it
  EXPECT_EQ(rows[0].text[1], " 4.03.0002.1");
  EXPECT_EQ(rows[0].text[3], tree_ + "/bin/HCRTF.EXE");
  EXPECT_EQ(rows[1].text[0], "hcw.exe");
  EXPECT_EQ(rows[1].text[1], "???");
}

class HtmlHelpComponentsTest : public FinderSearchTest {
 protected:
  void SetUp() override {
    system_ = sysdirs::systemFolder();
    makePe(system_ + "/hhctrl.ocx", "4.74.8702.0");
    makePe(system_ + "/itss.dll", "4.72.7325.0");
    makePe(tree_ + "/app/itss.dll", "4.72.7323.0");
    makePe(tree_ + "/app/hhctrl.ocx", "4.73.8146.0");
    ScratchConfig::write(tree_ + "/app/hha.dll", "no version");
    registerServer("4662DAB0-D393-11D0-9A56-00C04FB68B66", system_ + "/hhctrl.ocx");
    registerServer("5D02926A-212E-11D0-9DF9-00A0C922E6EC", tree_ + "/app/itss.dll");
  }
  static void registerServer(const std::string& clsid, const std::string& path) {
    ASSERT_EQ(
        reg::RegSetValue(reg::HKEY_CLASSES_ROOT, "CLSID\\{" + clsid + "}\\InprocServer32", path),
        reg::ERROR_SUCCESS);
  }
  static bool registered(const std::string& clsid) {
    std::string v;
    return finders::readClassValue("CLSID\\{" + clsid + "}\\InprocServer32", v);
  }
  std::string system_;
};

TEST_F(HtmlHelpComponentsTest, RegisteredSystemAndWalkedCopiesEachListedOnce) {
  Recorder p;
  // The walk covers the system folder too: its copies are not listed again.
  finders::FinderSearch s(FinderMode::HtmlHelpComponents);
  s.run({{config_.root(), "C:"}}, p);
  auto rows = s.rows();
  // In the order found: registry and system folder first, then the walk.
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].text[0], "hhctrl.ocx (已注册)");
  EXPECT_EQ(rows[0].text[1], " 4.74.8702.0 (1.2)");
  EXPECT_EQ(rows[0].text[3], system_ + "/hhctrl.ocx");
  EXPECT_EQ(rows[1].text[0], "itss.dll (已注册)");
  EXPECT_EQ(rows[1].text[3], tree_ + "/app/itss.dll");
  EXPECT_EQ(rows[1].text[1], " 4.72.7323.0");
  EXPECT_EQ(rows[2].text[0], "itss.dll");
  EXPECT_EQ(rows[2].text[3], system_ + "/itss.dll");
  EXPECT_EQ(rows[3].text[0], "hhctrl.ocx");
  EXPECT_EQ(rows[3].text[1], " 4.73.8146.0 (1.1b)");
  EXPECT_EQ(rows[3].text[3], tree_ + "/app/hhctrl.ocx");
  // Three listed before the walk, one found by it.
  EXPECT_EQ(s.found(), 4u);
  EXPECT_EQ(p.messages.back(), "正在为帮助组件搜索 C:...\r\n已找到: 4");
}

TEST_F(HtmlHelpComponentsTest, DeletingTheRegisteredCopyRemovesItsRegistration) {
  const std::string clsid = "5D02926A-212E-11D0-9DF9-00A0C922E6EC";
  EXPECT_TRUE(finders::deleteFoundFile(system_ + "/itss.dll"));  // not the registered copy
  EXPECT_TRUE(registered(clsid));
  EXPECT_TRUE(finders::deleteFoundFile(tree_ + "/app/itss.dll"));
  EXPECT_FALSE(registered(clsid));
  EXPECT_FALSE(fs::exists(tree_ + "/app/itss.dll"));
  // The control is not in the registered-components table.
  EXPECT_TRUE(finders::deleteFoundFile(system_ + "/hhctrl.ocx"));
  EXPECT_TRUE(registered("4662DAB0-D393-11D0-9A56-00C04FB68B66"));
  EXPECT_FALSE(finders::deleteFoundFile(tree_ + "/app/missing.dll"));
}

TEST_F(FinderSearchTest, APrefixsOtherKindsOfDriveAreNotWalked) {
  const std::string prefix = config_.root() + "/prefix";
  for (const char* d : {"drive_c", "cd", "net", "dosdevices"})
    fs::create_directories(prefix + "/" + d);
  fs::create_directory_symlink("../drive_c", prefix + "/dosdevices/c:");
  fs::create_directory_symlink("../cd", prefix + "/dosdevices/d:");
  fs::create_directory_symlink("../net", prefix + "/dosdevices/n:");
  ::setenv("WRENLOW_WINEPREFIX", prefix.c_str(), 1);
  reg::useFolder(prefix, true);
  reg::UniqueKey types;
  ASSERT_EQ(reg::RegCreateKeyEx(reg::HKEY_LOCAL_MACHINE, "Software\\Wine\\Drives",
                                reg::KEY_ALL_ACCESS, types.put()),
            reg::ERROR_SUCCESS);
  reg::RegSetValueEx(types.get(), "d:", reg::REG_SZ, "cdrom", 6);
  reg::RegSetValueEx(types.get(), "N:", reg::REG_SZ, "hd", 3);
  std::vector<std::string> names;
  for (const auto& d : finders::finderDrives()) names.push_back(d.name);
  EXPECT_EQ(names, (std::vector<std::string>{"C:", "N:"}));
  ::unsetenv("WRENLOW_WINEPREFIX");
}

TEST(RowTexts, ReleaseLabelsAtTheirEdges) {
  const std::pair<unsigned, const char*> cases[] = {
      {1111, "(1.0)"},  {7323, "(1.1)"},  {7324, "(1.0)"}, {7325, "(1.1a)"}, {8145, "(1.1a)"},
      {8146, "(1.1b)"}, {8164, "(1.1b)"}, {8165, "(1.2)"}, {65535, "(1.2)"}, {0, "(1.0)"}};
  for (auto [build, label] : cases) EXPECT_EQ(finders::releaseLabel(build), label) << build;
  pe::FixedFileInfo info;
  info.fileVersionMS = (5u << 16) | 2;
  info.fileVersionLS = (3790u << 16) | 2744;
  EXPECT_EQ(finders::versionText(info, false), " 5.02.3790.2744");
  EXPECT_EQ(finders::versionText(info, true), " 5.02.3790.2744 (1.0)");
}

TEST(RowTexts, DatesWithChineseWeekdays) {
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  // 2024-03-03 was a Sunday.
  const std::time_t sunday = 1709467200;  // 2024-03-03 12:00 UTC
  const char* names[] = {"星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"};
  for (int d = 0; d < 7; ++d) {
    char day[3];
    std::snprintf(day, sizeof day, "%02d", 3 + d);
    EXPECT_EQ(finders::dateText(sunday + d * 86400),
              std::string("2024-03-") + day + "(" + names[d] + ")");
  }
  EXPECT_EQ(finders::fileDateText("/nonexistent"), "");
}

}  // namespace
