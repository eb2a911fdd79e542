// Dialog templates: the two with fixed geometry, the controls each dialog's
// code addresses, and layout faults (shared ids, overlaps, clipped texts).
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "common/prompt.h"
#include "res/dialog_template.h"
#include "res/ids.h"

namespace {

using res::ControlKind;
using res::ControlTemplate;
using res::DialogTemplate;

const ControlTemplate* control(const DialogTemplate& d, int id) {
  for (const auto& c : d.controls)
    if (c.id == id) return &c;
  return nullptr;
}

struct Expected {
  int id;
  ControlKind kind;
  const char* text;
  int x, y, cx, cy;
};

void expectControls(const DialogTemplate& d, const std::vector<Expected>& want) {
  ASSERT_EQ(d.controls.size(), want.size()) << d.id;
  for (std::size_t i = 0; i < want.size(); ++i) {
    const ControlTemplate& c = d.controls[i];
    const Expected& w = want[i];
    SCOPED_TRACE("dialog " + std::to_string(d.id) + " control " + std::to_string(w.id));
    EXPECT_EQ(c.id, w.id);
    EXPECT_EQ(c.kind, w.kind);
    EXPECT_STREQ(c.text, w.text);
    EXPECT_EQ(c.x, w.x);
    EXPECT_EQ(c.y, w.y);
    EXPECT_EQ(c.cx, w.cx);
    EXPECT_EQ(c.cy, w.cy);
  }
}

TEST(Dialogs, ResultsDialogHasItsGeometry) {
  const DialogTemplate* d = res::findDialog(IDD_RESULTS);
  ASSERT_NE(d, nullptr);
  EXPECT_STREQ(d->title, "结果");
  EXPECT_STREQ(d->fontName, "宋体");
  EXPECT_EQ(d->fontPointSize, 9);
  EXPECT_FALSE(d->style & res::style::WS_SYSMENU);
  EXPECT_TRUE(d->style & res::style::WS_CAPTION);
  expectControls(*d, {
                         {IDC_RESULTS_STATUS, ControlKind::Static, "正在处理", 7, 7, 259, 8},
                         {IDC_RESULTS_PROGRESS, ControlKind::Progress, "", 7, 18, 259, 14},
                         {IDC_STATIC, ControlKind::Static, "结果(&R):", 7, 41, 259, 8},
                         {IDC_RESULTS_TEXT, ControlKind::Edit, "", 7, 55, 259, 146},
                         {IDOK, ControlKind::PushButton, "关闭(&C)", 111, 211, 50, 14},
                     });
  using namespace res::style;
  const std::uint32_t text = control(*d, IDC_RESULTS_TEXT)->style;
  for (std::uint32_t bit :
       {ES_MULTILINE, ES_READONLY, WS_VSCROLL, ES_AUTOVSCROLL, WS_BORDER, WS_TABSTOP}) {
    EXPECT_TRUE(text & bit) << std::hex << bit;
  }
  EXPECT_EQ(control(*d, IDC_RESULTS_STATUS)->style & (SS_CENTER | SS_RIGHT), 0u);
}

TEST(Dialogs, ViewerDialogHasItsGeometry) {
  const DialogTemplate* d = res::findDialog(IDD_VIEWER);
  ASSERT_NE(d, nullptr);
  EXPECT_STREQ(d->title, "CHM/ITS 文件查看器");
  EXPECT_STREQ(d->fontName, "宋体");
  EXPECT_EQ(d->fontPointSize, 9);
  EXPECT_TRUE(d->style & res::style::WS_THICKFRAME);
  expectControls(*d,
                 {
                     {IDC_VIEWER_FILENAME, ControlKind::Static, "文件名:", 6, 6, 156, 8},
                     {IDC_VIEWER_TREE, ControlKind::TreeView, "", 6, 18, 156, 201},
                     {IDC_VIEWER_BROWSER, ControlKind::Static,
                      "单击在目录树查看控件中的一个 HTML 文件以查看它的内容。", 172, 6, 125, 212},
                     {IDC_VIEWER_NEWFILE, ControlKind::PushButton, "新文件(&N)...", 6, 226, 53, 14},
                     {IDOK, ControlKind::PushButton, "关闭(&C)", 65, 226, 46, 14},
                     {IDC_TIPS, ControlKind::PushButton, "提示(&T)...", 116, 226, 46, 14},
                     {IDC_VIEWER_LINK, ControlKind::Static, "链接:", 173, 226, 125, 8},
                 });
  EXPECT_TRUE(control(*d, IDOK)->style & res::style::BS_DEFPUSHBUTTON);
}

// The controls each dialog's code binds by id.
TEST(Dialogs, EveryDialogHoldsTheControlsItsCodeAddresses) {
  struct Want {
    int dialog;
    std::vector<int> ids;
  };
  const std::vector<Want> wants = {
      {IDD_BROWSECHM_TITLE, {IDC_BROWSECHM_TITLE}},
      {IDD_ABOUT, {IDC_ABOUT_VERSION, IDOK}},
      {IDD_HELP_REGISTRY,
       {IDC_LIST, IDC_REG_CHANGE, IDC_DELETE, IDC_REG_ADD, IDOK, IDCANCEL, IDC_TIPS}},
      {IDD_CREATE_ITS,
       {IDC_ITS_PROJECT_MODE, IDC_ITS_PROJECT, IDC_ITS_PROJECT_BROWSE, IDC_ITS_FOLDER_MODE,
        IDC_ITS_FOLDER, IDC_ITS_FOLDER_BROWSE, IDC_ITS_NAME, IDOK, IDCANCEL, IDC_TIPS}},
      {IDD_RECOMPILE,
       {IDC_RECOMPILE_SOURCE, IDC_BROWSE_SOURCE, IDC_RECOMPILE_TARGET, IDC_BROWSE_TARGET,
        IDC_RECOMPILE_COLLECTION, IDC_RECOMPILE_DROP_INDEX, IDC_RECOMPILE_DROP_CONTENTS, IDOK,
        IDCANCEL, IDC_TIPS}},
      {IDD_RECOMPILE_TIPS,
       {IDC_RECOMPILE_SOURCE_LABEL, IDC_RECOMPILE_SOURCE, IDC_BROWSE_SOURCE,
        IDC_RECOMPILE_TARGET_LABEL, IDC_RECOMPILE_TARGET, IDC_BROWSE_TARGET,
        IDC_RECOMPILE_COLLECTION, IDC_RECOMPILE_DROP_INDEX, IDC_RECOMPILE_DROP_CONTENTS,
        IDC_RECOMPILE_TIP_HEADING, IDC_RECOMPILE_TIP_PAGE, IDOK, IDCANCEL}},
      {IDD_DECOMPILE,
       {IDC_DECOMPILE_SOURCE, IDC_BROWSE_SOURCE, IDC_DECOMPILE_TARGET, IDC_BROWSE_TARGET,
        IDC_DECOMPILE_PROJECT, IDOK, IDCANCEL, IDC_TIPS}},
      {IDD_COMPONENTS, {IDC_LIST, IDC_EXPLORE, IDC_DELETE, IDC_TIPS, IDCANCEL}},
      {IDD_MISSING_FILES, {IDC_LIST, IDOK, IDCANCEL, IDC_TIPS}},
      {IDD_EDIT_REGISTRY, {IDC_REG_NAME, IDC_REG_FOLDER, IDC_REG_BROWSE, IDOK, IDCANCEL, IDC_TIPS}},
  };
  for (const Want& w : wants) {
    const DialogTemplate* d = res::findDialog(w.dialog);
    ASSERT_NE(d, nullptr) << w.dialog;
    std::set<int> have;
    for (const auto& c : d->controls)
      if (c.id >= 0) have.insert(c.id);
    EXPECT_EQ(have, std::set<int>(w.ids.begin(), w.ids.end())) << "dialog " << w.dialog;
  }
  // Recompile without help has a tips button and no tip area; with help the
  // reverse.
  EXPECT_EQ(control(*res::findDialog(IDD_RECOMPILE_TIPS), IDC_TIPS), nullptr);
  EXPECT_EQ(control(*res::findDialog(IDD_RECOMPILE), IDC_RECOMPILE_TIP_PAGE), nullptr);
}

TEST(Dialogs, KindsAndTextsOfBoundControls) {
  auto kindOf = [](int dialog, int id) {
    const ControlTemplate* c = control(*res::findDialog(dialog), id);
    return c ? c->kind : ControlKind::Custom;
  };
  EXPECT_EQ(kindOf(IDD_DECOMPILE, IDC_DECOMPILE_SOURCE), ControlKind::ComboBox);
  EXPECT_EQ(kindOf(IDD_DECOMPILE, IDC_DECOMPILE_TARGET), ControlKind::Edit);
  EXPECT_EQ(kindOf(IDD_DECOMPILE, IDC_DECOMPILE_PROJECT), ControlKind::CheckBox);
  EXPECT_EQ(kindOf(IDD_RECOMPILE, IDC_RECOMPILE_TARGET), ControlKind::ComboBox);
  EXPECT_EQ(kindOf(IDD_CREATE_ITS, IDC_ITS_PROJECT_MODE), ControlKind::RadioButton);
  EXPECT_EQ(kindOf(IDD_CREATE_ITS, IDC_ITS_FOLDER_MODE), ControlKind::RadioButton);
  EXPECT_EQ(kindOf(IDD_HELP_REGISTRY, IDC_LIST), ControlKind::ListView);
  EXPECT_EQ(kindOf(IDD_COMPONENTS, IDC_LIST), ControlKind::ListView);
  EXPECT_EQ(kindOf(IDD_MISSING_FILES, IDC_LIST), ControlKind::ListBox);
  EXPECT_TRUE(control(*res::findDialog(IDD_EDIT_REGISTRY), IDC_REG_NAME)->style &
              res::style::ES_READONLY);
  // The two recompile dialogs differ in the collection checkbox's text.
  EXPECT_STREQ(control(*res::findDialog(IDD_RECOMPILE), IDC_RECOMPILE_COLLECTION)->text,
               "文件可能与其他的 CHM 文件合并(&M)");
  EXPECT_STREQ(control(*res::findDialog(IDD_RECOMPILE_TIPS), IDC_RECOMPILE_COLLECTION)->text,
               "来源文件是 CHM 文件集合的一个部件");
  EXPECT_STREQ(res::findDialog(IDD_RECOMPILE)->title, "重新编译 CHM 或 ITS 文件");
  EXPECT_STREQ(res::findDialog(IDD_RECOMPILE_TIPS)->title, "重新编译已编译的 HTML 帮助文件");
  EXPECT_STREQ(res::findDialog(IDD_DECOMPILE)->title, "反编译一个 CHM 或 ITS 文件");
  EXPECT_STREQ(res::findDialog(IDD_CREATE_ITS)->title, "编译 ITS 文件");
  EXPECT_STREQ(res::findDialog(IDD_EDIT_REGISTRY)->title, "编辑注册表项");
  EXPECT_STREQ(res::findDialog(IDD_MISSING_FILES)->title, "不存在已注册的文件");
  // Sizes the resizable lists were designed for.
  EXPECT_EQ(res::findDialog(IDD_HELP_REGISTRY)->cx, 360);
  EXPECT_EQ(res::findDialog(IDD_HELP_REGISTRY)->cy, 200);
  EXPECT_EQ(res::findDialog(IDD_COMPONENTS)->cx, 400);
  EXPECT_EQ(res::findDialog(IDD_COMPONENTS)->cy, 200);
}

// Rough width in dialog units of a text in the 9-point template font: a
// double-width character is 8 units, anything else 4; "&" takes no room.
int textWidth(const char* text) {
  int w = 0;
  for (auto* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    if (*p == '&') continue;
    if (*p >= 0xC0) {
      w += 8;
    } else if (*p < 0x80) {
      w += 4;
    }
  }
  return w;
}

bool overlaps(const ControlTemplate& a, const ControlTemplate& b) {
  return a.x < b.x + b.cx && b.x < a.x + a.cx && a.y < b.y + b.cy && b.y < a.y + a.cy;
}

TEST(Dialogs, LayoutsAreSound) {
  std::set<int> seen;
  for (const DialogTemplate& d : res::dialogTemplates()) {
    SCOPED_TRACE("dialog " + std::to_string(d.id));
    EXPECT_TRUE(seen.insert(d.id).second) << "dialog id used twice";
    EXPECT_EQ(res::findDialog(d.id), &d);
    EXPECT_STREQ(d.fontName, "宋体");
    EXPECT_EQ(d.fontPointSize, 9);
    std::set<int> ids;
    int defaults = 0;
    for (std::size_t i = 0; i < d.controls.size(); ++i) {
      const ControlTemplate& c = d.controls[i];
      SCOPED_TRACE("control " + std::to_string(c.id) + " " + c.text);
      if (c.id >= 0) {
        EXPECT_TRUE(ids.insert(c.id).second) << "two controls share this id";
      } else {
        EXPECT_EQ(c.id, IDC_STATIC);
        EXPECT_TRUE(c.kind == ControlKind::Static || c.kind == ControlKind::Icon ||
                    c.kind == ControlKind::GroupBox);
      }
      EXPECT_GE(c.x, 0);
      EXPECT_GE(c.y, 0);
      EXPECT_LE(c.x + c.cx, d.cx) << "reaches past the right edge";
      EXPECT_LE(c.y + c.cy, d.cy) << "reaches past the bottom edge";
      if (c.kind == ControlKind::PushButton) {
        EXPECT_EQ(c.cy, 14);
        if (c.style & res::style::BS_DEFPUSHBUTTON) ++defaults;
      }
      // Single-line texts must fit: buttons, check and radio boxes (with
      // room for the box), one-line labels.
      int room = c.cx;
      bool singleLine = c.kind == ControlKind::PushButton || c.kind == ControlKind::CheckBox ||
                        c.kind == ControlKind::RadioButton ||
                        (c.kind == ControlKind::Static && c.cy < 16);
      if (c.kind == ControlKind::CheckBox || c.kind == ControlKind::RadioButton) room -= 12;
      if (c.kind == ControlKind::PushButton) room -= 4;
      if (singleLine) {
        EXPECT_LE(textWidth(c.text), room) << "text is clipped";
      }
      for (std::size_t j = i + 1; j < d.controls.size(); ++j) {
        if (c.kind == ControlKind::GroupBox || d.controls[j].kind == ControlKind::GroupBox)
          continue;
        EXPECT_FALSE(overlaps(c, d.controls[j])) << "overlaps control " << d.controls[j].id;
      }
    }
    EXPECT_LE(defaults, 1) << "more than one default button";
    // Buttons whose text names their role carry the id the dialog code
    // handles for that role.
    for (const ControlTemplate& c : d.controls) {
      if (c.kind != ControlKind::PushButton) continue;
      const std::string text = c.text;
      int want = text == "确定"                                       ? IDOK
                 : text == "取消"                                     ? IDCANCEL
                 : text == "提示(&T)..." || text == "显示帮助(&H) >>" ? IDC_TIPS
                                                                      : c.id;
      EXPECT_EQ(c.id, want) << text;
    }
  }
  EXPECT_GE(seen.size(), 12u);
  EXPECT_EQ(res::findDialog(0), nullptr);
  EXPECT_EQ(res::findDialog(IDD_RESULTS + 1000), nullptr);
}

}  // namespace
