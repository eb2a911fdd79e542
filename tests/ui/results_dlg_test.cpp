#include "ui/results_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "res/ids.h"
#include "res/strings.h"
#include "results_driver.h"
#include "tests/common/recording_prompter.h"

namespace {

// An operation written against the sink only, as the operations layer writes them.
void processItems(ResultSink& sink, int n, const std::function<void(int)>& afterItem) {
  sink.setRange(0, n);
  for (int i = 0; i < n; ++i) {
    if (sink.cancelled()) return;
    sink.appendLine("item " + std::to_string(i));
    if (afterItem) afterItem(i);
    sink.step();
  }
}

class TestResults : public CResultsDlg {
 public:
  using CResultsDlg::CResultsDlg;
  int items = 5;
  int runs = 0;
  bool closeVisibleDuringRun = true;
  int barAtStart = -1;
  std::function<void(int)> afterItem;

 protected:
  void Run() override {
    ++runs;
    closeVisibleDuringRun = closeButton()->isVisible();
    // Repaints during the run must not start it again.
    window()->repaint();
    setStatus("a.htm");
    processItems(*this, items, afterItem);
    barAtStart = progressBar()->minimum();
  }
};

}  // namespace

TEST(ResultsDlg, BuiltFromTemplate140) {
  CResultsDlg dlg;
  ASSERT_TRUE(dlg.create());
  EXPECT_EQ(dlg.window()->windowTitle(), QStringLiteral("结果"));
  EXPECT_EQ(dlg.statusPrefix(), "正在处理 ");
  ASSERT_NE(dlg.progressBar(), nullptr);
  ASSERT_NE(dlg.closeButton(), nullptr);
  EXPECT_EQ(dlg.closeButton()->text(), QStringLiteral("关闭(&C)"));
  EXPECT_FALSE(dlg.closeButton()->mask().isEmpty());  // a round button
  dlg.setStatus("x.htm");
  EXPECT_EQ(dlg.statusLine()->text(), QStringLiteral("正在处理 x.htm"));
}

TEST(ResultsDlg, RunStartsOnceAtFirstPaintWithCloseHidden) {
  TestResults dlg;
  closeWhenDone(dlg);
  EXPECT_EQ(dlg.DoModal(), 1);
  EXPECT_EQ(dlg.runs, 1);
  EXPECT_FALSE(dlg.closeVisibleDuringRun);
  EXPECT_EQ(dlg.report(), "item 0\r\nitem 1\r\nitem 2\r\nitem 3\r\nitem 4\r\n");
  EXPECT_FALSE(dlg.cancelled());
}

TEST(ResultsDlg, EscapeStopsTheRunAtTheNextCheck) {
  TestResults dlg;
  dlg.items = 10;
  std::string shown;
  dlg.afterItem = [&dlg](int i) {
    if (i == 2)
      QApplication::postEvent(dlg.window(),
                              new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  };
  closeWhenDone(dlg, [&] { shown = dlg.shownText(); });
  EXPECT_EQ(dlg.DoModal(), 1);
  EXPECT_TRUE(dlg.cancelled());
  // The current item finished; none after it ran; an empty line, then the cancelled line.
  EXPECT_EQ(dlg.report(), "item 0\r\nitem 1\r\nitem 2\r\n\r\n*** 已取消 ***\r\n");
  EXPECT_EQ(shown, "item 0\nitem 1\nitem 2\n\n*** 已取消 ***\n");
}

TEST(ResultsDlg, AnOperationWithNoItems) {
  TestResults dlg;
  dlg.items = 0;
  int barValue = -1;
  closeWhenDone(dlg, [&] { barValue = dlg.progressBar()->value(); });
  EXPECT_EQ(dlg.DoModal(), 1);
  EXPECT_EQ(barValue, 0);  // the bar never moved, and Close came back
  EXPECT_EQ(dlg.report(), "");
  EXPECT_FALSE(dlg.cancelled());
}

TEST(ResultsDlg, ClosingTheWindowCancelsAndClosesWhenRunReturns) {
  TestResults dlg;
  dlg.items = 10;
  bool visibleAfterClose = false;
  dlg.afterItem = [&dlg, &visibleAfterClose](int i) {
    if (i == 1) {
      dlg.window()->close();
      visibleAfterClose = dlg.window()->isVisible();
    }
  };
  EXPECT_EQ(dlg.DoModal(), 2);
  EXPECT_TRUE(visibleAfterClose);
  EXPECT_TRUE(dlg.cancelled());
  EXPECT_EQ(dlg.report(), "item 0\r\nitem 1\r\n\r\n*** 已取消 ***\r\n");
}

TEST(ResultsDlg, PumpStepsTheBar) {
  CResultsDlg dlg;
  ASSERT_TRUE(dlg.create());
  dlg.setRange(0, 3);
  dlg.pump();
  dlg.pump();
  EXPECT_EQ(dlg.progressBar()->value(), 2);
  dlg.pump();
  EXPECT_EQ(dlg.progressBar()->value(), 3);
  dlg.pump();  // past the end the bar starts over
  EXPECT_EQ(dlg.progressBar()->value(), 0);
}

TEST(ResultsDlg, OperationThatReportsItsOwnCancellationGetsOneCancelledLine) {
  class SelfCancelling : public CResultsDlg {
   protected:
    void Run() override {
      appendLine("item 0");
      setCancelled(true);  // a fatal error: the operation stops itself
      appendLine("\r\n*** 已取消 ***");
    }
  } dlg;
  closeWhenDone(dlg);
  EXPECT_EQ(dlg.DoModal(), 1);
  EXPECT_EQ(dlg.report(), "item 0\r\n\r\n*** 已取消 ***\r\n");
}

// Once the run is over: Alt+S, the path typed into the save dialog's name
// box as a user would (confirming the replacement of an existing file), then
// Close. dialogTitle gets the save dialog's title, shown the results box.
static void saveWhenDone(TestResults& dlg, const QString& path, QString& dialogTitle,
                         std::string& shown) {
  auto* timer = new QTimer(&dlg);
  QObject::connect(timer, &QTimer::timeout, [&dlg, &dialogTitle, &shown, path, timer] {
    if (!dlg.ran() || !dlg.closeButton()->isVisible()) return;
    timer->stop();
    shown = dlg.shownText();
    // The save dialog comes up modal on top of the results dialog: pick the
    // file there, then close the results dialog.
    QTimer::singleShot(50, [&dlg, &dialogTitle, path] {
      auto* picker = dlg.window()->findChild<QFileDialog*>(QStringLiteral("SaveResults"));
      if (picker) {
        dialogTitle = picker->windowTitle();
        if (auto* name = picker->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
          name->setText(path);
        // The question whether to replace an existing file: yes.
        QTimer::singleShot(100, [] {
          for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
              if (QAbstractButton* yes = box->button(QMessageBox::Yes)) yes->click();
        });
        static_cast<QDialog*>(picker)->accept();    // as the Save button does
        if (picker->isVisible()) picker->reject();  // never leave the test waiting
      }
      QTimer::singleShot(0, [&dlg] { dlg.closeButton()->click(); });
    });
    dlg.window()->activateWindow();
    QTest::keyClick(dlg.window(), Qt::Key_S, Qt::AltModifier);
  });
  timer->start(5);
}

// Command 1018: once the run is over, its key saves the results box to the
// file picked in the save dialog, in UTF-8 with plain line ends.
TEST(ResultsDlg, SaveKeyWritesTheResultsBoxToAUtf8File) {
  const QString path = QDir::temp().filePath(
      QStringLiteral("results_save_%1.txt").arg(QCoreApplication::applicationPid()));
  QFile::remove(path);
  TestResults dlg;
  dlg.items = 2;
  dlg.afterItem = [&dlg](int) { dlg.appendLine("已创建 a.htm"); };
  std::string shown;
  QString dialogTitle;
  saveWhenDone(dlg, path, dialogTitle, shown);
  EXPECT_EQ(dlg.DoModal(), 1);
  EXPECT_EQ(dialogTitle, QStringLiteral("保存结果到一个文件"));
  QFile saved(path);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  const QByteArray bytes = saved.readAll();
  EXPECT_EQ(bytes.toStdString(), "item 0\n已创建 a.htm\nitem 1\n已创建 a.htm\n");
  EXPECT_EQ(bytes.toStdString(), shown);
  saved.remove();
}

// A file the user marked read-only stays as it is, and the message says so;
// no temporary file is left beside it.
TEST(ResultsDlg, SaveKeyLeavesAReadOnlyFileAsItIs) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString path = folder.filePath(QStringLiteral("kept.txt"));
  {
    QFile kept(path);
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly));
    kept.write("the user's notes\n");
  }
  QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
  ScopedRecordingPrompter prompter;
  TestResults dlg;
  dlg.items = 1;
  std::string shown;
  QString dialogTitle;
  saveWhenDone(dlg, path, dialogTitle, shown);
  EXPECT_EQ(dlg.DoModal(), 1);
  QFile kept(path);
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll().toStdString(), "the user's notes\n");
  ASSERT_EQ(prompter.count(), 1u);
  EXPECT_EQ(prompter.last().text,
            FormatMessageText(LoadStr(IDS_FILE_READ_ONLY), QFile::encodeName(path).toStdString()));
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{QStringLiteral("kept.txt")});
}
