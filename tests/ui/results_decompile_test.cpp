// A real operation of the operations layer running inside the results dialog
// through the sink: the decompile of a corpus file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <filesystem>

#include "decompile/decompile_run.h"
#include "results_driver.h"
#include "ui/results_dlg.h"

namespace {

class AnswerFirst : public Prompter {
 public:
  int ask(std::string_view, unsigned flags) override {
    return (flags & MB_TYPEMASK) == MB_ABORTRETRYIGNORE ? IDIGNORE : IDOK;
  }
};

class DecompileResults : public CResultsDlg {
 public:
  DecompileRequest request;
  DecompileOutcome outcome = DecompileOutcome::Failed;
  bool escapeAtStart = false;

 protected:
  void Run() override {
    // A key press waiting in the queue: the first pump between streams sees it.
    if (escapeAtStart)
      QApplication::postEvent(window(),
                              new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    AnswerFirst prompter;
    outcome = decompile(request, *this, prompter);
  }
};

int countOf(const std::string& s, const std::string& part) {
  int n = 0;
  for (size_t at = s.find(part); at != std::string::npos; at = s.find(part, at + 1)) ++n;
  return n;
}

}  // namespace

TEST(ResultsDecompile, DecompileRunsInsideTheDialog) {
  const std::string source = std::string(WRENLOW_CORPUS_DIR) + "/notepadnt_notepad-nt.chm";
  if (!std::filesystem::exists(source)) GTEST_SKIP() << "corpus file missing";
  QTemporaryDir target;
  DecompileResults dlg;
  dlg.request.source = source;
  dlg.request.target = target.path().toStdString();
  closeWhenDone(dlg);
  EXPECT_EQ(dlg.DoModal(), 1);
  EXPECT_EQ(dlg.outcome, DecompileOutcome::Completed);
  EXPECT_FALSE(dlg.cancelled());
  EXPECT_FALSE(dlg.report().empty());
  EXPECT_EQ(countOf(dlg.report(), "已取消"), 0);
  // Something was written below the target.
  EXPECT_NE(std::filesystem::directory_iterator(target.path().toStdString()),
            std::filesystem::directory_iterator());
}

TEST(ResultsDecompile, EscapeCancelsWithOneCancelledLine) {
  const std::string source = std::string(WRENLOW_CORPUS_DIR) + "/7zcn_7-zip.chm";
  if (!std::filesystem::exists(source)) GTEST_SKIP() << "corpus file missing";
  QTemporaryDir target;
  DecompileResults dlg;
  dlg.request.source = source;
  dlg.request.target = target.path().toStdString();
  dlg.escapeAtStart = true;
  closeWhenDone(dlg);
  EXPECT_EQ(dlg.DoModal(), 1);
  EXPECT_TRUE(dlg.cancelled());
  EXPECT_EQ(dlg.outcome, DecompileOutcome::Cancelled);
  EXPECT_EQ(countOf(dlg.report(), "*** 已取消 ***"), 1);
  // Stopped at the first check: an empty line, then the cancelled line.
  const std::string tail = "\r\n*** 已取消 ***\r\n";
  ASSERT_GE(dlg.report().size(), tail.size());
  EXPECT_EQ(dlg.report().substr(dlg.report().size() - tail.size()), tail);
}
