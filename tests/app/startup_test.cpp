// Start-up and exit of the application object with a scratch configuration
// folder, a recording prompter and a front end that only records.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "app/tool_set_app.h"
#include "common/history_list.h"
#include "common/messages.h"
#include "platform/registry/registry.h"
#include "platform/shell/shell.h"
#include "res/ids.h"
#include "res/strings.h"
#include "tests/common/recording_prompter.h"
#include "tests/common/scratch_config.h"

namespace fs = std::filesystem;

namespace {

struct RecordingFrontEnd : AppFrontEnd {
  std::vector<std::string> calls;
  std::string viewerFile, mainFile;
  bool createSucceeds = true;
  int window = 0;  // its address stands for the main window
  void runViewer(const std::string& file) override {
    calls.push_back("viewer");
    viewerFile = file;
  }
  bool createMainWindow(const std::string& file) override {
    calls.push_back("create");
    mainFile = file;
    return createSucceeds;
  }
  void* mainWindow() override { return &window; }
  void showMainWindow() override { calls.push_back("show"); }
  void installWindowHook() override { calls.push_back("hook"); }
  void removeWindowHook() override { calls.push_back("unhook"); }
  void runTemporaryFileCheck() override { calls.push_back("tempcheck"); }
};

class StartupTest : public ::testing::Test {
 protected:
  StartupTest() { SetMessageBoxContext(nullptr, "", false); }
  ~StartupTest() override { SetMessageBoxContext(nullptr, "", false); }

  std::string programs() const { return scratch_.applications(); }
  ShellPlaces places() const { return {"/opt/wrenlow bin/wrenlow", programs()}; }

  // One run of the program: start-up with the arguments, then exit.
  CToolSetApp::Mode run(std::vector<std::string> args = {}) {
    RecordingFrontEnd frontEnd;
    CToolSetApp app(frontEnd, places());
    app.InitInstance(args);
    lastCalls_ = frontEnd.calls;
    app.ExitInstance();
    return app.mode();
  }

  std::vector<std::uint8_t> storedPreferences() {
    reg::UniqueKey key;
    std::vector<std::uint8_t> data;
    if (reg::RegOpenKeyEx(reg::HKEY_OWN_CURRENT_USER, "Software\\Marrowby\\Wrenlow\\Settings", 0,
                          reg::KEY_READ, key.put()) == reg::ERROR_SUCCESS)
      reg::RegQueryValueEx(key.get(), "Preferences", nullptr, &data);
    return data;
  }

  std::string verb(const char* cls) {
    std::string text;
    if (reg::RegQueryValue(reg::HKEY_OWN_CLASSES_ROOT,
                           std::string(cls) + "\\shell\\Examine\\command",
                           &text) != reg::ERROR_SUCCESS)
      return "<none>";
    return text;
  }

  ScratchConfig scratch_;
  std::vector<std::string> lastCalls_;
};

constexpr const char* kCommand = "\"/opt/wrenlow bin/wrenlow\" %1";

TEST_F(StartupTest, MarrowbyGroupAlreadyHoldingTheShortcut) {
  std::string link = programs() + "/Marrowby/" + shell::kShortcutFile;
  ScratchConfig::write(link, "mine");
  ScopedRecordingPrompter prompter;
  run();
  EXPECT_EQ(prompter.count(), 0u);
  EXPECT_EQ(ScratchConfig::read(link), "mine");
  EXPECT_EQ(verb("chm.file"), kCommand);
  EXPECT_EQ(verb("ITS File"), kCommand);
  EXPECT_EQ(storedPreferences(), (std::vector<std::uint8_t>{1, 0, 0, 0, 0, 0, 0, 0}));
  // The desktop entry offers the program for compiled help files.
  std::string entry = ScratchConfig::read(programs() + "/" + shell::kExamineEntryFile);
  EXPECT_NE(entry.find("MimeType=application/vnd.ms-htmlhelp;application/x-chm;\n"),
            std::string::npos);
  EXPECT_NE(entry.find("Exec=\"/opt/wrenlow bin/wrenlow\" %f\n"), std::string::npos);
  // The "Examine" and "Read" actions, in an entry the desktop's own checker
  // accepts.
  EXPECT_NE(entry.find("Actions=Examine;Read;\n"), std::string::npos);
  EXPECT_NE(entry.find("[Desktop Action Read]\nName=Read\nName[zh_CN]=阅读\n"
                       "Exec=\"/opt/wrenlow bin/wrenlow\" --read %f\n"),
            std::string::npos);
  if (std::system("command -v desktop-file-validate >/dev/null") == 0) {
    const std::string path = programs() + "/" + shell::kExamineEntryFile;
    EXPECT_EQ(std::system(("desktop-file-validate '" + path + "'").c_str()), 0);
  }
}

TEST_F(StartupTest, MarrowbyGroupGetsTheShortcutAndSaysSo) {
  fs::create_directories(programs() + "/Marrowby");
  ScopedRecordingPrompter prompter;
  run();
  ASSERT_EQ(prompter.count(), 1u);
  EXPECT_EQ(prompter.last().text, LoadStr(IDS_ADDED_TO_GROUP));
  EXPECT_EQ(prompter.last().flags, MB_ICONEXCLAMATION | MB_OK);
  EXPECT_EQ(prompter.last().owner, nullptr);  // before the main window exists
  std::string shortcut = ScratchConfig::read(programs() + "/Marrowby/" + shell::kShortcutFile);
  EXPECT_NE(shortcut.find("Exec=\"/opt/wrenlow bin/wrenlow\"\n"), std::string::npos);
  EXPECT_NE(shortcut.find("Name=Wrenlow\n"), std::string::npos);
}

TEST_F(StartupTest, NeitherGroupAsksNothingNowOrLater) {
  ScopedRecordingPrompter prompter;
  run();
  EXPECT_EQ(prompter.count(), 0u);
  EXPECT_EQ(verb("chm.file"), kCommand);
  // The integration does not run again: verbs removed meanwhile stay removed.
  ASSERT_EQ(reg::RegDeleteKey(reg::HKEY_OWN_CLASSES_ROOT, "chm.file\\shell\\Examine\\command"),
            reg::ERROR_SUCCESS);
  fs::create_directories(programs() + "/HTML Help Workshop");
  run();
  EXPECT_EQ(prompter.count(), 0u);
  EXPECT_EQ(verb("chm.file"), "<none>");
}

TEST_F(StartupTest, NoToTheWorkshopQuestionIsFinal) {
  fs::create_directories(programs() + "/HTML Help Workshop");
  ScopedRecordingPrompter prompter{IDNO};
  run();
  ASSERT_EQ(prompter.count(), 1u);
  EXPECT_EQ(prompter.last().text, LoadStr(IDS_ADD_TO_WORKSHOP_GROUP));
  EXPECT_EQ(prompter.last().flags, MB_YESNO);
  EXPECT_FALSE(fs::exists(programs() + "/HTML Help Workshop/" + shell::kShortcutFile));
  EXPECT_EQ(verb("ITS File"), kCommand);
  EXPECT_EQ(storedPreferences()[0], 1);
  run();
  EXPECT_EQ(prompter.count(), 1u);
}

TEST_F(StartupTest, YesToTheWorkshopQuestionMakesTheShortcutSilently) {
  fs::create_directories(programs() + "/HTML Help Workshop");
  ScopedRecordingPrompter prompter{IDYES};
  run();
  EXPECT_EQ(prompter.count(), 1u);
  EXPECT_TRUE(fs::exists(programs() + "/HTML Help Workshop/" + shell::kShortcutFile));
}

TEST_F(StartupTest, FourBytePreferencesReadWithWordOneZeroAndAreKept) {
  reg::UniqueKey key;
  ASSERT_EQ(reg::RegCreateKeyEx(reg::HKEY_CURRENT_USER, "Software\\Marrowby\\Wrenlow\\Settings",
                                reg::KEY_ALL_ACCESS, key.put()),
            reg::ERROR_SUCCESS);
  const std::uint8_t four[4] = {0x05, 0, 0, 0};
  ASSERT_EQ(reg::RegSetValueEx(key.get(), "Preferences", reg::REG_BINARY, four, 4),
            reg::ERROR_SUCCESS);
  RecordingFrontEnd frontEnd;
  ScopedRecordingPrompter prompter;
  CToolSetApp app(frontEnd, places());
  app.InitInstance({});
  EXPECT_EQ(app.preferences[0], 5u);
  EXPECT_EQ(app.preferences[1], 0u);
  EXPECT_EQ(prompter.count(), 0u);
  EXPECT_EQ(verb("chm.file"), "<none>");  // bit 0 was set: no integration
  app.ExitInstance();
  EXPECT_EQ(storedPreferences(), (std::vector<std::uint8_t>{5, 0, 0, 0}));  // unchanged
}

TEST_F(StartupTest, NothingWrittenAtExitWhenNothingChanged) {
  run();  // the first run writes bit 0
  std::string hive = scratch_.config() + "/user.reg";
  std::string before = ScratchConfig::read(hive);
  auto stamp = fs::last_write_time(hive);
  {
    RecordingFrontEnd frontEnd;
    CToolSetApp app(frontEnd, places());
    ASSERT_TRUE(app.InitInstance({}));
    GetHistoryList("ITS 文件", 9).Load();  // used but not changed
    EXPECT_EQ(app.ExitInstance(), 0);
  }
  EXPECT_EQ(ScratchConfig::read(hive), before);
  EXPECT_EQ(fs::last_write_time(hive), stamp);
  EXPECT_FALSE(fs::exists(scratch_.windows() + "/Wrenlow.ini"));
}

TEST_F(StartupTest, ChangedSettingsAndListsAreWrittenAtExit) {
  run();
  std::string recent = scratch_.root() + "/recent.chm";
  ScratchConfig::write(recent, "x");
  {
    RecordingFrontEnd frontEnd;
    CToolSetApp app(frontEnd, places());
    app.InitInstance({});
    app.experience = 2;
    app.preferences[1] = 0x10;
    GetHistoryList("ITS 文件", 9).AddRecent(recent);
    app.ExitInstance();
  }
  EXPECT_EQ(storedPreferences(), (std::vector<std::uint8_t>{1, 0, 0, 0, 0x10, 0, 0, 0}));
  std::int32_t experience = 0;
  EXPECT_EQ(ReadSetting("Information Types", "Experience", &experience, 4), 4u);
  EXPECT_EQ(experience, 2);
  EXPECT_NE(ScratchConfig::read(scratch_.windows() + "/Wrenlow.ini").find("File0=" + recent),
            std::string::npos);
}

// Every file of a folder with its contents and modification time.
std::map<std::string, std::pair<std::string, fs::file_time_type>> snapshot(const std::string& dir) {
  std::map<std::string, std::pair<std::string, fs::file_time_type>> out;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    out[e.path().string()] = {e.is_regular_file() ? ScratchConfig::read(e.path().string()) : "",
                              fs::last_write_time(e.path())};
  return out;
}

TEST_F(StartupTest, AWinePrefixIsLeftAsItWasAndTheIntegrationRunsOnce) {
  const std::string prefix = scratch_.root() + "/prefix";
  ScratchConfig::write(prefix + "/user.reg",
                       "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\n\n"
                       "[Software\\\\Wine] 1700000002\n\"Version\"=\"win10\"\n");
  ScratchConfig::write(prefix + "/system.reg",
                       "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n");
  ::setenv("WRENLOW_WINEPREFIX", prefix.c_str(), 1);
  reg::useFolder(prefix, true);
  const auto before = snapshot(prefix);
  ScopedRecordingPrompter prompter;
  run();
  EXPECT_EQ(verb("chm.file"), kCommand);
  EXPECT_EQ(storedPreferences(), (std::vector<std::uint8_t>{1, 0, 0, 0, 0, 0, 0, 0}));
  // The second start finds its settings and does not integrate again.
  ASSERT_EQ(reg::RegDeleteKey(reg::HKEY_OWN_CLASSES_ROOT, "chm.file\\shell\\Examine\\command"),
            reg::ERROR_SUCCESS);
  run();
  EXPECT_EQ(verb("chm.file"), "<none>");
  EXPECT_EQ(snapshot(prefix), before);
  std::string text;
  EXPECT_NE(reg::RegQueryValue(reg::HKEY_CLASSES_ROOT, "ITS File\\shell\\Examine\\command", &text),
            reg::ERROR_SUCCESS);
  ::unsetenv("WRENLOW_WINEPREFIX");
  reg::useFolder(scratch_.config());
}

TEST_F(StartupTest, ExamineModeByNameSubstring) {
  for (std::string file : {"HELP.CHM", "a.its.bak", "/x/Manual.Chm"}) {
    RecordingFrontEnd frontEnd;
    CToolSetApp app(frontEnd, places());
    EXPECT_FALSE(app.InitInstance({file})) << file;
    EXPECT_EQ(app.mode(), CToolSetApp::Mode::Examine);
    EXPECT_EQ(frontEnd.calls, std::vector<std::string>{"viewer"}) << file;
    EXPECT_EQ(frontEnd.viewerFile, file);
    EXPECT_EQ(messageBoxContext().owner, nullptr);
    app.ExitInstance();
  }
  // The exit steps ran: bit 0 reached the registry.
  EXPECT_EQ(storedPreferences()[0], 1);
}

TEST_F(StartupTest, NormalModeForOtherFiles) {
  RecordingFrontEnd frontEnd;
  CToolSetApp app(frontEnd, places());
  EXPECT_TRUE(app.InitInstance({"notes.txt"}));
  EXPECT_EQ(app.mode(), CToolSetApp::Mode::Normal);
  EXPECT_EQ(frontEnd.mainFile, "notes.txt");
  EXPECT_EQ(frontEnd.calls, (std::vector<std::string>{"create", "hook", "show", "tempcheck"}));
  EXPECT_EQ(messageBoxContext().owner, &frontEnd.window);
  EXPECT_EQ(messageBoxContext().caption, "Wrenlow");
  app.ExitInstance();
  EXPECT_EQ(frontEnd.calls.back(), "unhook");

  RecordingFrontEnd failing;
  failing.createSucceeds = false;
  CToolSetApp second(failing, places());
  EXPECT_FALSE(second.InitInstance({"missing.txt"}));
  EXPECT_EQ(second.mode(), CToolSetApp::Mode::Failed);
  EXPECT_EQ(failing.calls, std::vector<std::string>{"create"});
  second.ExitInstance();
}

TEST(ExamineFile, SubstringTestIgnoresCaseOnly) {
  EXPECT_TRUE(IsExamineFile("x.ITS"));
  EXPECT_TRUE(IsExamineFile("my.chmfiles/readme"));
  EXPECT_FALSE(IsExamineFile("notes.txt"));
  EXPECT_FALSE(IsExamineFile("chm"));
  EXPECT_FALSE(IsExamineFile("x_chm"));
}

}  // namespace
