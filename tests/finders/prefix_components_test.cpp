// The component finder on a real Wine prefix made for the test: our version
// reader against pefile on every program file of its system folder, and
// `wrenlow-cli find html-components --prefix` on its registry and drive C:.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "finders/row_texts.h"
#include "platform/registry/registry.h"
#include "platform/system/pe_version.h"
#include "tests/common/corpus_oracles.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kWine = "/usr/lib/wine/wine64";
constexpr const char* kWineServer = "/usr/lib/wine/wineserver";

std::string shq(const std::string& s) { return "'" + s + "'"; }

class PrefixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kWine)) GTEST_SKIP() << "wine64 is not installed";
    char tmpl[] = "/tmp/wrenlow-prefix-XXXXXX";
    prefix_ = ::mkdtemp(tmpl);
    const std::string env = "WINEPREFIX=" + shq(prefix_) + " WINEDEBUG=-all ";
    ASSERT_EQ(std::system((env + kWine + " wineboot -i >/dev/null 2>&1").c_str()), 0);
    // The hives must not be written while the prefix's server runs.
    std::system((env + kWineServer + " -k >/dev/null 2>&1").c_str());
    std::system((env + kWineServer + " -w >/dev/null 2>&1").c_str());
    // Drive Z: is the whole machine; the test walks C: alone.
    fs::remove(prefix_ + "/dosdevices/z:");
    system32_ = prefix_ + "/drive_c/windows/system32";
  }
  void TearDown() override {
    std::error_code ec;
    if (!prefix_.empty()) fs::remove_all(prefix_, ec);
  }
  std::string prefix_, system32_;
};

TEST_F(PrefixTest, VersionsAgreeWithPefileAndTheFinderListsEachCopyOnce) {
  // 1. Every .dll, .ocx and .exe of the system folder, read by both.
  std::string files;
  int count = 0;
  for (const auto& e : fs::directory_iterator(system32_)) {
    const std::string ext = e.path().extension().string();
    if (ext == ".dll" || ext == ".ocx" || ext == ".exe") {
      files += " " + shq(e.path().string());
      ++count;
    }
  }
  ASSERT_GT(count, 100);
  const std::string pefile =
      corpus::run("/usr/bin/python3 " WRENLOW_SOURCE_DIR "/tests/finders/pe_versions.py" + files +
                  " 2>/dev/null");
  if (pefile.empty()) {
    ADD_FAILURE() << "pefile did not run (python3-pefile missing?)";
  } else {
    std::istringstream lines(pefile);
    int compared = 0, withVersion = 0;
    for (std::string line; std::getline(lines, line); ++compared) {
      const auto tab = line.find('\t');
      const std::string path = line.substr(0, tab), theirs = line.substr(tab + 1);
      auto info = pe::fileVersionInfo(path);
      char ours[32] = "-";
      if (info) std::snprintf(ours, sizeof ours, "%x %x", info->fileVersionMS, info->fileVersionLS);
      EXPECT_EQ(ours, theirs) << path;
      withVersion += info ? 1 : 0;
    }
    EXPECT_EQ(compared, count);
    EXPECT_GT(withVersion, 50);
  }

  // 2. The HTML Help control registered under the class the finder reads
  // (Wine registers it under others), and a second copy elsewhere on C:.
  reg::useFolder(prefix_, true);
  ASSERT_EQ(reg::RegSetValue(reg::HKEY_CLASSES_ROOT,
                             "CLSID\\{4662DAB0-D393-11D0-9A56-00C04FB68B66}\\InprocServer32",
                             "C:\\windows\\system32\\hhctrl.ocx"),
            reg::ERROR_SUCCESS);
  const std::string copy = prefix_ + "/drive_c/Program Files/Help Copy/hhctrl.ocx";
  fs::create_directories(fs::path(copy).parent_path());
  fs::copy_file(system32_ + "/hhctrl.ocx", copy);

  const std::string out = corpus::run(
      WRENLOW_BINARY_DIR "/src/cli/wrenlow-cli find html-components --prefix " + shq(prefix_));
  auto control = pe::fileVersionInfo(system32_ + "/hhctrl.ocx");
  ASSERT_TRUE(control);
  const std::string version = finders::versionText(*control, true);
  const std::string date = finders::fileDateText(system32_ + "/hhctrl.ocx");
  const std::string drive = fs::canonical(prefix_ + "/drive_c").string();
  std::string expected = "hhctrl.ocx\t" + version + "\t" + finders::fileDateText(copy) + "\t" +
                         drive + "/Program Files/Help Copy/hhctrl.ocx\n" + "hhctrl.ocx (已注册)\t" +
                         version + "\t" + date + "\t" + drive + "/windows/system32/hhctrl.ocx\n";
  // Wine's itss.dll, itircl.dll and hh.exe carry no version resource (pefile
  // agrees above), so the Part lists none of them; a component with a
  // version anywhere on C: would show up here as a further row.
  for (const char* name : {"itss.dll", "itircl.dll"})
    if (auto v = pe::fileVersionInfo(system32_ + "/" + name))
      ADD_FAILURE() << name << " has a version now";
  EXPECT_EQ(out, expected);
}

}  // namespace
