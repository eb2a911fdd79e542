#include "platform/dialogs/window_text.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>

#include "platform/dialogs/dialog_builder.h"

namespace {

using res::ControlKind;
using res::ControlTemplate;
namespace st = res::style;

constexpr ControlTemplate kControls[] = {
    {1001, ControlKind::Edit, st::WS_TABSTOP, "路径", 7, 7, 100, 14},
    {1002, ControlKind::Edit, st::ES_MULTILINE, "a\nb", 7, 25, 100, 30},
    {1003, ControlKind::ComboBox, st::CBS_DROPDOWN, "", 7, 60, 100, 14},
    {1004, ControlKind::ComboBox, st::CBS_DROPDOWNLIST, "", 7, 80, 100, 14},
    {1005, ControlKind::CheckBox, 0, "选项(&O)", 7, 100, 100, 10},
};
constexpr res::DialogTemplate kDialog = {9002, "文本", "宋体", 9, 0, 120, 120, kControls};

TEST(WindowText, ReadsAndWritesControlTexts) {
  QDialog dialog;
  dlg::buildDialog(dialog, kDialog);
  std::string s = "old";
  GetDlgItemTextOwned(&dialog, 1001, s);
  EXPECT_EQ(s, "路径");
  GetDlgItemTextOwned(&dialog, 1002, s);
  EXPECT_EQ(s, "a\nb");
  GetDlgItemTextOwned(&dialog, 1005, s);
  EXPECT_EQ(s, "选项(&O)");
  GetDlgItemTextOwned(&dialog, 4242, s);  // no such control
  EXPECT_EQ(s, "");
  GetWindowTextOwned(&dialog, s);
  EXPECT_EQ(s, "文本");

  SetWindowTextUtf8(dlg::findControl(&dialog, 1003), "/tmp/帮助.chm");
  GetDlgItemTextOwned(&dialog, 1003, s);
  EXPECT_EQ(s, "/tmp/帮助.chm");
  auto* list = dlg::findControl<QComboBox>(&dialog, 1004);
  list->addItems({"一", "二"});
  SetWindowTextUtf8(list, "二");
  GetDlgItemTextOwned(&dialog, 1004, s);
  EXPECT_EQ(s, "二");
}

TEST(WindowText, RectanglesKeepTheirSize) {
  QWidget top;
  top.setGeometry(100, 80, 300, 200);
  auto* child = new QWidget(&top);
  child->setGeometry(10, 20, 50, 50);
  top.show();
  const QRect client(5, 6, 30, 40);
  const QRect screen = ClientRectToScreen(child, client);
  EXPECT_EQ(screen.size(), client.size());
  EXPECT_EQ(screen.topLeft() - child->mapToGlobal(QPoint(0, 0)), client.topLeft());
  EXPECT_EQ(ScreenRectToClient(child, screen), client);
}

}  // namespace
