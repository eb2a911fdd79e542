#include "app/tool_set_app.h"

#include <cstring>

#include "common/history_list.h"
#include "common/messages.h"
#include "common/settings_store.h"
#include "common/string_utils.h"
#include "platform/registry/registry.h"
#include "platform/shell/shell.h"
#include "platform/system/sysdirs.h"
#include "res/ids.h"
#include "res/strings.h"
#include "ui/tip_pane.h"

namespace {

CToolSetApp* current = nullptr;

constexpr const char* kSettings = "Settings";
constexpr const char* kPreferences = "Preferences";
constexpr const char* kInformationTypes = "Information Types";
constexpr const char* kExperience = "Experience";

std::string joinPath(const std::string& folder, const std::string& name) {
  std::string path = folder;
  AddBackslash(path);
  return path + name;
}

}  // namespace

CToolSetApp* theApp() { return current; }

bool IsExamineFile(const std::string& file) {
  std::string lower = file;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower.find(".chm") != std::string::npos || lower.find(".its") != std::string::npos;
}

CToolSetApp::CToolSetApp(AppFrontEnd& frontEnd, ShellPlaces places)
    : frontEnd_(frontEnd), places_(std::move(places)) {
  current = this;
}

CToolSetApp::~CToolSetApp() {
  if (current == this) current = nullptr;
}

bool CToolSetApp::InitInstance(const std::vector<std::string>& arguments) {
  SetRegistryName(kRegistryName);

  std::int32_t exp = 0;
  if (ReadSetting(kInformationTypes, kExperience, &exp, sizeof exp)) experience = exp;
  experienceAsLoaded = experience;
  ui::setTipExperience(experience);

  std::uint8_t prefs[8] = {};
  if (ReadSetting(kSettings, kPreferences, prefs, sizeof prefs)) {
    for (int w = 0; w < 2; ++w)
      preferences[w] = static_cast<std::uint32_t>(prefs[4 * w]) |
                       (static_cast<std::uint32_t>(prefs[4 * w + 1]) << 8) |
                       (static_cast<std::uint32_t>(prefs[4 * w + 2]) << 16) |
                       (static_cast<std::uint32_t>(prefs[4 * w + 3]) << 24);
  }
  preferencesAsLoaded[0] = preferences[0];
  preferencesAsLoaded[1] = preferences[1];

  if (!(preferences[0] & kShellIntegrated)) {
    FirstRunShellIntegration();
    preferences[0] |= kShellIntegrated;  // written at exit, whatever the outcome
  }

  // The only argument is a file name.
  std::string file = arguments.empty() ? std::string() : arguments.front();
  if (!file.empty() && IsExamineFile(file)) {
    mode_ = Mode::Examine;
    frontEnd_.runViewer(file);
    return false;
  }
  if (!frontEnd_.createMainWindow(file)) {
    mode_ = Mode::Failed;
    return false;
  }
  mode_ = Mode::Normal;
  SetMessageBoxContext(frontEnd_.mainWindow(), LoadStr(AFX_IDS_APP_TITLE), true);
  frontEnd_.installWindowHook();
  hookInstalled_ = true;
  frontEnd_.showMainWindow();
  frontEnd_.runTemporaryFileCheck();
  return true;
}

void CToolSetApp::FirstRunShellIntegration() {
  const std::string& exe = places_.executable;
  if (!places_.programsFolder.empty() && sysdirs::isFolder(places_.programsFolder)) {
    std::string group = joinPath(places_.programsFolder, "Marrowby");
    if (sysdirs::isFolder(group)) {
      std::string link = joinPath(group, shell::kShortcutFile);
      if (!sysdirs::exists(link) && shell::CreateShortcut(exe, link, kRegistryName))
        ShowMessage(IDS_ADDED_TO_GROUP, MB_ICONEXCLAMATION | MB_OK);
    } else {
      group = joinPath(places_.programsFolder, "HTML Help Workshop");
      if (sysdirs::isFolder(group)) {
        std::string link = joinPath(group, shell::kShortcutFile);
        if (!sysdirs::exists(link) && ShowMessage(IDS_ADD_TO_WORKSHOP_GROUP, MB_YESNO) == IDYES)
          shell::CreateShortcut(exe, link, kRegistryName);
      }
    }
  }

  // The "Examine" verb: as Windows would hold it (in the program's own
  // classes, never a Wine prefix's), and as a desktop entry that offers the
  // program for compiled help files.
  std::string command = "\"" + exe + "\" %1";
  reg::RegSetValue(reg::HKEY_OWN_CLASSES_ROOT, "chm.file\\shell\\Examine\\command", command);
  reg::RegSetValue(reg::HKEY_OWN_CLASSES_ROOT, "ITS File\\shell\\Examine\\command", command);
  if (!places_.programsFolder.empty()) shell::RegisterExamineEntry(places_.programsFolder, exe);
}

int CToolSetApp::ExitInstance() {
  SaveHistoryLists();
  if (hookInstalled_) {
    frontEnd_.removeWindowHook();
    hookInstalled_ = false;
  }
  if (experience != experienceAsLoaded) {
    if (WriteSetting(kInformationTypes, kExperience, &experience, sizeof experience))
      experienceAsLoaded = experience;
  }
  if (std::memcmp(preferences, preferencesAsLoaded, sizeof preferences) != 0) {
    std::uint8_t prefs[8];
    for (int w = 0; w < 2; ++w)
      for (int b = 0; b < 4; ++b)
        prefs[4 * w + b] = static_cast<std::uint8_t>(preferences[w] >> (8 * b));
    if (WriteSetting(kSettings, kPreferences, prefs, sizeof prefs)) {
      preferencesAsLoaded[0] = preferences[0];
      preferencesAsLoaded[1] = preferences[1];
    }
  }
  CloseSettingsKey();
  return 0;
}
