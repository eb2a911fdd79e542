// Help references and the help-file search.
#include "common/help_locator.h"

#include <gtest/gtest.h>

#include "common/call_html_help.h"
#include "platform/system/profile_file.h"
#include "tests/common/recording_prompter.h"
#include "tests/common/scratch_config.h"

namespace {

TEST(ParseHelpReference, ItsReferenceAndBareName) {
  std::string file;
  auto inner = ParseHelpReference("ms-its:C:\\Help\\Guide.chm::/html/intro.htm", file);
  ASSERT_TRUE(inner.has_value());
  EXPECT_EQ(file, "C:\\Help\\Guide.chm");
  EXPECT_EQ(*inner, "/html/intro.htm");

  EXPECT_FALSE(ParseHelpReference("Wrenlow \t\r\n", file).has_value());
  EXPECT_EQ(file, "Wrenlow.chm");

  inner = ParseHelpReference("\"MK:@MSITStore:/x/a.chm::/b.htm\"  more", file);
  EXPECT_EQ(file, "/x/a.chm");
  EXPECT_EQ(inner.value_or("?"), "/b.htm");
  ParseHelpReference("'its:/y/c.its  '", file);
  EXPECT_EQ(file, "/y/c.its");
  ParseHelpReference("\"unterminated", file);
  EXPECT_EQ(file, "unterminated.chm");
}

TEST(LocateHelpFile, FoundThroughTheHtmlHelpKeyOnly) {
  ScratchConfig scratch;
  std::string folder = scratch.root() + "/registered";
  ScratchConfig::write(folder + "/OnlyHere.chm", "ITSF");
  std::string path;
  EXPECT_FALSE(LocateHelpFile("OnlyHere.chm", path));
  ASSERT_EQ(
      reg::RegCreateKeyEx(reg::HKEY_LOCAL_MACHINE, kHtmlHelpKey, reg::KEY_ALL_ACCESS, nullptr),
      reg::ERROR_SUCCESS);
  reg::UniqueKey key;
  ASSERT_EQ(
      reg::RegOpenKeyEx(reg::HKEY_LOCAL_MACHINE, kHtmlHelpKey, 0, reg::KEY_ALL_ACCESS, key.put()),
      reg::ERROR_SUCCESS);
  ASSERT_EQ(
      reg::RegSetValueEx(key.get(), "onlyhere.chm", reg::REG_SZ, folder.c_str(), folder.size() + 1),
      reg::ERROR_SUCCESS);
  EXPECT_TRUE(LocateHelpFile("ms-its:D:\\elsewhere\\OnlyHere.chm::/x.htm", path));
  EXPECT_EQ(path, folder + "/OnlyHere.chm");
}

TEST(LocateHelpFile, SharedHelpFolderThenHhIniWithItsPrompt) {
  ScratchConfig scratch;
  std::string path;
  // Without "SharedDir" the shared folder is the Windows folder.
  EXPECT_EQ(GetSharedHelpRoot(), scratch.windows());
  ScratchConfig::write(scratch.windows() + "/Help/shared.chm", "ITSF");
  EXPECT_TRUE(LocateHelpFile("shared", path));
  EXPECT_EQ(path, scratch.windows() + "/Help/shared.chm");

  std::string missing = scratch.root() + "/cd/disk.chm";
  profile::WritePrivateProfileString("files", "disk.chm", missing + ",请插入光盘", "hh.ini");
  {
    ScopedRecordingPrompter prompter{IDOK, IDCANCEL};
    EXPECT_TRUE(LocateHelpFile("disk.chm", path));  // the path, though it still does not exist
    EXPECT_EQ(path, missing);
    ASSERT_EQ(prompter.count(), 2u);
    EXPECT_EQ(prompter.last().text, "请插入光盘");
    EXPECT_EQ(prompter.last().flags, MB_ICONERROR | MB_OKCANCEL);
  }
  profile::WritePrivateProfileString("files", "noprompt.chm", missing, "hh.ini");
  profile::WritePrivateProfileString("files", "short.chm", "x", "hh.ini");
  ScopedRecordingPrompter silent;
  EXPECT_FALSE(LocateHelpFile("noprompt.chm", path));
  EXPECT_FALSE(LocateHelpFile("short.chm", path));
  EXPECT_EQ(silent.count(), 0u);
}

TEST(CallHtmlHelp, AnswersMinusOneWithoutViewerAndStaysFailed) {
  EXPECT_EQ(CallHtmlHelp(nullptr, "Wrenlow.chm>DlgHelp", HH_HELP_CONTEXT, 402), -1);
  struct Viewer : HtmlHelpService {
    std::intptr_t htmlHelp(void*, std::string_view, unsigned command, std::uintptr_t) override {
      return static_cast<std::intptr_t>(command);
    }
  } viewer;
  setHtmlHelpService(&viewer);
  EXPECT_EQ(CallHtmlHelp(nullptr, "Wrenlow.chm", HH_TP_HELP_WM_HELP, 0), 17);
  setHtmlHelpService(nullptr);
}

}  // namespace
