// The main menu and its accelerators.
#include "res/menus.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "res/ids.h"
#include "res/strings.h"

namespace {

using res::MenuItem;
namespace mf = res::menuflag;

// The mnemonic letter of a menu text ("退出(&X)" → 'X'), 0 when there is none;
// -1 when the text holds more than one.
int mnemonic(const char* text) {
  int found = 0;
  for (const char* p = text; *p; ++p) {
    if (*p != '&') continue;
    if (p[1] == '&') {
      ++p;
      continue;
    }
    if (found) return -1;
    found = static_cast<unsigned char>(p[1]);
  }
  return found;
}

void checkPopup(std::span<const MenuItem> items, const std::string& where,
                std::vector<int>& commands) {
  ASSERT_FALSE(items.empty()) << where;
  EXPECT_FALSE(items.front().flags & mf::SEPARATOR) << where << ": leading separator";
  EXPECT_FALSE(items.back().flags & mf::SEPARATOR) << where << ": trailing separator";
  std::set<int> letters;
  bool lastWasSeparator = false;
  for (const MenuItem& item : items) {
    if (item.flags & mf::SEPARATOR) {
      EXPECT_FALSE(lastWasSeparator) << where << ": two separators in a row";
      EXPECT_EQ(item.text, nullptr);
      EXPECT_TRUE(item.children.empty());
      lastWasSeparator = true;
      continue;
    }
    lastWasSeparator = false;
    ASSERT_NE(item.text, nullptr) << where;
    int m = mnemonic(item.text);
    EXPECT_GT(m, 0) << where << " / " << item.text << ": needs exactly one mnemonic";
    EXPECT_TRUE(letters.insert(m).second) << where << " / " << item.text << ": mnemonic reused";
    if (item.flags & mf::POPUP) {
      EXPECT_EQ(item.id, 0) << item.text;
      checkPopup(item.children, where + " / " + item.text, commands);
    } else {
      EXPECT_GT(item.id, 0) << item.text;
      EXPECT_TRUE(item.children.empty()) << item.text;
      commands.push_back(item.id);
    }
  }
}

TEST(Menus, MainMenuIsWellFormed) {
  const res::Menu* menu = res::findMenu(IDR_MAINFRAME);
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->items.size(), 3u);
  for (const MenuItem& top : menu->items) EXPECT_TRUE(top.flags & mf::POPUP) << top.text;
  EXPECT_STREQ(menu->items[0].text, "文件(&F)");
  EXPECT_STREQ(menu->items[1].text, "工具(&T)");
  EXPECT_STREQ(menu->items[2].text, "帮助(&H)");
  std::vector<int> commands;
  checkPopup(menu->items, "menu", commands);
  std::set<int> unique(commands.begin(), commands.end());
  EXPECT_EQ(unique.size(), commands.size()) << "a command appears twice";
  EXPECT_EQ(res::findMenu(0), nullptr);
  EXPECT_EQ(res::findMenu(IDD_VIEWER), nullptr);
}

// The items of one popup as (text, id) with separators as (nullptr, 0).
std::vector<std::pair<std::string, int>> flatten(std::span<const MenuItem> items) {
  std::vector<std::pair<std::string, int>> out;
  for (const MenuItem& i : items) out.emplace_back(i.text ? i.text : "-", i.id);
  return out;
}

TEST(Menus, ToolsMenuReachesEveryTool) {
  const res::Menu* menu = res::findMenu(IDR_MAINFRAME);
  ASSERT_NE(menu, nullptr);
  const MenuItem& tools = menu->items[1];
  using V = std::vector<std::pair<std::string, int>>;
  EXPECT_EQ(flatten(tools.children), (V{{"重新编译(&R)...", ID_RECOMPILE},
                                        {"反编译(&D)...", ID_DECOMPILE},
                                        {"创建 ITS 文件(&I)...", ID_CREATE_ITS},
                                        {"-", 0},
                                        {"查找帮助注册表项(&H)", 0},
                                        {"查找帮助文件(&F)", 0},
                                        {"-", 0},
                                        {"查看 CHM 文件(&E)...", ID_VIEW_CHM}}));
  EXPECT_EQ(flatten(tools.children[4].children), (V{{"HTML 帮助注册(&H)", ID_HTMLHELP_REGISTRY},
                                                    {"WinHelp 注册(&W)", ID_WINHELP_REGISTRY}}));
  EXPECT_EQ(flatten(tools.children[5].children),
            (V{{"HTML 帮助组件(&C)", ID_FIND_HTMLHELP_COMPONENTS},
               {"WinHelp 组件(&O)", ID_FIND_WINHELP_COMPONENTS},
               {"-", 0},
               {"HTML 帮助文件(&H)", ID_FIND_HTMLHELP_FILES},
               {"WinHelp 文件(&W)", ID_FIND_WINHELP_FILES}}));
  EXPECT_EQ(flatten(menu->items[2].children), (V{{"帮助主题(&T)...", ID_HELP_TOPICS},
                                                 {"入门(&S)...", ID_HELP_GETTING_STARTED},
                                                 {"-", 0},
                                                 {"版本信息(&V)...", ID_HELP_ABOUT}}));
  EXPECT_EQ(flatten(menu->items[0].children), (V{{"退出(&X)", ID_FILE_EXIT}}));
}

void collect(std::span<const MenuItem> items, std::set<int>& out) {
  for (const MenuItem& i : items) {
    if (i.id) out.insert(i.id);
    collect(i.children, out);
  }
}

TEST(Menus, AcceleratorsMapToCommands) {
  auto table = res::findAccelerators(IDR_MAINFRAME);
  ASSERT_EQ(table.size(), 4u);
  std::set<int> menuCommands;
  collect(res::findMenu(IDR_MAINFRAME)->items, menuCommands);
  std::set<std::pair<int, unsigned>> keys;
  for (const res::Accelerator& a : table) {
    EXPECT_TRUE(keys.insert({a.key, a.modifiers}).second) << "key used twice: " << a.key;
    EXPECT_TRUE((a.key >= 'A' && a.key <= 'Z') || (a.key >= '0' && a.key <= '9')) << a.key;
    EXPECT_NE(a.modifiers, 0u) << "a bare letter would swallow typing: " << a.key;
    // Every accelerator names a declared command (one with a prompt); all but
    // the inert save-results command are also on the menu.
    EXPECT_NE(res::findString(static_cast<unsigned>(a.command)), nullptr) << a.command;
    if (a.command != ID_SAVE_RESULTS) {
      EXPECT_TRUE(menuCommands.count(a.command)) << a.command;
    }
  }
  auto has = [&](int key, unsigned mods, int cmd) {
    for (const res::Accelerator& a : table)
      if (a.key == key && a.modifiers == mods) return a.command == cmd;
    return false;
  };
  const unsigned cs = res::accel::CONTROL | res::accel::SHIFT;
  EXPECT_TRUE(has('D', cs, ID_DECOMPILE));
  EXPECT_TRUE(has('R', cs, ID_RECOMPILE));
  EXPECT_TRUE(has('V', cs, ID_VIEW_CHM));
  EXPECT_TRUE(has('S', res::accel::ALT, ID_SAVE_RESULTS));
  EXPECT_TRUE(res::findAccelerators(IDD_VIEWER).empty());
}

}  // namespace
