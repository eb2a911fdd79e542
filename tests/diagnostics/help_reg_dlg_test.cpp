// The help registry editor on real widgets over scratch hives: from menu
// command 32774 to a saved change, the missing-file clean-up, Change on a
// marked row, and a save that cannot write everything.
#include "diagnostics/help_reg_dlg.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/log_doc.h"
#include "app/main_frame.h"
#include "common/browse_open_file.h"
#include "diagnostics/edit_reg_dlg.h"
#include "platform/dialogs/dialog_builder.h"
#include "platform/registry/hive_file.h"
#include "res/help_tables.h"
#include "res/ids.h"
#include "tests/common/recording_help.h"
#include "tests/common/recording_prompter.h"
#include "tests/common/scratch_config.h"
#include "ui/program_help.h"
#include "ui/sort_list_ctrl.h"

using helpreg::Entry;
using helpreg::Mode;

namespace {

// Runs `action` on the next modal window other than `except`, as soon as it
// shows.
void onNextModal(std::function<void(QWidget*)> action, QWidget* except = nullptr) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, action, except] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == except || !modal->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    action(modal);
  });
  timer->start(10);
}

void click(QWidget* dialog, int id) {
  auto* b = dlg::findControl<QAbstractButton>(dialog, id);
  ASSERT_TRUE(b) << id;
  b->click();
}

class HelpRegDlgTest : public ::testing::Test {
 protected:
  void SetUp() override { setHelpRegistryMode(Mode::HtmlHelp); }
  void TearDown() override {
    setOpenFileDialog(nullptr);
    reg::HiveFile::setBeforeRenameHook(nullptr);
  }
  void put(const std::string& name, const std::string& folder) {
    ASSERT_TRUE(helpreg::setValue(Mode::HtmlHelp, {name, folder}).ok());
  }
  std::vector<Entry> stored() {
    return helpreg::readEntries(Mode::HtmlHelp, helpreg::FixedDrives::current()).entries;
  }
  std::string file(const std::string& name) {
    const std::string path = scratch_.root() + "/" + name;
    ScratchConfig::write(path, "x");
    return path;
  }
  std::string hive() const { return scratch_.config() + "/system.reg"; }
  static std::vector<std::string> rows(const CHelpRegDlg& d) {
    std::vector<std::string> out;
    for (int i = 0; i < d.list()->GetItemCount(); ++i)
      out.push_back(d.list()->GetItemText(i, 0).toStdString() + "=" +
                    d.list()->GetItemText(i, 1).toStdString());
    return out;
  }

  ScratchConfig scratch_;
  ScopedRecordingPrompter prompter_;
};

TEST_F(HelpRegDlgTest, MenuCommandToASavedChange) {
  const std::string added = file("added.chm");
  std::string initial;
  setOpenFileDialog([&](void*, std::string_view first, std::string& out) {
    initial = std::string(first);
    out = added;
    return true;
  });
  CLogDoc doc;
  CMainFrame frame(doc);
  frame.show();
  bool sawDialog = false;
  onNextModal([&](QWidget* w) {
    auto* d = qobject_cast<CHelpRegDlg*>(w);
    sawDialog = d != nullptr;
    if (!d) {
      w->close();
      return;
    }
    EXPECT_EQ(d->windowTitle().toStdString(), "HTML 帮助注册");
    click(d, IDC_REG_ADD);
    click(d, IDOK);
  });
  frame.menuAction(ID_HTMLHELP_REGISTRY)->trigger();
  EXPECT_TRUE(sawDialog);
  EXPECT_EQ(initial, "*.chm");
  EXPECT_EQ(stored(), (std::vector<Entry>{{"added.chm", scratch_.root()}}));
}

// Folders under /proc are never on a fixed drive: no missing-file question.
TEST_F(HelpRegDlgTest, ColumnsModeAndDeleteWithoutSelection) {
  put("b.chm", "/proc/b");
  put("a.chm", "/proc/a");
  setHelpRegistryMode(Mode::WinHelp);
  ASSERT_TRUE(helpreg::setValue(Mode::WinHelp, {"w.hlp", "/proc/w"}).ok());
  CHelpRegDlg d;
  ASSERT_TRUE(d.create());
  EXPECT_EQ(d.windowTitle().toStdString(), "WinHelp 注册");
  EXPECT_EQ(rows(d), (std::vector<std::string>{"w.hlp=/proc/w"}));
  const int half = (d.list()->width() - 4) / 2;
  EXPECT_EQ(d.list()->columnWidth(0), half - 120);
  EXPECT_EQ(d.list()->columnWidth(1), half + 120);
  d.OnDelete();
  ASSERT_EQ(prompter_.count(), 1u);
  EXPECT_EQ(prompter_.last().text, "您必须首先选择一个条目。");
  EXPECT_EQ(prompter_.last().flags & MB_ICONMASK, MB_ICONWARNING);
}

// Two missing files go in one confirmation; saving afterwards without an
// edit writes nothing at all; a deleted row removes exactly its value.
TEST_F(HelpRegDlgTest, MissingFilesGoInOneConfirmationAndAreNotDeletedAgain) {
  const std::string here = scratch_.root();
  file("present.chm");
  put("gone1.chm", here + "/nowhere");
  put("present.chm", here);
  put("gone2.chm", here + "/nowhere");
  put("other.chm", "/proc/not-a-disk");
  std::vector<std::string> listed;
  onNextModal([&](QWidget* w) {
    if (auto* list = dlg::findControl<QListWidget>(w, IDC_LIST))
      for (int i = 0; i < list->count(); ++i) listed.push_back(list->item(i)->text().toStdString());
    click(w, IDOK);  // "删除(&D)"
  });
  CHelpRegDlg d;
  ASSERT_TRUE(d.create());
  EXPECT_EQ(listed,
            (std::vector<std::string>{here + "/nowhere/gone1.chm", here + "/nowhere/gone2.chm"}));
  EXPECT_EQ(rows(d),
            (std::vector<std::string>{"other.chm=/proc/not-a-disk", "present.chm=" + here}));
  EXPECT_EQ(stored(),
            (std::vector<Entry>{{"present.chm", here}, {"other.chm", "/proc/not-a-disk"}}));
  EXPECT_EQ(d.snapshot().size(), 2u);

  const std::string before = ScratchConfig::read(hive());
  struct stat old {};
  ::stat(hive().c_str(), &old);
  click(&d, IDOK);
  EXPECT_EQ(d.result(), QDialog::Accepted);
  struct stat now {};
  ::stat(hive().c_str(), &now);
  EXPECT_EQ(ScratchConfig::read(hive()), before);
  EXPECT_EQ(now.st_ino, old.st_ino);

  CHelpRegDlg again;
  ASSERT_TRUE(again.create());
  again.list()->SelectRow(0);  // other.chm, sorted first
  again.OnDelete();
  click(&again, IDOK);
  EXPECT_EQ(stored(), (std::vector<Entry>{{"present.chm", here}}));
}

TEST_F(HelpRegDlgTest, ChangeOnAMarkedRowShowsTheSuffixAndSavesTheBareName) {
  put("gone.chm", scratch_.root() + "/nowhere");
  onNextModal([](QWidget* w) { click(w, IDCANCEL); });  // keep the marked row
  CHelpRegDlg d;
  ASSERT_TRUE(d.create());
  ASSERT_EQ(rows(d),
            (std::vector<std::string>{"gone.chm (不存在)=" + scratch_.root() + "/nowhere"}));
  d.list()->SelectRow(0);
  std::string shownName;
  onNextModal(
      [&](QWidget* w) {
        shownName = dlg::findControl<QLineEdit>(w, IDC_REG_NAME)->text().toStdString();
        EXPECT_TRUE(dlg::findControl<QLineEdit>(w, IDC_REG_NAME)->isReadOnly());
        dlg::findControl<QLineEdit>(w, IDC_REG_FOLDER)->setText("/found/it");
        click(w, IDOK);
      },
      &d);
  d.OnChange();
  EXPECT_EQ(shownName, "gone.chm (不存在)");
  click(&d, IDOK);
  EXPECT_EQ(stored(), (std::vector<Entry>{{"gone.chm", "/found/it"}}));
}

// The first change reaches the hive, whose folder then becomes read-only:
// the save names what it could not write and the dialog keeps its rows.
// A save is one write of the hive: when it cannot be made nothing is
// changed, the rows stay as edited, and the next try writes them all.
TEST_F(HelpRegDlgTest, ASaveThatCannotWriteChangesNothingAndKeepsTheRows) {
  put("a.chm", "/proc/a");
  put("b.chm", "/proc/b");
  put("c.chm", "/proc/c");
  CHelpRegDlg d;
  ASSERT_TRUE(d.create());
  d.show();
  d.list()->SelectRow(0);
  d.OnDelete();  // a.chm
  d.list()->SelectRow(0);
  d.OnDelete();  // b.chm
  const std::string folder = scratch_.config();
  ::chmod(folder.c_str(), 0555);
  click(&d, IDOK);
  EXPECT_TRUE(d.isVisible());
  EXPECT_NE(d.result(), QDialog::Accepted);
  ASSERT_EQ(prompter_.count(), 1u);
  EXPECT_EQ(prompter_.last().text, "无法打开注册表");
  EXPECT_EQ(rows(d), (std::vector<std::string>{"c.chm=/proc/c"}));
  EXPECT_EQ(stored(),
            (std::vector<Entry>{{"a.chm", "/proc/a"}, {"b.chm", "/proc/b"}, {"c.chm", "/proc/c"}}));

  // Writable again: the second try makes the whole change.
  ::chmod(folder.c_str(), 0755);
  click(&d, IDOK);
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(stored(), (std::vector<Entry>{{"c.chm", "/proc/c"}}));
}

TEST_F(HelpRegDlgTest, AddingTheSameFileTwiceListsTwoRows) {
  const std::string path = file("twice.chm");
  setOpenFileDialog([&](void*, std::string_view, std::string& out) {
    out = path;
    return true;
  });
  CHelpRegDlg d;
  ASSERT_TRUE(d.create());
  d.OnAdd();
  d.OnAdd();
  EXPECT_EQ(d.list()->GetItemCount(), 2);
  click(&d, IDOK);
  EXPECT_EQ(stored(), (std::vector<Entry>{{"twice.chm", scratch_.root()}}));
}

// The help the editor and dialog 139 ask for: the dialog topic by mode and
// the pop-up of the control under F1, through the program's help, which
// asks the HTML Help viewer only when the help file is there.
TEST_F(HelpRegDlgTest, TipsAndControlHelpAskForTheirTopics) {
  OverrideHelpAvailability({.checkDone = true});  // the help file and its window type exist
  RecordingHelp help;
  setHelpRegistryMode(Mode::WinHelp);
  CHelpRegDlg d;
  ASSERT_TRUE(d.create());
  d.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
  click(&d, IDC_TIPS);
  d.list()->setFocus();
  QTest::keyClick(d.list(), Qt::Key_F1);
  CEditRegDlg edit("a.chm", "/x", &d);
  ASSERT_TRUE(edit.create());
  click(edit.window(), IDC_TIPS);
  QWidget* folder = dlg::findControl<QLineEdit>(edit.window(), IDC_REG_FOLDER);
  ASSERT_TRUE(folder);
  folder->setFocus();
  QTest::keyClick(edit.window(), Qt::Key_F1);
  ASSERT_EQ(help.calls.size(), 4u);
  EXPECT_EQ(help.calls[0].file, "Wrenlow.chm>DlgHelp");
  EXPECT_EQ(help.calls[0].command, HH_HELP_CONTEXT);
  EXPECT_EQ(help.calls[0].data, static_cast<std::uintptr_t>(IDH_WINHELP_REGISTRY));
  EXPECT_EQ(help.calls[1].command, HH_TP_HELP_WM_HELP);
  EXPECT_EQ(help.calls[1].window, d.list());
  EXPECT_EQ(res::PopupTopic(reinterpret_cast<const unsigned*>(help.calls[1].data), IDC_LIST), 170u);
  EXPECT_EQ(help.calls[2].data, static_cast<std::uintptr_t>(IDH_EDIT_REGISTRY));
  EXPECT_EQ(help.calls[3].file, "Wrenlow.chm::/wrenlow.txt");
  EXPECT_EQ(help.calls[3].window, folder);
  EXPECT_EQ(res::PopupTopic(reinterpret_cast<const unsigned*>(help.calls[3].data), IDC_REG_FOLDER),
            227u);

  // Without the help file the viewer is not asked at all.
  help.calls.clear();
  OverrideHelpAvailability({.checkDone = true, .winHelpFallback = true, .noPopupTexts = true});
  click(&d, IDC_TIPS);
  QTest::keyClick(d.list(), Qt::Key_F1);
  click(edit.window(), IDC_TIPS);
  OverrideHelpAvailability({});
  EXPECT_TRUE(help.calls.empty());
}

}  // namespace
