#include "res/help_tables.h"

#include "res/ids.h"

namespace res {

namespace {
// The OK and Cancel buttons of the templates (dialog results 1 and 2).
constexpr unsigned kOkButton = 1;
constexpr unsigned kCancelButton = 2;
}  // namespace

// Pairs one to a line: control, pop-up topic.
// clang-format off
const unsigned kDecompileHelp[] = {
    IDC_DECOMPILE_SOURCE,  IDH_POPUP_DECOMPILE_SOURCE,
    IDC_DECOMPILE_TARGET,  IDH_POPUP_DECOMPILE_TARGET,
    IDC_BROWSE_SOURCE,     IDH_POPUP_DECOMPILE_BROWSE_SOURCE,
    IDC_BROWSE_TARGET,     IDH_POPUP_DECOMPILE_BROWSE_TARGET,
    IDC_DECOMPILE_PROJECT, IDH_POPUP_DECOMPILE_PROJECT,
    0, 0,
};

const unsigned kViewerHelp[] = {
    IDC_VIEWER_TREE,    IDH_POPUP_VIEWER_TREE,
    IDC_VIEWER_NEWFILE, IDH_POPUP_VIEWER_NEWFILE,
    kOkButton,          IDH_POPUP_VIEWER_CLOSE,
    IDC_TIPS,           IDH_POPUP_VIEWER_TIPS,
    0, 0,
};

const unsigned kHelpRegistryHelp[] = {
    IDC_LIST,       IDH_POPUP_REG_LIST,
    IDC_DELETE,     IDH_POPUP_REG_DELETE,
    IDC_REG_ADD,    IDH_POPUP_REG_ADD,
    kOkButton,      IDH_POPUP_REG_SAVE,
    kCancelButton,  IDH_POPUP_REG_CANCEL,
    IDC_TIPS,       IDH_POPUP_REG_TIPS,
    IDC_REG_CHANGE, IDH_POPUP_REG_CHANGE,
    0, 0,
};

// The tips button shares its pop-up with the registry editor's.
const unsigned kEditRegistryHelp[] = {
    IDC_REG_NAME,   IDH_POPUP_EDITREG_NAME,
    IDC_REG_FOLDER, IDH_POPUP_EDITREG_FOLDER,
    IDC_REG_BROWSE, IDH_POPUP_EDITREG_BROWSE,
    IDC_TIPS,       IDH_POPUP_REG_TIPS,
    0, 0,
};

// The four finder modes differ in the list, explore and delete topics; the
// tips and close buttons share theirs.
const unsigned kHtmlHelpComponentsHelp[] = {
    IDC_LIST,      IDH_POPUP_COMPONENTS_LIST,
    IDC_EXPLORE,   IDH_POPUP_COMPONENTS_EXPLORE,
    IDC_DELETE,    IDH_POPUP_COMPONENTS_DELETE,
    IDC_TIPS,      IDH_POPUP_FINDER_TIPS,
    kCancelButton, IDH_POPUP_FINDER_CLOSE,
    0, 0,
};
const unsigned kWinHelpComponentsHelp[] = {
    IDC_LIST,      IDH_POPUP_WINHELP_COMPONENTS_LIST,
    IDC_EXPLORE,   IDH_POPUP_WINHELP_COMPONENTS_EXPLORE,
    IDC_DELETE,    IDH_POPUP_WINHELP_COMPONENTS_DELETE,
    IDC_TIPS,      IDH_POPUP_FINDER_TIPS,
    kCancelButton, IDH_POPUP_FINDER_CLOSE,
    0, 0,
};
const unsigned kHtmlHelpFilesHelp[] = {
    IDC_LIST,      IDH_POPUP_HTMLHELP_FILES_LIST,
    IDC_EXPLORE,   IDH_POPUP_HTMLHELP_FILES_EXPLORE,
    IDC_DELETE,    IDH_POPUP_HTMLHELP_FILES_DELETE,
    IDC_TIPS,      IDH_POPUP_FINDER_TIPS,
    kCancelButton, IDH_POPUP_FINDER_CLOSE,
    0, 0,
};
const unsigned kWinHelpFilesHelp[] = {
    IDC_LIST,      IDH_POPUP_WINHELP_FILES_LIST,
    IDC_EXPLORE,   IDH_POPUP_WINHELP_FILES_EXPLORE,
    IDC_DELETE,    IDH_POPUP_WINHELP_FILES_DELETE,
    IDC_TIPS,      IDH_POPUP_FINDER_TIPS,
    kCancelButton, IDH_POPUP_FINDER_CLOSE,
    0, 0,
};
// clang-format on

namespace {

constexpr ControlHelpTable kFinderHelp[] = {kHtmlHelpComponentsHelp, kWinHelpComponentsHelp,
                                            kHtmlHelpFilesHelp, kWinHelpFilesHelp};
constexpr int kFinderTopics[] = {IDH_HTMLHELP_COMPONENTS, IDH_WINHELP_COMPONENTS,
                                 IDH_HTMLHELP_FILES, IDH_WINHELP_FILES};

// Each label shows the tip of the field it names.
constexpr ControlTip kRecompileTips[] = {
    {IDC_RECOMPILE_SOURCE, IDS_TIP_SOURCE, IDH_RECOMPILE_SOURCE},
    {IDC_RECOMPILE_SOURCE_LABEL, IDS_TIP_SOURCE, IDH_RECOMPILE_SOURCE},
    {IDC_RECOMPILE_TARGET, IDS_TIP_TARGET, IDH_RECOMPILE_TARGET},
    {IDC_RECOMPILE_TARGET_LABEL, IDS_TIP_TARGET, IDH_RECOMPILE_TARGET},
    {IDC_BROWSE_SOURCE, IDS_TIP_BROWSE_SOURCE, IDH_RECOMPILE_BROWSE_SOURCE},
    {IDC_BROWSE_TARGET, IDS_TIP_BROWSE_TARGET, IDH_RECOMPILE_BROWSE_TARGET},
    {IDC_RECOMPILE_COLLECTION, IDS_TIP_COLLECTION, IDH_RECOMPILE_COLLECTION},
    {IDC_RECOMPILE_DROP_INDEX, IDS_TIP_BINARY_INDEX, IDH_RECOMPILE_BINARY_INDEX},
    {IDC_RECOMPILE_DROP_CONTENTS, IDS_TIP_BINARY_CONTENTS, IDH_RECOMPILE_BINARY_CONTENTS},
};

constexpr NamedHelpTable kAllTables[] = {
    {"decompile", IDD_DECOMPILE, kDecompileHelp},
    {"viewer", IDD_VIEWER, kViewerHelp},
    {"help registry", IDD_HELP_REGISTRY, kHelpRegistryHelp},
    {"edit registry entry", IDD_EDIT_REGISTRY, kEditRegistryHelp},
    {"HTML Help components", IDD_COMPONENTS, kHtmlHelpComponentsHelp},
    {"WinHelp components", IDD_COMPONENTS, kWinHelpComponentsHelp},
    {"HTML Help files", IDD_COMPONENTS, kHtmlHelpFilesHelp},
    {"WinHelp files", IDD_COMPONENTS, kWinHelpFilesHelp},
};

constexpr int kPageTopics[] = {
    IDH_DECOMPILE,
    IDH_CREATE_ITS,
    IDH_HTMLHELP_REGISTRY,
    IDH_MISSING_FILES,
    IDH_WINHELP_REGISTRY,
    IDH_EDIT_REGISTRY,
    IDH_RECOMPILE,
    IDH_RECOMPILE_SOURCE,
    IDH_RECOMPILE_TARGET,
    IDH_RECOMPILE_BROWSE_SOURCE,
    IDH_RECOMPILE_BROWSE_TARGET,
    IDH_RECOMPILE_COLLECTION,
    IDH_RECOMPILE_BINARY_INDEX,
    IDH_RECOMPILE_BINARY_CONTENTS,
    IDH_ABOUT,
    IDH_WELCOME,
    IDH_START_PAGE,
    IDH_HTMLHELP_COMPONENTS,
    IDH_WINHELP_COMPONENTS,
    IDH_HTMLHELP_FILES,
    IDH_WINHELP_FILES,
    IDH_VIEWER,
};

}  // namespace

ControlHelpTable FinderControlHelp(int mode) {
  return kFinderHelp[mode >= 0 && mode < 4 ? mode : 0];
}

int FinderTopic(int mode) { return kFinderTopics[mode >= 0 && mode < 4 ? mode : 0]; }

int RegistryTopic(bool winHelp) { return winHelp ? IDH_WINHELP_REGISTRY : IDH_HTMLHELP_REGISTRY; }

std::span<const ControlTip> RecompileTips() { return kRecompileTips; }

const ControlTip* FindRecompileTip(int control) {
  for (const ControlTip& tip : kRecompileTips)
    if (tip.control == control) return &tip;
  return nullptr;
}

std::span<const NamedHelpTable> AllControlHelpTables() { return kAllTables; }

std::span<const int> AllPageTopics() { return kPageTopics; }

unsigned PopupTopic(ControlHelpTable table, unsigned control) {
  for (const unsigned* p = table; p[0] != 0 || p[1] != 0; p += 2)
    if (p[0] == control) return p[1];
  return 0;
}

}  // namespace res
