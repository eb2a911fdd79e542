#include "platform/dialogs/dialog_builder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTreeWidget>
#include <memory>

#include "res/dialog_template.h"
#include "res/ids.h"

namespace {

using res::ControlKind;
using res::ControlTemplate;
using res::DialogTemplate;
namespace st = res::style;

constexpr int kResultsDialog = 140;

// The controls of a dialog that carry the template's index order: children
// with a controlId, in creation order.
std::vector<QWidget*> controlsOf(const QWidget& dialog) {
  std::vector<QWidget*> out;
  for (QObject* child : dialog.children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (w && w->property("controlId").isValid()) out.push_back(w);
  }
  return out;
}

TEST(DialogUnits, ConvertWithBaseUnitsRoundingToNearest) {
  const dlg::BaseUnits u{6, 12};
  EXPECT_EQ(dlg::toPixels(u, 10, 20, 30, 40), QRect(15, 30, 45, 60));
  // 1 × 7 / 4 = 1.75 → 2; 1 × 13 / 8 = 1.625 → 2; 3 × 6 / 4 = 4.5 → 5.
  EXPECT_EQ(dlg::toPixels(dlg::BaseUnits{7, 13}, 1, 1, 1, 1), QRect(2, 2, 2, 2));
  EXPECT_EQ(dlg::toPixels(u, 3, 0, 0, 0).x(), 5);
  EXPECT_EQ(dlg::toPixels(u, 273, 232), QSize(410, 348));
}

TEST(DialogFont, ACjkSansFontAtTheTemplateSize) {
  const DialogTemplate* tmpl = res::findDialog(kResultsDialog);
  ASSERT_NE(tmpl, nullptr);
  const QFont font = dlg::dialogFont(*tmpl);
  EXPECT_EQ(font.pointSize(), 9);
  const QFontInfo info(font);
  if (!info.family().contains("CJK"))
    GTEST_SKIP() << "CJK font missing: " << info.family().toStdString();
  EXPECT_EQ(info.family(), QString(dlg::kDialogFontFamily));
  const dlg::BaseUnits u = dlg::baseUnits(font);
  RecordProperty("baseUnitX", u.x);
  RecordProperty("baseUnitY", u.y);
  // A 9-point font is 12 pixels at 96 dots per inch: its letters average
  // several pixels and its line is taller than the font size.
  EXPECT_GE(u.x, 4);
  EXPECT_LE(u.x, 9);
  EXPECT_GE(u.y, 12);
  EXPECT_LE(u.y, 24);
}

TEST(DialogBuilder, ResultsDialogControlsSitAtTheirConvertedRectangles) {
  const DialogTemplate* tmpl = res::findDialog(kResultsDialog);
  ASSERT_NE(tmpl, nullptr);
  auto dialog = dlg::createDialog(kResultsDialog);
  ASSERT_NE(dialog, nullptr);
  const dlg::BaseUnits u = dlg::baseUnits(dlg::dialogFont(*tmpl));
  EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8(tmpl->title));
  EXPECT_EQ(dialog->size(), dlg::toPixels(u, tmpl->cx, tmpl->cy));
  EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());  // not resizable

  const std::vector<QWidget*> controls = controlsOf(*dialog);
  ASSERT_EQ(controls.size(), tmpl->controls.size());
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const ControlTemplate& c = tmpl->controls[i];
    SCOPED_TRACE(c.id);
    EXPECT_EQ(dlg::controlId(controls[i]), c.id);
    EXPECT_EQ(controls[i]->geometry(), dlg::toPixels(u, c.x, c.y, c.cx, c.cy));
    if (c.id != -1) {
      EXPECT_EQ(dlg::findControl(dialog.get(), c.id), controls[i]);
    }
  }
  // The kinds the results dialog's code relies on.
  for (const ControlTemplate& c : tmpl->controls) {
    if (c.kind == ControlKind::Progress) {
      EXPECT_NE(dlg::findControl<QProgressBar>(dialog.get(), c.id), nullptr);
    }
    if (c.kind == ControlKind::Edit) {
      auto* edit = dlg::findControl<QPlainTextEdit>(dialog.get(), c.id);
      ASSERT_NE(edit, nullptr);
      EXPECT_TRUE(edit->isReadOnly());
    }
  }
  EXPECT_EQ(dlg::findControl<QLabel>(dialog.get(), 1), nullptr);  // id 1 is a button
  EXPECT_EQ(dlg::findControl(dialog.get(), 99999), nullptr);
}

TEST(DialogBuilder, EveryTemplateBuildsWithUniqueControlNames) {
  for (int id = 0; id < 1000; ++id) {
    const DialogTemplate* tmpl = res::findDialog(id);
    if (!tmpl) continue;
    SCOPED_TRACE(id);
    QWidget host;
    dlg::buildDialog(host, *tmpl);
    for (const ControlTemplate& c : tmpl->controls) {
      if (c.id == -1) continue;
      EXPECT_EQ(host.findChildren<QWidget*>(QString::number(c.id)).size(), 1) << c.id;
    }
  }
}

// A template of our own with the styles the builder honours.
constexpr ControlTemplate kControls[] = {
    {-1, ControlKind::Static, 0, "名称(&N):", 7, 7, 40, 8},
    {1001, ControlKind::Edit, st::WS_BORDER | st::WS_TABSTOP | st::ES_AUTOHSCROLL, "abc", 50, 7,
     100, 14},
    {1002, ControlKind::ComboBox, st::CBS_DROPDOWNLIST | st::WS_TABSTOP, "", 7, 25, 100, 14},
    {1003, ControlKind::ComboBox, st::CBS_DROPDOWN | st::WS_TABSTOP, "", 110, 25, 100, 14},
    {1004, ControlKind::RadioButton, st::WS_GROUP | st::WS_TABSTOP, "一", 7, 45, 40, 10},
    {1005, ControlKind::RadioButton, 0, "二", 50, 45, 40, 10},
    {1006, ControlKind::RadioButton, st::WS_GROUP | st::WS_TABSTOP, "三", 7, 60, 40, 10},
    {1007, ControlKind::CheckBox, st::WS_TABSTOP | st::WS_DISABLED, "禁用", 7, 75, 60, 10},
    {1008, ControlKind::Static, st::SS_NOPREFIX | st::WS_INVISIBLE, "a&b", 7, 90, 60, 8},
    {1009, ControlKind::ListView, st::LVS_REPORT | st::LVS_SINGLESEL, "", 7, 100, 150, 50},
    {1010, ControlKind::TreeView, st::TVS_LINESATROOT, "", 160, 100, 50, 50},
    {1011, ControlKind::Custom, 0, "", 7, 155, 50, 20, "browser"},
    {1, ControlKind::PushButton, st::BS_DEFPUSHBUTTON | st::WS_TABSTOP, "确定", 100, 180, 50, 14},
    {2, ControlKind::PushButton, st::WS_TABSTOP, "取消", 160, 180, 50, 14},
    {-1, ControlKind::Static, 0, "末尾(&E)", 7, 200, 50, 8},
};
constexpr DialogTemplate kTestDialog = {9001, "测试", "宋体",   9, st::WS_THICKFRAME,
                                        220,  210,    kControls};

TEST(DialogBuilder, StylesWithAQtCounterpart) {
  QDialog dialog;
  dlg::buildDialog(dialog, kTestDialog);
  EXPECT_NE(dialog.minimumSize(), dialog.maximumSize());  // WS_THICKFRAME: resizable

  auto* label = qobject_cast<QLabel*>(controlsOf(dialog).front());
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->buddy(), dlg::findControl(&dialog, 1001));  // mnemonic focuses the edit
  EXPECT_EQ(dlg::findControl<QLineEdit>(&dialog, 1001)->text(), "abc");

  EXPECT_FALSE(dlg::findControl<QComboBox>(&dialog, 1002)->isEditable());
  EXPECT_TRUE(dlg::findControl<QComboBox>(&dialog, 1003)->isEditable());

  auto* one = dlg::findControl<QRadioButton>(&dialog, 1004);
  auto* two = dlg::findControl<QRadioButton>(&dialog, 1005);
  auto* three = dlg::findControl<QRadioButton>(&dialog, 1006);
  ASSERT_TRUE(one && two && three);
  EXPECT_EQ(one->group(), two->group());
  EXPECT_NE(one->group(), three->group());
  one->setChecked(true);
  three->setChecked(true);
  two->setChecked(true);
  EXPECT_FALSE(one->isChecked());   // exclusive within the group
  EXPECT_TRUE(three->isChecked());  // another group

  EXPECT_FALSE(dlg::findControl(&dialog, 1007)->isEnabled());
  EXPECT_TRUE(dlg::findControl(&dialog, 1008)->isHidden());
  EXPECT_EQ(dlg::findControl<QLabel>(&dialog, 1008)->text(), "a&b");
  EXPECT_EQ(dlg::findControl<QTreeWidget>(&dialog, 1009)->selectionMode(),
            QAbstractItemView::SingleSelection);
  EXPECT_TRUE(dlg::findControl<QTreeWidget>(&dialog, 1010)->isHeaderHidden());
  EXPECT_EQ(dlg::findControl(&dialog, 1011)->property("className").toString(), "browser");
  EXPECT_TRUE(dlg::findControl<QPushButton>(&dialog, 1)->isDefault());
  EXPECT_EQ(dlg::findControl(&dialog, 1001)->focusPolicy(), Qt::StrongFocus);
  EXPECT_EQ(dlg::findControl(&dialog, 1005)->focusPolicy(), Qt::ClickFocus);
  // A mnemonic with no control after it is shown as plain text.
  EXPECT_EQ(qobject_cast<QLabel*>(controlsOf(dialog).back())->text(), "末尾(E)");
}

TEST(DialogBuilder, OkAndCancelEndTheDialog) {
  QDialog dialog;
  dlg::buildDialog(dialog, kTestDialog);
  QSignalSpy accepted(&dialog, &QDialog::accepted);
  QSignalSpy rejected(&dialog, &QDialog::rejected);
  dlg::findControl<QPushButton>(&dialog, 1)->click();
  EXPECT_EQ(accepted.count(), 1);
  dlg::findControl<QPushButton>(&dialog, 2)->click();
  EXPECT_EQ(rejected.count(), 1);
}

}  // namespace

// The about box shown when the help file is missing has the program's icon
// beside its text, also before (or without) an application icon being set.
TEST(DialogBuilder, AboutBoxShowsTheProgramIcon) {
  ASSERT_TRUE(QApplication::windowIcon().availableSizes().isEmpty());
  std::unique_ptr<QDialog> about = dlg::createDialog(IDD_ABOUT);
  ASSERT_NE(about, nullptr);
  int icons = 0;
  for (auto* label : about->findChildren<QLabel*>()) {
    const QPixmap picture = label->pixmap();
    if (picture.isNull()) continue;
    ++icons;
    EXPECT_EQ(picture.size(), QSize(32, 32));
    // Not a blank square: the picture has more than one colour.
    const QImage image = picture.toImage();
    bool varied = false;
    for (int y = 0; y < image.height() && !varied; ++y)
      for (int x = 0; x < image.width() && !varied; ++x)
        varied = image.pixel(x, y) != image.pixel(0, 0);
    EXPECT_TRUE(varied);
  }
  EXPECT_EQ(icons, 1);
}
