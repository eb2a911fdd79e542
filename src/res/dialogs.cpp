// Dialog templates. Rectangles are dialog units of the template font (宋体 9);
// dialogs keep 7-unit margins and 14-unit-high buttons. Dialogs 136 and 140
// carry their original geometry; the others are laid out on the same grid.
#include "res/dialog_template.h"
#include "res/ids.h"

namespace res {
namespace {

using namespace style;
using K = ControlKind;

// The OK and Cancel buttons carry the dialog results they end the dialog with
// (the numbers of the prompter's button ids).
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

constexpr const char* kFont = "宋体";
constexpr int kFontSize = 9;

// Window styles of the dialogs themselves.
constexpr std::uint32_t kModal = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr std::uint32_t kResizable = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;

// Control styles.
constexpr std::uint32_t kButton = WS_TABSTOP;
constexpr std::uint32_t kDefButton = WS_TABSTOP | BS_DEFPUSHBUTTON;
constexpr std::uint32_t kCheck = WS_TABSTOP;
constexpr std::uint32_t kCombo = CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
constexpr std::uint32_t kEdit = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
constexpr std::uint32_t kLabel = 0;

// ---------------------------------------------------------------------------
// 1: extension below the standard controls of the compiled-file picker.
constexpr ControlTemplate kBrowseChm[] = {
    {IDC_STATIC, K::Static, kLabel, "标题:", 7, 2, 30, 8},
    {IDC_BROWSECHM_TITLE, K::Static, SS_NOPREFIX, "", 40, 2, 220, 8},
};

// 100: about box, used when the program's help file is missing.
constexpr ControlTemplate kAbout[] = {
    {IDC_STATIC, K::Icon, 0, "", 7, 7, 21, 20},
    {IDC_ABOUT_VERSION, K::Static, SS_NOPREFIX, "Wrenlow", 36, 12, 157, 8},
    {IDOK, K::PushButton, kDefButton, "确定", 143, 34, 50, 14},
};

// 101: help registry editor. List grows, the right column moves right, the
// bottom row moves down.
constexpr ControlTemplate kHelpRegistry[] = {
    {IDC_LIST, K::ListView, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP,
     "", 7, 7, 289, 165},
    {IDC_REG_CHANGE, K::PushButton, kButton, "更改(&C)...", 303, 7, 50, 14},
    {IDC_DELETE, K::PushButton, kButton, "删除(&D)", 303, 25, 50, 14},
    {IDC_REG_ADD, K::PushButton, kButton, "添加(&A)...", 303, 43, 50, 14},
    {IDOK, K::PushButton, kDefButton, "保存并关闭(&S)", 7, 179, 62, 14},
    {IDCANCEL, K::PushButton, kButton, "取消", 75, 179, 50, 14},
    {IDC_TIPS, K::PushButton, kButton, "提示(&T)...", 303, 179, 50, 14},
};

// 131: create an ITS file.
constexpr ControlTemplate kCreateIts[] = {
    {IDC_ITS_PROJECT_MODE, K::RadioButton, WS_GROUP | WS_TABSTOP, "编译一个方案文件(&C)", 7, 7, 200,
     10},
    {IDC_ITS_PROJECT, K::ComboBox, kCombo, "", 19, 19, 188, 14},
    {IDC_ITS_PROJECT_BROWSE, K::PushButton, kButton, "浏览(&B)...", 213, 19, 50, 14},
    {IDC_ITS_FOLDER_MODE, K::RadioButton, 0, "编译一个文件夹中的所有文件(&O)", 7, 40, 200, 10},
    {IDC_ITS_FOLDER, K::ComboBox, kCombo | WS_GROUP, "", 19, 52, 188, 14},
    {IDC_ITS_FOLDER_BROWSE, K::PushButton, kButton, "浏览(&R)...", 213, 52, 50, 14},
    {IDC_STATIC, K::Static, kLabel, "要创建的 ITS 文件名(&F):", 7, 74, 200, 8},
    {IDC_ITS_NAME, K::ComboBox, kCombo, "", 7, 84, 256, 14},
    {IDOK, K::PushButton, kDefButton, "确定", 91, 106, 50, 14},
    {IDCANCEL, K::PushButton, kButton, "取消", 147, 106, 50, 14},
    {IDC_TIPS, K::PushButton, kButton, "显示帮助(&H) >>", 203, 106, 60, 14},
};

// 133: recompile, used when the program's help file is unavailable.
constexpr ControlTemplate kRecompile[] = {
    {IDC_STATIC, K::Static, kLabel, "来源(&S):", 7, 7, 200, 8},
    {IDC_RECOMPILE_SOURCE, K::ComboBox, kCombo, "", 7, 17, 206, 14},
    {IDC_BROWSE_SOURCE, K::PushButton, kButton, "浏览(&B)...", 219, 17, 50, 14},
    {IDC_STATIC, K::Static, kLabel, "目标(&D):", 7, 37, 200, 8},
    {IDC_RECOMPILE_TARGET, K::ComboBox, kCombo, "", 7, 47, 206, 14},
    {IDC_BROWSE_TARGET, K::PushButton, kButton, "浏览(&R)...", 219, 47, 50, 14},
    {IDC_RECOMPILE_COLLECTION, K::CheckBox, kCheck, "文件可能与其他的 CHM 文件合并(&M)", 7, 68, 262,
     10},
    {IDC_RECOMPILE_DROP_INDEX, K::CheckBox, kCheck, "如果使用了二进制索引，移除站点指南索引(&I)", 7,
     81, 262, 10},
    {IDC_RECOMPILE_DROP_CONTENTS, K::CheckBox, kCheck, "如果使用了二进制目录，移除站点指南目录(&T)",
     7, 94, 262, 10},
    {IDOK, K::PushButton, kDefButton, "确定", 107, 113, 50, 14},
    {IDCANCEL, K::PushButton, kButton, "取消", 163, 113, 50, 14},
    {IDC_TIPS, K::PushButton, kButton, "提示(&T)...", 219, 113, 50, 14},
};

// 134: decompile.
constexpr ControlTemplate kDecompile[] = {
    {IDC_STATIC, K::Static, kLabel, "来源文件(&S):", 7, 7, 200, 8},
    {IDC_DECOMPILE_SOURCE, K::ComboBox, kCombo, "", 7, 17, 186, 14},
    {IDC_BROWSE_SOURCE, K::PushButton, kButton, "浏览(&B)...", 199, 17, 50, 14},
    {IDC_STATIC, K::Static, kLabel, "目标文件夹(&D):", 7, 37, 200, 8},
    {IDC_DECOMPILE_TARGET, K::Edit, kEdit, "", 7, 47, 186, 14},
    {IDC_BROWSE_TARGET, K::PushButton, kButton, "浏览(&R)...", 199, 47, 50, 14},
    {IDC_DECOMPILE_PROJECT, K::CheckBox, kCheck, "创建一个工程文件 (如果 CHM/ITS 文件中没有的话)",
     7, 68, 242, 10},
    {IDOK, K::PushButton, kDefButton, "确定", 87, 87, 50, 14},
    {IDCANCEL, K::PushButton, kButton, "取消", 143, 87, 50, 14},
    {IDC_TIPS, K::PushButton, kButton, "提示(&T)...", 199, 87, 50, 14},
};

// 135: component and help file finder. List grows; the left buttons move
// down, Close moves right and down.
constexpr ControlTemplate kComponents[] = {
    {IDC_LIST, K::ListView, LVS_REPORT | LVS_SINGLESEL | WS_BORDER | WS_TABSTOP, "", 7, 7, 386,
     165},
    {IDC_EXPLORE, K::PushButton, kButton, "资源管理器(&E)...", 7, 179, 70, 14},
    {IDC_DELETE, K::PushButton, kButton, "删除(&D)...", 83, 179, 50, 14},
    {IDC_TIPS, K::PushButton, kButton, "提示(&T)...", 139, 179, 50, 14},
    {IDCANCEL, K::PushButton, kDefButton, "关闭", 343, 179, 50, 14},
};

// 136: CHM/ITS viewer (original geometry).
constexpr ControlTemplate kViewer[] = {
    {IDC_VIEWER_FILENAME, K::Static, SS_NOPREFIX, "文件名:", 6, 6, 156, 8},
    {IDC_VIEWER_TREE, K::TreeView,
     TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP,
     "", 6, 18, 156, 201},
    {IDC_VIEWER_BROWSER, K::Static, 0, "单击在目录树查看控件中的一个 HTML 文件以查看它的内容。",
     172, 6, 125, 212},
    {IDC_VIEWER_NEWFILE, K::PushButton, kButton, "新文件(&N)...", 6, 226, 53, 14},
    {IDOK, K::PushButton, kDefButton, "关闭(&C)", 65, 226, 46, 14},
    {IDC_TIPS, K::PushButton, kButton, "提示(&T)...", 116, 226, 46, 14},
    {IDC_VIEWER_LINK, K::Static, SS_NOPREFIX, "链接:", 173, 226, 125, 8},
};

// 138: registered files that do not exist.
constexpr ControlTemplate kMissingFiles[] = {
    {IDC_STATIC, K::Static, kLabel,
     "下列文件已被注册，但是实际上不存在。您想从注册表删除这些文件的所有内容吗？", 7, 7, 256, 18},
    {IDC_LIST, K::ListBox, LBS_SORT | LBS_NOSEL | WS_VSCROLL | WS_HSCROLL | WS_BORDER | WS_TABSTOP,
     "", 7, 29, 256, 100},
    {IDOK, K::PushButton, kDefButton, "删除(&D)", 91, 136, 50, 14},
    {IDCANCEL, K::PushButton, kButton, "取消", 147, 136, 50, 14},
    {IDC_TIPS, K::PushButton, kButton, "显示帮助(&H) >>", 203, 136, 60, 14},
};

// 139: edit one registry entry.
constexpr ControlTemplate kEditRegistry[] = {
    {IDC_STATIC, K::Static, kLabel, "文件名:", 7, 7, 200, 8},
    {IDC_REG_NAME, K::Edit, kEdit | ES_READONLY, "", 7, 17, 256, 14},
    {IDC_STATIC, K::Static, kLabel, "路径(&P):", 7, 37, 200, 8},
    {IDC_REG_FOLDER, K::Edit, kEdit, "", 7, 47, 200, 14},
    {IDC_REG_BROWSE, K::PushButton, kButton, "浏览(&B)...", 213, 47, 50, 14},
    {IDOK, K::PushButton, kDefButton, "确定", 101, 70, 50, 14},
    {IDCANCEL, K::PushButton, kButton, "取消", 157, 70, 50, 14},
    {IDC_TIPS, K::PushButton, kButton, "提示(&T)...", 213, 70, 50, 14},
};

// 140: progress and results (original geometry).
constexpr ControlTemplate kResults[] = {
    {IDC_RESULTS_STATUS, K::Static, SS_NOPREFIX, "正在处理", 7, 7, 259, 8},
    {IDC_RESULTS_PROGRESS, K::Progress, 0, "", 7, 18, 259, 14},
    {IDC_STATIC, K::Static, kLabel, "结果(&R):", 7, 41, 259, 8},
    {IDC_RESULTS_TEXT, K::Edit,
     ES_MULTILINE | ES_READONLY | WS_VSCROLL | ES_AUTOVSCROLL | WS_BORDER | WS_TABSTOP, "", 7, 55,
     259, 146},
    {IDOK, K::PushButton, kButton, "关闭(&C)", 111, 211, 50, 14},
};

// 141: recompile with the inline tip area (heading and help page below the
// options).
constexpr ControlTemplate kRecompileTips[] = {
    {IDC_RECOMPILE_SOURCE_LABEL, K::Static, kLabel, "来源(&S):", 7, 7, 200, 8},
    {IDC_RECOMPILE_SOURCE, K::ComboBox, kCombo, "", 7, 17, 206, 14},
    {IDC_BROWSE_SOURCE, K::PushButton, kButton, "浏览(&B)...", 219, 17, 50, 14},
    {IDC_RECOMPILE_TARGET_LABEL, K::Static, kLabel, "目标(&D):", 7, 37, 200, 8},
    {IDC_RECOMPILE_TARGET, K::ComboBox, kCombo, "", 7, 47, 206, 14},
    {IDC_BROWSE_TARGET, K::PushButton, kButton, "浏览(&R)...", 219, 47, 50, 14},
    {IDC_RECOMPILE_COLLECTION, K::CheckBox, kCheck, "来源文件是 CHM 文件集合的一个部件", 7, 68, 262,
     10},
    {IDC_RECOMPILE_DROP_INDEX, K::CheckBox, kCheck, "如果使用了二进制索引，移除站点指南索引(&I)", 7,
     81, 262, 10},
    {IDC_RECOMPILE_DROP_CONTENTS, K::CheckBox, kCheck, "如果使用了二进制目录，移除站点指南目录(&T)",
     7, 94, 262, 10},
    {IDC_RECOMPILE_TIP_HEADING, K::Static, SS_NOPREFIX, "", 7, 112, 262, 8},
    {IDC_RECOMPILE_TIP_PAGE, K::Static, SS_SUNKEN, "", 7, 122, 262, 80},
    {IDOK, K::PushButton, kDefButton, "确定", 163, 209, 50, 14},
    {IDCANCEL, K::PushButton, kButton, "取消", 219, 209, 50, 14},
};

constexpr DialogTemplate kDialogs[] = {
    {IDD_BROWSECHM_TITLE, "", kFont, kFontSize, WS_CHILD | DS_CONTROL, 267, 14, kBrowseChm},
    {IDD_ABOUT, "Wrenlow 版本信息", kFont, kFontSize, kModal, 200, 55, kAbout},
    {IDD_HELP_REGISTRY, "HTML 帮助注册", kFont, kFontSize, kResizable, 360, 200, kHelpRegistry},
    {IDD_CREATE_ITS, "编译 ITS 文件", kFont, kFontSize, kModal, 270, 127, kCreateIts},
    {IDD_RECOMPILE, "重新编译 CHM 或 ITS 文件", kFont, kFontSize, kModal, 276, 134, kRecompile},
    {IDD_DECOMPILE, "反编译一个 CHM 或 ITS 文件", kFont, kFontSize, kModal, 256, 108, kDecompile},
    {IDD_COMPONENTS, "HTML 帮助工具组件", kFont, kFontSize, kResizable, 400, 200, kComponents},
    {IDD_VIEWER, "CHM/ITS 文件查看器", kFont, kFontSize, kResizable, 303, 246, kViewer},
    {IDD_MISSING_FILES, "不存在已注册的文件", kFont, kFontSize, kModal, 270, 157, kMissingFiles},
    {IDD_EDIT_REGISTRY, "编辑注册表项", kFont, kFontSize, kModal, 270, 91, kEditRegistry},
    {IDD_RESULTS, "结果", kFont, kFontSize, WS_POPUP | WS_CAPTION | DS_MODALFRAME, 273, 232,
     kResults},
    {IDD_RECOMPILE_TIPS, "重新编译已编译的 HTML 帮助文件", kFont, kFontSize, kModal, 276, 230,
     kRecompileTips},
};

}  // namespace

std::span<const DialogTemplate> dialogTemplates() { return kDialogs; }

const DialogTemplate* findDialog(int id) {
  for (const DialogTemplate& d : kDialogs) {
    if (d.id == id) return &d;
  }
  return nullptr;
}

}  // namespace res
