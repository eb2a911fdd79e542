// The string table: lookups, the message ranges, and format strings that match
// the argument lists their callers pass.
#include "res/strings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>

#include "res/ids.h"
#include "res/menus.h"
#include "res/string_table.h"

namespace {

// The conversions of a printf format, one letter each ("%s %u" → "su"); "%%"
// is no conversion. A "%1" insert counts as '1'. Anything else after a '%'
// yields '?', which no caller can pass arguments for.
std::string conversions(const char* format) {
  std::string out;
  for (const char* p = format; *p; ++p) {
    if (*p != '%') continue;
    ++p;
    if (*p == '%') continue;
    if (*p >= '1' && *p <= '9') {
      out += '1';
      continue;
    }
    while (*p && std::strchr("-+ #0", *p)) ++p;
    while (*p >= '0' && *p <= '9') ++p;
    if (*p == '.') {
      ++p;
      while (*p >= '0' && *p <= '9') ++p;
    }
    if (*p == 'l' || *p == 'h') ++p;
    if (*p && std::strchr("sudxXc", *p)) {
      out += *p == 'd' || *p == 'x' || *p == 'X' ? 'u' : *p;
    } else {
      out += '?';
      if (!*p) break;
    }
  }
  return out;
}

bool validUtf8(const char* s) {
  auto* p = reinterpret_cast<const unsigned char*>(s);
  while (*p) {
    int extra;
    unsigned cp;
    if (*p < 0x80) {
      ++p;
      continue;
    } else if ((*p & 0xE0) == 0xC0) {
      extra = 1, cp = *p & 0x1F;
    } else if ((*p & 0xF0) == 0xE0) {
      extra = 2, cp = *p & 0x0F;
    } else if ((*p & 0xF8) == 0xF0) {
      extra = 3, cp = *p & 0x07;
    } else {
      return false;
    }
    ++p;
    for (int i = 0; i < extra; ++i, ++p) {
      if ((*p & 0xC0) != 0x80) return false;
      cp = cp << 6 | (*p & 0x3F);
    }
    static constexpr unsigned kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  }
  return true;
}

TEST(StringTable, LookupFindsEveryEntryAndNothingElse) {
  auto table = res::stringTable();
  ASSERT_GT(table.size(), 90u);
  std::set<unsigned> ids;
  for (const auto& e : table) {
    ids.insert(e.id);
    EXPECT_EQ(res::findString(e.id), e.text) << e.id;
    EXPECT_EQ(LoadStr(e.id), e.text) << e.id;
  }
  // Neighbours of every entry that are not entries themselves miss.
  for (const auto& e : table) {
    for (unsigned id : {e.id - 1, e.id + 1}) {
      if (ids.count(id)) continue;
      EXPECT_EQ(res::findString(id), nullptr) << id;
      ASSERT_NE(LoadStr(id), nullptr);
      EXPECT_STREQ(LoadStr(id), "") << id;
    }
  }
  EXPECT_EQ(res::findString(0), nullptr);
  EXPECT_EQ(res::findString(~0u), nullptr);
}

TEST(StringTable, LoadedTextsStayValidAcrossLoads) {
  // Callers hold a loaded text while loading another (a caption and a message,
  // a format and its insert): a shared load buffer would break that.
  const char* first = LoadStr(IDS_CANNOT_OPEN);
  const char* second = LoadStr(IDS_OUT_OF_MEMORY);
  EXPECT_STREQ(first, "不能打开“%s”。");
  EXPECT_NE(std::string(first), std::string(second));
}

TEST(StringTable, ProgramMessagesArePresent) {
  // 4000-4067 except the four numbers that have no text.
  const std::set<unsigned> absent = {4018, 4020, 4026, 4032};
  for (unsigned id = 4000; id <= 4067; ++id) {
    if (absent.count(id)) {
      EXPECT_EQ(res::findString(id), nullptr) << id;
    } else {
      ASSERT_NE(res::findString(id), nullptr) << id;
      EXPECT_STRNE(res::findString(id), "") << id;
    }
  }
  for (unsigned id : {20480u, 20481u, 20482u, 20736u, 20737u, 20997u, 20998u, 20999u, 21000u,
                      57344u, 57345u, 59137u, 59138u, 1004u, 1018u, 128u}) {
    EXPECT_NE(res::findString(id), nullptr) << id;
  }
}

TEST(StringTable, EveryTextIsValidUtf8) {
  for (const auto& e : res::stringTable()) {
    EXPECT_TRUE(validUtf8(e.text)) << e.id;
    // The Windows program formatted into 1024-byte buffers.
    EXPECT_LT(std::strlen(e.text), 1024u) << e.id;
  }
}

TEST(StringTable, FormatsMatchTheirCallersArguments) {
  // Messages shown with one inserted text take exactly one "%s"; the report
  // and summary lines take the inserts listed here; every other text is
  // shown as it is and must not contain a conversion.
  std::map<unsigned, std::string> expected = {
      {IDS_PROJECT_NO_FILES, "s"},
      {IDS_INVALID_ITS_NAME, "s"},
      {IDS_ITS_FILES_SUMMARY, "sss"},
      {IDS_ITS_SIZE_SUMMARY, "ss"},
      {IDS_INVALID_FOLDER, "s"},
      {IDS_CANNOT_CREATE, "s"},
      {IDS_CANNOT_CREATE_FOLDER_LINE, "s"},
      {IDS_CANNOT_READ_FILE, "s"},
      {IDS_FILE_READ_ONLY, "s"},
      {IDS_SKIPPED, "s"},
      {IDS_CANNOT_CREATE_FILE, "s"},
      {IDS_WRITE_ERROR, "s"},
      {IDS_WRITE_ERROR_LINE, "s"},
      {IDS_DECOMPILE_SUMMARY, "ssssss"},
      {IDS_SITEMAP_FROM_CONTENTS, "ss"},
      {IDS_SITEMAP_FROM_INDEX, "ss"},
      {IDS_EXISTS_AS_FILE, "s"},
      {IDS_SEARCHING_COMPONENTS, "su"},
      {IDS_CONFIRM_DELETE, "s"},
      {IDS_CANNOT_DELETE, "s"},
      {IDS_FILE_EMPTY, "s"},
      {IDS_RECOMPILE_WRITE_ERROR, "ss"},
      {IDS_RECOMPILE_REDUCED, "sssssu"},
      {IDS_SEARCHING_HTMLHELP_FILES, "su"},
      {IDS_SEARCHING_WINHELP_FILES, "su"},
      {IDS_RECOMPILE_INCREASED, "sssssu"},
      {IDS_TOTAL_REDUCED, "ssssu"},
      {IDS_TOTAL_INCREASED, "ssssu"},
      {IDS_TEMP_FILES_FOUND, "s"},
      {IDS_TEMP_FILES_DELETED, "sss"},
      {IDS_CONTAINS_NO_FILES, "s"},
      {IDS_CREATED, "s"},
      {IDS_PROJECT_INCOMPLETE, "s"},
      {IDS_CANNOT_OPEN, "s"},
      {IDS_CANNOT_FIND_FILE, "1"},
      {IDS_ITS_NAME_CLIMBS, "ss"},
      {IDS_ITS_LINK_OUTSIDE, "s"},
      {IDS_ITS_NOT_STORED, "s"},
      {IDS_WINE_SERVER_RUNNING, "s"},
      {IDS_NOT_A_WINE_PREFIX, "s"},
      {IDS_REGISTRY_NAMES_FAILED, "ss"},
      {IDS_REGISTRY_FILE_UNREADABLE, "s"},
      {IDS_COMPILE_NO_PROJECT, "s"},
      {IDS_COMPILE_CANNOT_WRITE, "s"},
      {IDS_COMPILE_FILE_MISSING, "s"},
      {IDS_COMPILE_FILE_UNREADABLE, "s"},
      {IDS_COMPILE_UNKNOWN_OPTION, "s"},
      {IDS_COMPILE_BAD_ALIAS, "s"},
      {IDS_COMPILE_ALIAS_NOT_IN_PROJECT, "s"},
      {IDS_COMPILE_DUPLICATE_MAP, "s"},
      {IDS_COMPILE_BAD_WINDOW, "s"},
      {IDS_COMPILE_SECTION_IGNORED, "s"},
      {IDS_COMPILE_BAD_DEFINE, "s"},
      {IDS_COMPILE_NO_FILES, "s"},
      {IDS_COMPILE_DONE, "s"},
      {IDS_COMPILE_COUNTS, "sss"},
      {IDS_COMPILE_PROBLEMS, "ss"},
      {IDS_COMPILE_UNKNOWN_WINDOW, "s"},
      {IDS_COMPILE_FAILED, "s"},
      {IDS_OUTPUT_IS_INPUT, "s"},
      {IDS_OUTPUT_OUTSIDE_PROJECT, "s"},
      {IDS_LOG_OUTSIDE_PROJECT, "s"},
      {IDS_LOG_IS_INPUT, "s"},
      {IDS_READ_OUTSIDE_PROJECT, "s"},
      {IDS_READ_INCOMPLETE, "s"},
      {IDS_READ_NO_MEMORY, "s"},
      {IDS_LOG_CANNOT_WRITE, "s"},
      {IDS_READER_TOPICS_FOUND, "u"},
      {IDS_FOLDERS_SKIPPED, "s"},
      {IDS_ITS_FOLDER_SKIPPED, "s"},
      {IDS_COMPILE_NESTED_TOO_DEEP, "s"},
  };
  for (const auto& e : res::stringTable()) {
    auto it = expected.find(e.id);
    EXPECT_EQ(conversions(e.text), it == expected.end() ? "" : it->second) << e.id << " " << e.text;
  }
  EXPECT_EQ(conversions("%02u.%%.%-4s%"), "us?");
}

TEST(StringTable, TextsThatCarryLineEnds) {
  // Result lines are appended with their own "\r\n"; these texts start or end
  // with a line break that the layout of the results box relies on.
  EXPECT_EQ(std::string(LoadStr(IDS_CANCELLED_LINE)).rfind("\r\n", 0), 0u);
  EXPECT_EQ(std::string(LoadStr(IDS_TOTAL_REDUCED)).rfind("\r\n", 0), 0u);
  EXPECT_EQ(std::string(LoadStr(IDS_TOTAL_INCREASED)).rfind("\r\n", 0), 0u);
  std::string header = LoadStr(IDS_PROJECT_HEADER);
  ASSERT_GE(header.size(), 4u);
  EXPECT_EQ(header.substr(header.size() - 4), "\r\n\r\n");
  EXPECT_EQ(header[0], ';');
  // Suffixes appended to names start with their blank.
  EXPECT_EQ(LoadStr(IDS_NOT_EXIST_SUFFIX)[0], ' ');
  EXPECT_EQ(LoadStr(IDS_REGISTERED_SUFFIX)[0], ' ');
}

TEST(StringTable, SplitTexts) {
  // The help host's tool-bar captions: six parts for buttons 0xFF00-0xFF05.
  std::string captions = LoadStr(IDS_HH_BUTTON_CAPTIONS);
  int bars = 0;
  for (char c : captions) bars += c == '|';
  EXPECT_EQ(bars, ID_HHBTN_TEXT - ID_HHBTN_FIRST);
  // File-dialog filters: description|patterns|| .
  for (unsigned id : {IDS_CHM_FILTER, IDS_CHM_FILTER_DEFAULT}) {
    std::string f = LoadStr(id);
    ASSERT_GE(f.size(), 2u);
    EXPECT_EQ(f.substr(f.size() - 2), "||") << id;
    EXPECT_NE(f.find("|*.chm;*.its"), std::string::npos) << id;
  }
  // Document string: seven fields separated by "\n".
  std::string doc = LoadStr(IDR_MAINFRAME);
  int fields = 1;
  for (char c : doc) fields += c == '\n';
  EXPECT_EQ(fields, 7);
  EXPECT_STREQ(LoadStr(AFX_IDS_APP_TITLE), "Wrenlow");
}

void collectCommands(std::span<const res::MenuItem> items, std::vector<int>& out) {
  for (const auto& item : items) {
    if (item.flags & res::menuflag::POPUP) {
      collectCommands(item.children, out);
    } else if (!(item.flags & res::menuflag::SEPARATOR)) {
      out.push_back(item.id);
    }
  }
}

TEST(StringTable, EveryMenuCommandHasAStatusPrompt) {
  const res::Menu* menu = res::findMenu(IDR_MAINFRAME);
  ASSERT_NE(menu, nullptr);
  std::vector<int> commands;
  collectCommands(menu->items, commands);
  ASSERT_EQ(commands.size(), 14u);
  for (int id : commands) {
    const char* prompt = res::findString(static_cast<unsigned>(id));
    ASSERT_NE(prompt, nullptr) << id;
    // The status-bar prompt is the part before "\n" and must not be empty.
    EXPECT_NE(prompt[0], '\0') << id;
    EXPECT_NE(prompt[0], '\n') << id;
  }
  // Prompts are status texts, not the menu texts themselves.
  EXPECT_STRNE(LoadStr(ID_VIEW_CHM), "查看 CHM 文件(&E)...");
  EXPECT_STREQ(LoadStr(ID_FILE_EXIT), "退出应用程序；提示保存文档\n退出");
}

}  // namespace
