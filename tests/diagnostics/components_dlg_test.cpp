// Dialog 135 driven as the user would: the list after the search, Cancel in
// the progress window, Delete with and without a selection, the menu
// command on a prefix's drive C:. With WRENLOW_SHOTS=<folder> the lists are
// also saved as pictures (the HTML Help components of the prefix named by
// WRENLOW_SHOT_PREFIX, when set).
#include "diagnostics/components_dlg.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMainWindow>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "res/help_tables.h"
#include "res/ids.h"
#include "tests/common/recording_help.h"
#include "tests/common/recording_prompter.h"
#include "tests/common/scratch_config.h"
#include "ui/program_help.h"
#include "ui/sort_list_ctrl.h"

namespace fs = std::filesystem;
using finders::FinderMode;

namespace {

QStringList column(CSortListCtrl* list, int c) {
  QStringList out;
  for (int r = 0; r < list->GetItemCount(); ++r) out << list->GetItemText(r, c);
  return out;
}

void saveShot(QWidget* w, const char* name) {
  const char* dir = std::getenv("WRENLOW_SHOTS");
  if (!dir) return;
  w->show();
  QTest::qWait(300);
  const QRect g = w->frameGeometry();
  w->screen()->grabWindow(0, g.x(), g.y(), g.width(), g.height()).save(QString(dir) + "/" + name);
}

class ComponentsDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree_ = config_.root() + "/tree";
    for (const char* f : {"Docs/GUIDE.CHM", "Docs/api.chi", "Docs/Manual.chm", "old/readme.chm.bak",
                          "old/win.hlp", "x/deep/er/its.its"})
      ScratchConfig::write(tree_ + "/" + f, "x");
  }
  ScratchConfig config_;
  std::string tree_;
};

TEST_F(ComponentsDlgTest, HelpFilesModeListsSortedRowsWithItsColumns) {
  CComponentsDlg dialog(FinderMode::HtmlHelpFiles);
  dialog.drivesToSearch = std::vector<drives::FixedDrive>{{tree_, tree_}};
  ASSERT_TRUE(dialog.create());
  EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("HTML 帮助文件"));
  CSortListCtrl* list = dialog.list();
  ASSERT_TRUE(list);
  EXPECT_EQ(list->objectName(), QString::number(IDC_LIST));
  QStringList headers;
  for (int c = 0; c < 4; ++c) headers << list->model()->headerData(c, Qt::Horizontal).toString();
  EXPECT_EQ(headers, (QStringList{"文件", "扩展名", "修改日期", "路径"}));
  EXPECT_EQ(column(list, 0), (QStringList{"api.chi", "guide.chm", "its.its", "Manual.chm"}));
  EXPECT_EQ(column(list, 1), (QStringList{".chi", ".chm", ".its", ".chm"}));
  // The path is the file's as named on disk, whatever the name column shows.
  EXPECT_EQ(list->GetItemText(1, 3), QString::fromStdString(tree_ + "/Docs/GUIDE.CHM"));
  EXPECT_EQ(dialog.progress().window(), nullptr);  // closed after the search
  EXPECT_FALSE(dialog.searchCancelled());
  saveShot(&dialog, "help-files.png");
}

TEST_F(ComponentsDlgTest, ComponentModesTitlesAndColumns) {
  CComponentsDlg html(FinderMode::HtmlHelpComponents);
  html.drivesToSearch = std::vector<drives::FixedDrive>{};
  ASSERT_TRUE(html.create());
  EXPECT_EQ(html.windowTitle(), QString::fromUtf8("HTML 帮助工具组件"));
  QStringList headers;
  for (int c = 0; c < 4; ++c)
    headers << html.list()->model()->headerData(c, Qt::Horizontal).toString();
  EXPECT_EQ(headers, (QStringList{"组件", "版本", "修改日期", "路径"}));
  // b = list width / 4: "组件" b - 20, "路径" b + 70.
  const int b = html.list()->width() / 4;
  EXPECT_EQ(html.list()->columnWidth(0), b - 20);
  EXPECT_EQ(html.list()->columnWidth(3), b + 70);
  CComponentsDlg win(FinderMode::WinHelpComponents);
  win.drivesToSearch = std::vector<drives::FixedDrive>{};
  ASSERT_TRUE(win.create());
  EXPECT_EQ(win.windowTitle(), QString::fromUtf8("WinHelp 组件"));
}

TEST_F(ComponentsDlgTest, DeleteAsksRemovesTheFileAndTheRow) {
  CComponentsDlg dialog(FinderMode::WinHelpFiles);
  dialog.drivesToSearch = std::vector<drives::FixedDrive>{{tree_, tree_}};
  ASSERT_TRUE(dialog.create());
  ASSERT_EQ(dialog.list()->GetItemCount(), 1);
  ScopedRecordingPrompter prompter{IDOK, IDNO, IDYES};
  dialog.OnDelete();  // nothing selected
  ASSERT_EQ(prompter.count(), 1u);
  EXPECT_EQ(prompter.last().text, "您必须首先选择一个条目。");
  EXPECT_EQ(prompter.last().flags & MB_ICONMASK, MB_ICONWARNING);
  dialog.list()->SelectRow(0);
  dialog.OnDelete();  // No
  EXPECT_TRUE(fs::exists(tree_ + "/old/win.hlp"));
  dialog.OnDelete();  // Yes
  EXPECT_EQ(prompter.last().text, "您确实想要删除文件“" + tree_ + "/old/win.hlp”吗？");
  EXPECT_EQ(prompter.last().flags, MB_YESNO);
  EXPECT_FALSE(fs::exists(tree_ + "/old/win.hlp"));
  EXPECT_EQ(dialog.list()->GetItemCount(), 0);
}

TEST_F(ComponentsDlgTest, DeleteRemovesAFileNamedInCapitals) {
  CComponentsDlg dialog(FinderMode::HtmlHelpFiles);
  dialog.drivesToSearch = std::vector<drives::FixedDrive>{{tree_, tree_}};
  ASSERT_TRUE(dialog.create());
  ASSERT_EQ(dialog.list()->GetItemText(1, 0), QString("guide.chm"));
  ScopedRecordingPrompter prompter{IDYES, IDOK};
  dialog.list()->SelectRow(1);
  dialog.OnDelete();
  ASSERT_EQ(prompter.count(), 1u) << prompter.last().text;
  EXPECT_EQ(prompter.last().text, "您确实想要删除文件“" + tree_ + "/Docs/GUIDE.CHM”吗？");
  EXPECT_FALSE(fs::exists(tree_ + "/Docs/GUIDE.CHM"));
  EXPECT_EQ(column(dialog.list(), 0), (QStringList{"api.chi", "its.its", "Manual.chm"}));
}

TEST_F(ComponentsDlgTest, CancelKeepsWhatWasFoundSorted) {
  for (int d = 0; d < 20; ++d)
    for (int i = 0; i < 200; ++i)
      ScratchConfig::write(tree_ + "/many" + std::to_string(d) + "/f" + std::to_string(i) + ".chm",
                           "");
  CComponentsDlg dialog(FinderMode::HtmlHelpFiles);
  dialog.drivesToSearch = std::vector<drives::FixedDrive>{{tree_, tree_}};
  // The first events the search pumps: the progress window is up; press its
  // Cancel button as a user would.
  int clicks = 0;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (QPushButton* cancel = dialog.progress().cancelButton(); cancel && clicks == 0) {
      ++clicks;
      cancel->click();
    }
  });
  poll.start(0);
  ASSERT_TRUE(dialog.create());
  poll.stop();
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(dialog.searchCancelled());
  const QStringList names = column(dialog.list(), 0);
  EXPECT_LT(names.size(), 20 * 200);
  QStringList sorted = names;
  std::stable_sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) < 0;
  });
  EXPECT_EQ(names, sorted);
}

// The progress window of a search opens centred on the main window that
// owns the list, whatever the list's own (not yet shown) place.
TEST_F(ComponentsDlgTest, ProgressWindowIsCentredOnTheMainWindow) {
  for (int i = 0; i < 400; ++i)
    ScratchConfig::write(tree_ + "/many/f" + std::to_string(i) + ".chm", "");
  QMainWindow main;
  const QRect work = main.screen()->availableGeometry();
  main.setGeometry(work.left() + 150, work.top() + 100, 600, 450);
  main.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  CComponentsDlg dialog(FinderMode::HtmlHelpFiles, &main);
  dialog.drivesToSearch = std::vector<drives::FixedDrive>{{tree_, tree_}};
  QRect placed;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* w = dialog.progress().window();
    if (!w || !w->isVisible() || !placed.isNull()) return;
    placed = w->geometry();
    dialog.progress().cancelButton()->click();
  });
  poll.start(0);
  ASSERT_TRUE(dialog.create());
  poll.stop();
  ASSERT_FALSE(placed.isNull());
  const QPoint off = placed.center() - main.geometry().center();
  EXPECT_LE(std::abs(off.x()), 2) << placed.x() << "," << placed.y();
  EXPECT_LE(std::abs(off.y()), 2) << placed.x() << "," << placed.y();
}

TEST_F(ComponentsDlgTest, MenuCommandWalksThePrefixDrives) {
  // A prefix whose only drive is C: (the scratch tree).
  const std::string prefix = config_.root() + "/prefix";
  fs::create_directories(prefix + "/dosdevices");
  fs::create_directory_symlink(tree_, prefix + "/dosdevices/c:");
  ::setenv("WRENLOW_WINEPREFIX", prefix.c_str(), 1);
  bool seen = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* d = dynamic_cast<CComponentsDlg*>(QApplication::activeModalWidget());
    if (!d || !d->isVisible() || seen) return;
    seen = true;
    EXPECT_EQ(d->windowTitle(), QString::fromUtf8("WinHelp 文件"));
    EXPECT_EQ(column(d->list(), 0), QStringList{"win.hlp"});
    if (auto* close = qobject_cast<QPushButton*>(d->control(IDCANCEL))) close->click();
  });
  poll.start(20);
  QTimer::singleShot(20000, [] {
    if (auto* d = QApplication::activeModalWidget()) d->close();
  });
  WinHelpFilesCommand(nullptr);
  poll.stop();
  ::unsetenv("WRENLOW_WINEPREFIX");
  EXPECT_TRUE(seen);
}

// "提示(&T)..." and the context help go through the program's help: the
// mode's topic and table when the help file is there, nothing for the HTML
// Help viewer when it is not.
TEST_F(ComponentsDlgTest, TipsAndContextHelpFollowTheMode) {
  OverrideHelpAvailability({.checkDone = true});
  RecordingHelp help;
  CComponentsDlg dialog(FinderMode::HtmlHelpFiles);
  dialog.drivesToSearch = std::vector<drives::FixedDrive>{};
  ASSERT_TRUE(dialog.create());
  auto* tips = qobject_cast<QPushButton*>(dialog.control(IDC_TIPS));
  QWidget* remove = dialog.control(IDC_DELETE);
  ASSERT_TRUE(tips && remove);
  auto contextMenuOn = [&](QWidget* w) {
    const QPoint at = w->geometry().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, dialog.mapToGlobal(at));
    QApplication::sendEvent(&dialog, &event);
  };
  tips->click();
  contextMenuOn(remove);
  ASSERT_EQ(help.calls.size(), 2u);
  EXPECT_EQ(help.calls[0].file, "Wrenlow.chm>DlgHelp");
  EXPECT_EQ(help.calls[0].command, HH_HELP_CONTEXT);
  EXPECT_EQ(help.calls[0].data, static_cast<std::uintptr_t>(IDH_HTMLHELP_FILES));
  EXPECT_EQ(help.calls[1].command, HH_TP_HELP_WM_HELP);
  EXPECT_EQ(help.calls[1].window, remove);
  EXPECT_EQ(res::PopupTopic(reinterpret_cast<const unsigned*>(help.calls[1].data), IDC_DELETE),
            unsigned(IDH_POPUP_HTMLHELP_FILES_DELETE));

  help.calls.clear();
  OverrideHelpAvailability({.checkDone = true, .winHelpFallback = true, .noPopupTexts = true});
  tips->click();
  contextMenuOn(remove);
  OverrideHelpAvailability({});
  EXPECT_TRUE(help.calls.empty());
}

TEST(ComponentsShots, HtmlHelpComponentsOfAPrefix) {
  const char* prefix = std::getenv("WRENLOW_SHOT_PREFIX");
  if (!prefix || !std::getenv("WRENLOW_SHOTS")) GTEST_SKIP() << "screenshots only on request";
  ::setenv("WRENLOW_WINEPREFIX", prefix, 1);
  reg::useFolder(prefix, true);
  CComponentsDlg dialog(FinderMode::HtmlHelpComponents);
  dialog.drivesToSearch = std::vector<drives::FixedDrive>{{std::string(prefix) + "/drive_c", "C:"}};
  ASSERT_TRUE(dialog.create());
  EXPECT_GT(dialog.list()->GetItemCount(), 0);
  saveShot(&dialog, "html-help-components.png");
  ::unsetenv("WRENLOW_WINEPREFIX");
}

}  // namespace

int main(int argc, char** argv) {
  // Nothing here needs a screen but the pictures; offscreen, these windows
  // cannot take the focus or the mouse from GUI tests running beside them.
  if (qEnvironmentVariableIsEmpty("WRENLOW_SHOTS") || qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
