// The help-location entries against scratch hives: which folders are
// tested for missing files, what a save writes (and that a save without an
// edit writes nothing), and a hive that cannot be parsed is never written.
#include "helpreg/help_registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "helpreg/installation.h"
#include "platform/registry/hive_file.h"
#include "platform/registry/registry.h"

namespace fs = std::filesystem;
using helpreg::Change;
using helpreg::Entry;
using helpreg::Mode;

namespace {

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// A scratch folder holding the hives, the registry pointed at it.
class HelpRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/wrenlow-helpreg-XXXXXX";
    dir_ = ::mkdtemp(pattern);
    ::unsetenv("WRENLOW_WINEPREFIX");
    reg::useFolder(dir_.string());
  }
  void TearDown() override {
    ::unsetenv("WRENLOW_WINEPREFIX");
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir_);
  }
  void put(const std::string& name, const std::string& folder) {
    ASSERT_TRUE(helpreg::setValue(Mode::HtmlHelp, {name, folder}).ok());
  }
  std::vector<Entry> entries() { return helpreg::readEntries(Mode::HtmlHelp, drives()).entries; }
  // "/" is a local disk, "/dev/shm" memory, "/proc" virtual, C: fixed.
  static helpreg::FixedDrives drives() {
    sysdrives::DriveTable letters{};
    letters['C' - 'A'] = true;
    return helpreg::FixedDrives(
        letters, "",
        {{"/", "ext4", "/dev/vda"}, {"/dev/shm", "tmpfs", "tmpfs"}, {"/proc", "proc", "proc"}});
  }
  fs::path hive() const { return dir_ / "system.reg"; }

  fs::path dir_;
};

TEST_F(HelpRegistry, OnlyFilesInFoldersOnFixedDrivesAreTestedAndMarkedMissing) {
  const std::string here = dir_.string();
  std::ofstream(dir_ / "present.chm") << "x";
  put("present.chm", here);
  put("gone.chm", here);
  put("shm.chm", "/dev/shm/wrenlow-no-such-folder");
  put("proc.chm", "/proc/no-such-folder");
  put("share.chm", "\\\\server\\share");
  put("cdrom.chm", "D:\\help");
  put("relative.chm", "help");
  put("drive.chm", "C:" + here);  // C: stands for the root folder here
  put("gone2.chm", "C:" + here + "\\");

  const helpreg::Listing l = helpreg::readEntries(Mode::HtmlHelp, drives());
  ASSERT_EQ(l.entries.size(), 9u);
  std::vector<std::string> missing;
  for (const auto& m : l.missing) missing.push_back(l.entries[m.row].name + "=" + m.path);
  // A native folder is joined with "/", a drive folder with "\\".
  EXPECT_EQ(missing, (std::vector<std::string>{"gone.chm=" + here + "/gone.chm",
                                               "drive.chm=C:" + here + "\\drive.chm",
                                               "gone2.chm=C:" + here + "\\gone2.chm"}));
}

TEST_F(HelpRegistry, AValueTooLongForTheBuffersEndsTheList) {
  put("a.chm", "/x");
  put(std::string(259, 'n'), "/fits");  // 259 bytes and the zero fill the buffer
  put(std::string(260, 'n'), "/y");     // one more: too long
  put("c.chm", "/z");
  const helpreg::Listing l = helpreg::readEntries(Mode::HtmlHelp, drives());
  EXPECT_TRUE(l.cutShort);
  ASSERT_EQ(l.entries.size(), 2u);
  EXPECT_EQ(l.entries[1].folder, "/fits");
  // Passed over instead: every value that fits, the long one named.
  const helpreg::Listing all =
      helpreg::readEntries(Mode::HtmlHelp, drives(), helpreg::LongValues::Skip);
  EXPECT_TRUE(all.cutShort);
  ASSERT_EQ(all.entries.size(), 3u);
  EXPECT_EQ(all.entries[2].name, "c.chm");
  EXPECT_EQ(all.tooLong, std::vector<std::string>{std::string(260, 'n')});
}

TEST_F(HelpRegistry, SavePlanComparesNamesWithoutCaseAndFoldersWithIt) {
  const std::vector<Entry> snapshot{{"a.chm", "C:\\one"}, {"B.chm", "C:\\two"}, {"c.chm", "C:\\x"}};
  // Same name in other letters and same folder: nothing to do.
  EXPECT_TRUE(
      helpreg::planSave(snapshot, {{"A.CHM", "C:\\one"}, {"b.chm", "C:\\two"}, {"c.chm", "C:\\x"}})
          .empty());
  // A folder differing only in case is a change: delete, then write.
  const auto plan = helpreg::planSave(snapshot, {{"a.chm", "C:\\ONE"}, {"B.chm", "C:\\two"}});
  ASSERT_EQ(plan.size(), 3u);
  EXPECT_EQ(plan[0].kind, Change::Delete);
  EXPECT_EQ(plan[0].entry.name, "a.chm");
  EXPECT_EQ(plan[1].kind, Change::Write);
  EXPECT_EQ(plan[1].entry.folder, "C:\\ONE");
  EXPECT_EQ(plan[2].kind, Change::Delete);  // c.chm left the list
  EXPECT_EQ(plan[2].entry.name, "c.chm");
}

TEST_F(HelpRegistry, AddingANameTwiceWritesEachRowTheLastOneStays) {
  put("old.chm", "/first");
  const auto snapshot = entries();
  // An old name is compared with its first row only; a new one is written
  // once per row.
  const std::vector<Entry> edited{
      {"old.chm", "/first"}, {"old.chm", "/second"}, {"new.chm", "/a"}, {"NEW.chm", "/b"}};
  const auto plan = helpreg::planSave(snapshot, edited);
  ASSERT_EQ(plan.size(), 2u);
  ASSERT_TRUE(helpreg::applyChanges(Mode::HtmlHelp, plan).ok());
  EXPECT_EQ(entries(), (std::vector<Entry>{{"old.chm", "/first"}, {"new.chm", "/b"}}));
}

TEST_F(HelpRegistry, SavingRemovesExactlyTheDeletedRowAndNoEditWritesNothing) {
  put("a.chm", "/a");
  put("b.chm", "/b");
  put("c.chm", "/c");
  auto snapshot = entries();
  const std::string before = readFile(hive());
  const struct stat old = [&] {
    struct stat st {};
    ::stat(hive().c_str(), &st);
    return st;
  }();
  ASSERT_TRUE(helpreg::applyChanges(Mode::HtmlHelp, helpreg::planSave(snapshot, snapshot)).ok());
  struct stat now {};
  ::stat(hive().c_str(), &now);
  EXPECT_EQ(readFile(hive()), before);
  EXPECT_EQ(now.st_ino, old.st_ino);  // not even replaced by an equal copy

  auto edited = snapshot;
  edited.erase(edited.begin() + 1);
  ASSERT_TRUE(helpreg::applyChanges(Mode::HtmlHelp, helpreg::planSave(snapshot, edited)).ok());
  EXPECT_EQ(entries(), (std::vector<Entry>{{"a.chm", "/a"}, {"c.chm", "/c"}}));
}

// A save or a clean-up of any length replaces the hive once, and leaves
// the rows in the order a change at a time would.
TEST_F(HelpRegistry, ThousandsOfChangesAreOneWrite) {
  put("f0.chm", "/old");  // the key exists: making it is a write of its own
  int writes = 0;
  reg::HiveFile::setBeforeRenameHook([&] { ++writes; });
  std::vector<Change> adds;
  for (int i = 0; i < 3000; ++i)
    adds.push_back({Change::Write, {"f" + std::to_string(i) + ".chm", "/x"}});
  ASSERT_TRUE(helpreg::applyChanges(Mode::HtmlHelp, adds).ok());
  EXPECT_EQ(writes, 1);
  std::vector<std::string> gone;
  for (int i = 0; i < 3000; i += 2) gone.push_back("F" + std::to_string(i) + ".CHM");
  gone.push_back("never-there.chm");  // already gone counts as deleted
  EXPECT_TRUE(helpreg::deleteValues(Mode::HtmlHelp, gone).ok());
  EXPECT_EQ(writes, 2);
  // Delete then write again (a changed folder) moves the row to the end.
  ASSERT_TRUE(helpreg::applyChanges(Mode::HtmlHelp, {{Change::Delete, {"f1.chm", ""}},
                                                     {Change::Write, {"f1.chm", "/y"}}})
                  .ok());
  EXPECT_EQ(writes, 3);
  reg::HiveFile::setBeforeRenameHook({});
  const auto now = entries();
  ASSERT_EQ(now.size(), 1500u);
  EXPECT_EQ(now.front(), (Entry{"f3.chm", "/x"}));
  EXPECT_EQ(now.back(), (Entry{"f1.chm", "/y"}));
}

TEST_F(HelpRegistry, AHiveThatCannotBeParsedIsNeverWritten) {
  const std::string garbage = "this is not a registry file\n[unterminated\n";
  std::ofstream(hive()) << garbage;
  const auto r = helpreg::applyChanges(Mode::HtmlHelp, {{Change::Write, {"x.chm", "/x"}}});
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(readFile(hive()), garbage);
  EXPECT_FALSE(helpreg::deleteValues(Mode::HtmlHelp, {"x.chm"}).ok());
  EXPECT_EQ(readFile(hive()), garbage);
}

TEST_F(HelpRegistry, AReadOnlyHiveRefusesTheKeyAndKeepsItsBytes) {
  put("a.chm", "/a");
  const std::string before = readFile(hive());
  ::chmod(hive().c_str(), 0444);
  const auto r = helpreg::applyChanges(Mode::HtmlHelp, {{Change::Delete, {"a.chm", ""}}});
  EXPECT_FALSE(r.keyOpened);
  EXPECT_EQ(readFile(hive()), before);
}

// A prefix made by hand (no Wine needed): drive letters through dosdevices,
// chosen files mapped back to them, names found without regard to case.
TEST_F(HelpRegistry, PrefixDriveLettersMapChosenFilesAndFindFilesWithoutCase) {
  const fs::path prefix = dir_ / "prefix";
  fs::create_directories(prefix / "drive_c" / "Help");
  fs::create_directories(prefix / "dosdevices");
  fs::create_symlink("../drive_c", prefix / "dosdevices" / "c:");
  fs::create_symlink("/", prefix / "dosdevices" / "z:");
  std::ofstream(prefix / "system.reg")
      << "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n";
  std::ofstream(prefix / "drive_c" / "root.chm") << "x";
  std::ofstream(prefix / "drive_c" / "Help" / "Guide.CHM") << "x";
  std::string problem;
  EXPECT_FALSE(helpreg::useWinePrefix((dir_ / "nothing").string(), &problem));
  EXPECT_NE(problem.find("nothing"), std::string::npos);
  ASSERT_TRUE(helpreg::useWinePrefix(prefix.string(), &problem)) << problem;

  EXPECT_EQ(helpreg::entryForFile((prefix / "drive_c" / "root.chm").string()),
            (Entry{"root.chm", "C:"}));
  EXPECT_EQ(helpreg::entryForFile((prefix / "drive_c" / "Help" / "Guide.CHM").string()),
            (Entry{"Guide.CHM", "C:\\Help"}));
  // Outside drive_c only Z: holds it.
  const fs::path elsewhere = dir_ / "else.chm";
  EXPECT_EQ(helpreg::entryForFile(elsewhere.string()).folder,
            "Z:" + std::regex_replace(dir_.string(), std::regex("/"), "\\"));

  EXPECT_TRUE(helpreg::registeredFileExists("c:\\HELP\\guide.chm"));
  EXPECT_TRUE(helpreg::registeredFileExists("C:\\root.chm"));
  EXPECT_FALSE(helpreg::registeredFileExists("C:\\Help\\other.chm"));
  // Written to the prefix's system.reg, not to the scratch folder's.
  ASSERT_TRUE(helpreg::setValue(Mode::HtmlHelp, {"root.chm", "C:"}).ok());
  EXPECT_NE(readFile(prefix / "system.reg").find("root.chm"), std::string::npos);
  EXPECT_FALSE(fs::exists(hive()));
}

}  // namespace
