// The create-ITS command from the Tools menu: dialog 131 filled in by typing,
// the run in the results dialog, and its summary read back. With
// WRENLOW_SHOT=<folder> the dialog with its help panel and the results are
// saved as pictures.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "app/log_doc.h"
#include "app/main_frame.h"
#include "common/history_list.h"
#include "its/text_helpers.h"
#include "platform/dialogs/dialog_builder.h"
#include "res/ids.h"
#include "tests/common/recording_prompter.h"
#include "tests/common/scratch_config.h"
#include "tests/tool_dialogs/modal_driver.h"
#include "tool_dialogs/create_its_dialog.h"

namespace {

namespace fs = std::filesystem;
using modal::resultText;
using modal::whenRunEnds;
using modal::whenShown;

void shoot(QWidget* w, const char* name) {
  const char* dir = std::getenv("WRENLOW_SHOT");
  if (!dir) return;
  QTest::qWait(300);
  const QRect r = w->frameGeometry();
  w->screen()
      ->grabWindow(0, r.x(), r.y(), r.width(), r.height())
      .save(QString::fromLocal8Bit(dir) + "/" + name);
}

QString title(int id) { return QString::fromUtf8(res::findDialog(id)->title); }

TEST(CreateItsGui, MenuItemToSummaryLines) {
  ScratchConfig scratch;
  ScopedRecordingPrompter prompter;
  char tmpl[] = "/tmp/wl-create-its-gui-XXXXXX";
  const std::string dir = ::mkdtemp(tmpl);
  fs::create_directories(dir + "/Html");
  std::ofstream(dir + "/Html/Start.htm") << "<html>start</html>";
  std::ofstream(dir + "/proj.hhp") << "[OPTIONS]\r\nCompiled file=Built.its\r\n[FILES]\r\n"
                                      "Html\\Start.htm\r\n";

  CLogDoc doc;
  CMainFrame frame(doc);
  frame.show();
  bool folderWasDisabled = false, folderEnabledByRadio = false;
  QString nameFromProject;
  std::string summary;
  whenShown(title(IDD_CREATE_ITS), [&](QDialog* d) {
    auto* project = dlg::findControl<QComboBox>(d, IDC_ITS_PROJECT);
    auto* folder = dlg::findControl<QComboBox>(d, IDC_ITS_FOLDER);
    auto* name = dlg::findControl<QComboBox>(d, IDC_ITS_NAME);
    auto* folderMode = dlg::findControl<QRadioButton>(d, IDC_ITS_FOLDER_MODE);
    auto* projectMode = dlg::findControl<QRadioButton>(d, IDC_ITS_PROJECT_MODE);
    if (!project || !folder || !name || !folderMode || !projectMode) {
      d->reject();
      return;
    }
    folderWasDisabled = !folder->isEnabled() && projectMode->isChecked();
    QTest::mouseClick(folderMode, Qt::LeftButton, {}, QPoint(5, 5));
    folderEnabledByRadio = folder->isEnabled() && !project->isEnabled();
    QTest::mouseClick(projectMode, Qt::LeftButton, {}, QPoint(5, 5));
    project->lineEdit()->clear();
    QTest::keyClicks(project->lineEdit(), QString::fromStdString(dir + "/proj.hhp"));
    nameFromProject = name->currentText();
    if (auto* tips = dlg::findControl<QPushButton>(d, IDC_TIPS)) {
      tips->click();
      shoot(d, "create-its-dialog.png");
      tips->click();
    }
    whenShown(title(IDD_RESULTS), [&](QDialog* r) {
      whenRunEnds(r, [&](QDialog* r) {
        summary = resultText(r).toStdString();
        shoot(r, "create-its-results.png");
      });
    });
    QTest::mouseClick(dlg::findControl<QPushButton>(d, IDOK), Qt::LeftButton);
  });
  QAction* action = frame.menuAction(ID_CREATE_ITS);
  ASSERT_NE(action, nullptr);
  action->trigger();

  EXPECT_TRUE(folderWasDisabled);
  EXPECT_TRUE(folderEnabledByRadio);
  EXPECT_EQ(nameFromProject, "Built.its");
  // An empty line after the stored files, then the two summary lines.
  EXPECT_EQ(summary.rfind("\n1 个文件,, 18 字节\n" + dir + "/Built.its: " +
                              thousands(fs::file_size(dir + "/Built.its")) + " 字节\n",
                          0),
            0u)
      << summary;
  EXPECT_EQ(prompter.count(), 0u);
  const auto& projects = GetHistoryList(CCreateItsDlg::kProjectHistory, 15).entries();
  ASSERT_FALSE(projects.empty());
  EXPECT_EQ(projects.front(), dir + "/proj.hhp");
  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace
