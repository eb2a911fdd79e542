// The report of a recompile as the results dialog shows it: each report line
// on one line of the screen, its columns lined up on tab stops, and the box
// scrolled sideways rather than wrapping a long line.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "recompile/recompile_report.h"
#include "res/ids.h"
#include "results_driver.h"
#include "ui/results_dlg.h"

namespace {

struct Recompiled {
  const char* path;
  std::uint64_t before, after;
};

// Four files of names and sizes of different widths, one of which grew, then
// the totals line, as the recompile writes them.
class RecompileReport : public CResultsDlg {
 protected:
  void Run() override {
    const Recompiled files[] = {
        {"/data/help/a.chm", 4'096, 3'900},
        {"/data/help/7zcn_7-zip.chm", 110'480, 101'372},
        {"/data/help/a rather long help file name.chm", 12'345'678, 9'876'543},
        {"/data/help/grew.chm", 1'000, 1'200},
    };
    std::uint64_t before = 0, after = 0;
    for (const Recompiled& f : files) {
      appendLine(recompileReportLine(f.path, f.before, f.after));
      before += f.before;
      after += f.after;
    }
    appendLine(recompileTotalsLine(before, after));
  }
};

}  // namespace

TEST(ResultsRecompile, ReportLinesStayOneLineEachWithTheirColumnsLinedUp) {
  RecompileReport dlg;
  ASSERT_TRUE(dlg.create());
  closeWhenDone(dlg, [&] {
    auto* box = dlg.window()->findChild<QPlainTextEdit*>(QString::number(IDC_RESULTS_TEXT));
    ASSERT_NE(box, nullptr);
    QTest::qWait(50);
    // Where each tab-separated field starts on the screen, per column.
    std::map<int, std::vector<int>> starts;
    int reportLines = 0;
    for (QTextBlock b = box->document()->begin(); b.isValid(); b = b.next()) {
      const QString line = b.text();
      if (line.isEmpty()) continue;
      ++reportLines;
      SCOPED_TRACE(line.toStdString());
      EXPECT_EQ(b.layout()->lineCount(), 1);
      int column = 0;
      for (int at = line.indexOf(QLatin1Char('\t')); at >= 0;
           at = line.indexOf(QLatin1Char('\t'), at + 1)) {
        QTextCursor c(b);
        c.setPosition(b.position() + at + 1);
        starts[++column].push_back(box->cursorRect(c).left());
      }
      EXPECT_EQ(column, 3);
    }
    EXPECT_EQ(reportLines, 5);
    for (const auto& [column, xs] : starts) {
      SCOPED_TRACE(column);
      ASSERT_EQ(xs.size(), 5u);
      for (int x : xs) EXPECT_EQ(x, xs.front());
    }
    // A line longer than the box scrolls sideways.
    EXPECT_GT(box->horizontalScrollBar()->maximum(), 0);
  });
  dlg.DoModal();
}
