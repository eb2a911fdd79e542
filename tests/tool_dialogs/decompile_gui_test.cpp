// The decompile command from the main window's menu: dialog 134 filled in,
// the run in the results dialog, and its summary read back. With
// WRENLOW_SHOT=<file> the results dialog is saved as a picture.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/log_doc.h"
#include "app/main_frame.h"
#include "platform/dialogs/dialog_builder.h"
#include "res/ids.h"
#include "res/strings.h"
#include "tests/common/recording_prompter.h"
#include "tests/common/scratch_config.h"
#include "tests/decompile/crafted_file.h"
#include "tests/tool_dialogs/modal_driver.h"
#include "tool_dialogs/decompile_dialog.h"
#include "ui/browse_chm.h"

namespace {

namespace fs = std::filesystem;
using modal::resultText;
using modal::whenRunEnds;
using modal::whenShown;

std::string templateTitle(int id) { return res::findDialog(id)->title; }

class DecompileGui : public ::testing::Test {
 protected:
  DecompileGui() : cwd_(fs::current_path()) {
    char tmpl[] = "/tmp/wl-decompile-gui-XXXXXX";
    dir_ = ::mkdtemp(tmpl);
    target_ = dir_ + "/out";
    fs::create_directory(target_);
  }
  ~DecompileGui() override {
    fs::current_path(cwd_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  ScratchConfig scratch_;
  fs::path cwd_;
  std::string dir_, target_;
};

TEST_F(DecompileGui, MenuCommandRunsTheDecompileAndShowsTheSummary) {
  // Both paths entered relative to the current folder, which the command
  // leaves where it is.
  fs::current_path(dir_);
  const std::string source =
      fs::relative(std::string(WRENLOW_CORPUS_DIR) + "/7zcn_7-zip.chm", dir_).string();
  const std::string relativeTarget = "out";
  ScopedRecordingPrompter prompter;
  CLogDoc doc;
  CMainFrame frame(doc);
  frame.show();

  bool filled = false, okWasDisabled = false, checked = false;
  std::string summary, status, shotError;
  bool closeHidden = true;
  whenShown(QString::fromUtf8(templateTitle(IDD_DECOMPILE)), [&](QDialog* d) {
    auto* combo = dlg::findControl<QComboBox>(d, IDC_DECOMPILE_SOURCE);
    auto* edit = dlg::findControl<QLineEdit>(d, IDC_DECOMPILE_TARGET);
    auto* ok = dlg::findControl<QPushButton>(d, IDOK);
    auto* check = dlg::findControl<QCheckBox>(d, IDC_DECOMPILE_PROJECT);
    if (!combo || !edit || !ok || !check) {
      d->reject();
      return;
    }
    checked = check->isChecked();
    okWasDisabled = !ok->isEnabled();  // the source starts empty
    combo->setEditText(QString::fromStdString(source));
    edit->setText(QString::fromStdString(relativeTarget));
    filled = ok->isEnabled();
    whenShown(QString::fromUtf8(templateTitle(IDD_RESULTS)), [&](QDialog* r) {
      whenRunEnds(r, [&](QDialog* r) {
        closeHidden = false;
        summary = resultText(r).toStdString();
        if (auto* st = dlg::findControl<QLabel>(r, IDC_RESULTS_STATUS))
          status = st->text().toStdString();
        if (const char* shot = std::getenv("WRENLOW_SHOT")) {
          QTest::qWait(200);
          if (!r->grab().save(QString::fromLocal8Bit(shot))) shotError = "cannot save";
        }
      });
    });
    QTest::mouseClick(ok, Qt::LeftButton);
  });
  QAction* action = frame.menuAction(ID_DECOMPILE);
  ASSERT_NE(action, nullptr);
  action->trigger();

  EXPECT_TRUE(checked);
  EXPECT_TRUE(okWasDisabled);
  EXPECT_TRUE(filled);
  EXPECT_FALSE(closeHidden);
  EXPECT_EQ(prompter.count(), 0u);
  const std::string expectedSummary = std::string("/7zcn_7-zip.chm 反编译到 ") +
                                      fs::canonical(target_).string() + "\n60 个文件 \n7 文件夹 ";
  EXPECT_NE(summary.find(expectedSummary), std::string::npos) << summary;
  EXPECT_NE(summary.find("已创建 7zcn_7-zip.hhp"), std::string::npos) << summary;
  EXPECT_NE(status.find("7zcn_7-zip.hhp"), std::string::npos) << status;
  EXPECT_TRUE(fs::exists(target_ + "/7zcn_7-zip.hhp"));
  EXPECT_TRUE(fs::exists(target_ + "/cmdline/commands/add.htm"));
  EXPECT_EQ(fs::current_path(), fs::path(dir_));
  EXPECT_TRUE(shotError.empty());
}

TEST_F(DecompileGui, OkChecksTheSourceAndTheTarget) {
  ScopedRecordingPrompter prompter;
  CDecompileDlg dialog;
  int stillOpen = 0;
  std::string created = dir_ + "/not-made";
  whenShown(QString::fromUtf8(templateTitle(IDD_DECOMPILE)), [&](QDialog* d) {
    auto* combo = dlg::findControl<QComboBox>(d, IDC_DECOMPILE_SOURCE);
    auto* edit = dlg::findControl<QLineEdit>(d, IDC_DECOMPILE_TARGET);
    auto* ok = dlg::findControl<QPushButton>(d, IDOK);
    combo->setEditText(QString::fromStdString(dir_ + "/missing.chm"));
    edit->setText(QString::fromStdString(created));
    ok->click();
    if (d->isVisible()) ++stillOpen;
    combo->setEditText(QString::fromStdString(std::string(WRENLOW_CORPUS_DIR) + "/fpc_toc.chm"));
    ok->click();
    if (d->isVisible()) ++stillOpen;
    edit->setText(QString::fromStdString(target_));
    ok->click();
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(stillOpen, 2);
  ASSERT_EQ(prompter.count(), 2u);
  EXPECT_EQ(prompter.questions()[0].text,
            FormatMessageText(LoadStr(IDS_CANNOT_OPEN), dir_ + "/missing.chm"));
  EXPECT_EQ(prompter.questions()[1].text, FormatMessageText(LoadStr(IDS_INVALID_FOLDER), created));
  EXPECT_FALSE(fs::exists(created));
  EXPECT_EQ(dialog.target, target_);
  EXPECT_TRUE(dialog.createProject);
}

// OK follows the two texts however they change: a file picked with Browse,
// a file chosen from the registered list, and typing.
TEST_F(DecompileGui, OkFollowsBrowseAndListChoicesAsWellAsTyping) {
  reg::HKEY key = nullptr;
  ASSERT_EQ(reg::RegCreateKeyEx(reg::HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\HTML Help",
                                reg::KEY_ALL_ACCESS, &key),
            reg::ERROR_SUCCESS);
  const std::string corpus = fs::canonical(WRENLOW_CORPUS_DIR).string();
  reg::RegSetValueEx(key, "fpc_toc.chm", reg::REG_SZ, corpus.c_str(), corpus.size() + 1);
  reg::RegCloseKey(key);
  const std::string picked = corpus + "/tcpudf_help.chm";
  fs::current_path(target_);
  ScopedRecordingPrompter prompter;
  CDecompileDlg dialog;
  bool afterBrowse = false, afterClear = true, afterChoice = false;
  whenShown(QString::fromUtf8(templateTitle(IDD_DECOMPILE)), [&](QDialog* d) {
    auto* combo = dlg::findControl<QComboBox>(d, IDC_DECOMPILE_SOURCE);
    auto* ok = dlg::findControl<QPushButton>(d, IDOK);
    QWidget* browse = dlg::findControl(d, IDC_BROWSE_SOURCE);
    modal::whenPickerShown([&](QFileDialog* picker) { modal::pick(picker, picked); });
    QTest::mouseClick(browse, Qt::LeftButton, {}, browse->rect().center());
    afterBrowse = ok->isEnabled() && combo->currentText() == QString::fromStdString(picked);
    // Emptied by typing: OK goes off again.
    combo->lineEdit()->setFocus();
    combo->lineEdit()->selectAll();
    QTest::keyClick(combo->lineEdit(), Qt::Key_Delete);
    afterClear = ok->isEnabled();
    // The registered file chosen from the opened list with the keyboard.
    QTest::keyClick(combo, Qt::Key_Down, Qt::AltModifier);
    QTest::qWait(100);
    QAbstractItemView* list = combo->view();
    list->setCurrentIndex(list->model()->index(0, 0));
    QTest::keyClick(list, Qt::Key_Return);
    afterChoice =
        ok->isEnabled() && combo->currentText() == QString::fromStdString(corpus + "/fpc_toc.chm");
    QTest::mouseClick(ok, Qt::LeftButton, {}, ok->rect().center());
    if (d->isVisible()) d->reject();  // OK did not work: fail, do not hang
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_TRUE(afterBrowse);
  EXPECT_FALSE(afterClear);
  EXPECT_TRUE(afterChoice);
  EXPECT_EQ(dialog.source, corpus + "/fpc_toc.chm");
  EXPECT_EQ(prompter.count(), 0u);
}

TEST_F(DecompileGui, SourceListComesFromTheHtmlHelpRegistration) {
  reg::HKEY key = nullptr;
  ASSERT_EQ(reg::RegCreateKeyEx(reg::HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\HTML Help",
                                reg::KEY_ALL_ACCESS, &key),
            reg::ERROR_SUCCESS);
  const std::string folder = "/opt/help", slashed = "/srv/docs/", windows = "C:\\windows\\help";
  reg::RegSetValueEx(key, "a.chm", reg::REG_SZ, folder.c_str(), folder.size() + 1);
  reg::RegSetValueEx(key, "b.chm", reg::REG_SZ, slashed.c_str(), slashed.size() + 1);
  reg::RegSetValueEx(key, "c.chm", reg::REG_SZ, windows.c_str(), windows.size() + 1);
  reg::RegCloseKey(key);
  // A Windows folder is made native as the recompile dialog and the help
  // locator make it (outside a prefix its drive is the root folder).
  EXPECT_EQ(registeredHelpFiles(), (std::vector<std::string>{"/opt/help/a.chm", "/srv/docs/b.chm",
                                                             "/windows/help/c.chm"}));
}

TEST(BrowseChm, TitlePreviewReadsEachPathOnce) {
  const std::string a = std::string(WRENLOW_CORPUS_DIR) + "/tcpudf_help.chm";
  const std::string b = std::string(WRENLOW_CORPUS_DIR) + "/7zcn_7-zip.chm";
  EXPECT_EQ(CBrowseChm::readTitle(a), "TCPServer UDF");
  EXPECT_EQ(CBrowseChm::readTitle(std::string(WRENLOW_CORPUS_DIR) + "/lb_php_manual_zh.chw"), "");
  CBrowseChm browse;
  browse.preview(a);
  browse.preview(a);
  EXPECT_EQ(browse.titleReads(), 1);
  browse.preview(b);
  browse.preview(a);
  EXPECT_EQ(browse.titleReads(), 3);
  EXPECT_EQ(qtFileFilter(LoadStr(IDS_CHM_FILTER)).toStdString(),
            "已编译的 HTML 帮助文件 (*.chm *.its *.chi)");
}

// A Japanese file whose Shift-JIS title also reads as (wrong) GBK text: the
// file's language decides. A file that is not there yet is read again once
// it is.
TEST(BrowseChm, TitleInTheFilesOwnCodePageAndOnlyFoundTitlesKept) {
  crafted::TempDir dir;
  const std::string path = dir / "ja.chm";
  std::string flags;
  crafted::le32(flags, 0x411);
  flags += std::string(24, '\0');
  std::string system;
  crafted::le32(system, 3);
  system +=
      crafted::record(4, flags) + crafted::record(3, crafted::text("\x93\xfa\x96\x7b\x8c\xea"));
  CBrowseChm browse;
  browse.preview(path);
  EXPECT_EQ(browse.titleReads(), 1);
  ASSERT_TRUE(crafted::write(path, {{"#SYSTEM", system}, {"a.htm", "a"}}));
  EXPECT_EQ(CBrowseChm::readTitle(path), "日本語");
  browse.preview(path);
  browse.preview(path);
  EXPECT_EQ(browse.titleReads(), 2);
}

TEST(BrowseChm, DialogShowsTheTitleBelowTheFileList) {
  const std::string a =
      fs::canonical(std::string(WRENLOW_CORPUS_DIR) + "/tcpudf_help.chm").string();
  CBrowseChm browse;
  std::string shown, filter;
  bool labelUnderList = false;
  // Types the file's path into the name field, as a user would, and reads
  // the title the dialog then shows in static 100.
  std::function<void(int)> poll = [&](int left) {
    QFileDialog* d = browse.dialog();
    if (!d) return;
    if (filter.empty()) filter = d->nameFilters().join(";;").toStdString();
    auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (edit && edit->text() != QString::fromStdString(a)) edit->setText(QString::fromStdString(a));
    if (QLabel* label = browse.titleLabel()) {
      shown = label->text().toStdString();
      labelUnderList = label->parentWidget() == d;
    }
    if (!shown.empty() || left == 0) {
      d->reject();
      return;
    }
    QTimer::singleShot(50, [poll, left] { poll(left - 1); });
  };
  QTimer::singleShot(50, [poll] { poll(200); });
  std::string path = "/unchanged";
  EXPECT_FALSE(browse.Prompt(path));
  EXPECT_EQ(path, "/unchanged");
  EXPECT_EQ(filter, "已编译的 HTML 帮助文件 (*.chm *.its)");
  EXPECT_EQ(shown, "TCPServer UDF");
  EXPECT_TRUE(labelUnderList);
}

}  // namespace
