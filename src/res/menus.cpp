// The main window's menu and accelerators (shared resource 128).
#include "res/menus.h"

#include "res/ids.h"

namespace res {
namespace {

using namespace menuflag;

constexpr MenuItem kSeparator{nullptr, 0, SEPARATOR, {}};

constexpr MenuItem kFileMenu[] = {
    {"退出(&X)", ID_FILE_EXIT, 0, {}},
};

constexpr MenuItem kRegistryMenu[] = {
    {"HTML 帮助注册(&H)", ID_HTMLHELP_REGISTRY, 0, {}},
    {"WinHelp 注册(&W)", ID_WINHELP_REGISTRY, 0, {}},
};

constexpr MenuItem kFindMenu[] = {
    {"HTML 帮助组件(&C)", ID_FIND_HTMLHELP_COMPONENTS, 0, {}},
    {"WinHelp 组件(&O)", ID_FIND_WINHELP_COMPONENTS, 0, {}},
    kSeparator,
    {"HTML 帮助文件(&H)", ID_FIND_HTMLHELP_FILES, 0, {}},
    {"WinHelp 文件(&W)", ID_FIND_WINHELP_FILES, 0, {}},
};

constexpr MenuItem kToolsMenu[] = {
    {"重新编译(&R)...", ID_RECOMPILE, 0, {}},
    {"反编译(&D)...", ID_DECOMPILE, 0, {}},
    {"创建 ITS 文件(&I)...", ID_CREATE_ITS, 0, {}},
    kSeparator,
    {"查找帮助注册表项(&H)", 0, POPUP, kRegistryMenu},
    {"查找帮助文件(&F)", 0, POPUP, kFindMenu},
    kSeparator,
    {"查看 CHM 文件(&E)...", ID_VIEW_CHM, 0, {}},
};

constexpr MenuItem kHelpMenu[] = {
    {"帮助主题(&T)...", ID_HELP_TOPICS, 0, {}},
    {"入门(&S)...", ID_HELP_GETTING_STARTED, 0, {}},
    kSeparator,
    {"版本信息(&V)...", ID_HELP_ABOUT, 0, {}},
};

constexpr MenuItem kMainMenu[] = {
    {"文件(&F)", 0, POPUP, kFileMenu},
    {"工具(&T)", 0, POPUP, kToolsMenu},
    {"帮助(&H)", 0, POPUP, kHelpMenu},
};

constexpr Menu kMenus[] = {
    {IDR_MAINFRAME, kMainMenu},
};

// Command 1018 (Alt+S) has no menu item: the results dialog takes it while
// it is open and saves its results box.
constexpr Accelerator kMainAccelerators[] = {
    {'D', accel::CONTROL | accel::SHIFT, ID_DECOMPILE},
    {'R', accel::CONTROL | accel::SHIFT, ID_RECOMPILE},
    {'V', accel::CONTROL | accel::SHIFT, ID_VIEW_CHM},
    {'S', accel::ALT, ID_SAVE_RESULTS},
};

}  // namespace

const Menu* findMenu(int id) {
  for (const Menu& m : kMenus) {
    if (m.id == id) return &m;
  }
  return nullptr;
}

std::span<const Accelerator> findAccelerators(int id) {
  if (id == IDR_MAINFRAME) return kMainAccelerators;
  return {};
}

}  // namespace res
