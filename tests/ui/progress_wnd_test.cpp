#include "ui/progress_wnd.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace {

// Counts title rewrites of a window.
class TitleCounter : public QObject {
 public:
  int count = 0;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::WindowTitleChange) ++count;
    return false;
  }
};

}  // namespace

TEST(ProgressWnd, WindowAndLayout) {
  CProgressWnd p;
  EXPECT_EQ(p.title, "进度栏");
  EXPECT_EQ(p.textLines, 4);
  ASSERT_TRUE(p.create());
  QWidget* w = p.window();
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->windowTitle(), QStringLiteral("进度栏"));
  EXPECT_EQ(p.cancelButton()->text(), QStringLiteral("取消"));
  EXPECT_EQ(p.cancelButton()->objectName(), QStringLiteral("10"));
  EXPECT_EQ(p.textControl()->objectName(), QStringLiteral("11"));
  EXPECT_EQ(p.progressBar()->objectName(), QStringLiteral("12"));
  // Text 390 wide at (10, 10); client 10 wider; button right-aligned under it.
  const QRect t = p.textControl()->geometry();
  EXPECT_EQ(t.topLeft(), QPoint(10, 10));
  EXPECT_EQ(t.width(), 390);
  EXPECT_EQ(w->width(), 410);
  const QRect b = p.cancelButton()->geometry();
  EXPECT_EQ(b.right(), t.right());
  EXPECT_EQ(b.top(), t.bottom() + 1 + 10);
  EXPECT_EQ(w->height(), b.bottom() + 1 + 10);
  const QRect bar = p.progressBar()->geometry();
  EXPECT_EQ(bar.left(), 10);
  EXPECT_EQ(bar.right() + 1, b.left() - 10);
  EXPECT_EQ(bar.top(), b.top() + 2);
  // Four lines of "M" in the window's font.
  const QFontMetrics fm(p.font);
  EXPECT_GE(t.height(), 4 * fm.height() - 4);
}

TEST(ProgressWnd, UpperEqualToLowerShowsZeroPercent) {
  CProgressWnd p;
  ASSERT_TRUE(p.create());
  p.setRange(10, 10, 1);
  p.setPosition(5);
  p.setPosition(50);
  EXPECT_EQ(p.lastPercent, 0);
  EXPECT_EQ(p.window()->windowTitle(), QStringLiteral("进度栏"));
}

TEST(ProgressWnd, PositionBeyondUpperShowsMoreThanHundredPercent) {
  CProgressWnd p;
  ASSERT_TRUE(p.create());
  p.setRange(0, 200, 1);
  p.setPosition(300);
  EXPECT_EQ(p.window()->windowTitle(), QStringLiteral("进度栏 [150%]"));
  EXPECT_EQ(p.progressBar()->value(), 200);  // the bar stays inside its range
  // Lower above 0: the position itself, not its distance to lower.
  p.setRange(50, 150, 1);
  p.setPosition(100);
  EXPECT_EQ(p.window()->windowTitle(), QStringLiteral("进度栏 [100%]"));
}

TEST(ProgressWnd, TitleRewrittenOnlyWhenTheWholePercentChanges) {
  CProgressWnd p;
  ASSERT_TRUE(p.create());
  TitleCounter counter;
  p.window()->installEventFilter(&counter);
  p.setRange(0, 1000, 1);
  for (int i = 0; i < 1000; ++i) p.step();
  EXPECT_EQ(p.position, 1000);
  EXPECT_EQ(counter.count, 100);
  EXPECT_EQ(p.window()->windowTitle(), QStringLiteral("进度栏 [100%]"));
  // set position returns the bar's previous position.
  EXPECT_EQ(p.setPosition(10), 1000);
}

TEST(ProgressWnd, WithoutAWindowNothingHappens) {
  CProgressWnd p;
  p.position = 7;
  EXPECT_EQ(p.setPosition(50), 7);
  EXPECT_EQ(p.step(), 7);
  p.setText("%d", 3);
  p.pump();
  EXPECT_EQ(p.position, 7);
}

TEST(ProgressWnd, SetTextFormats) {
  CProgressWnd p;
  ASSERT_TRUE(p.create());
  p.setText("正在搜索 %s: %d", "C:", 42);
  EXPECT_EQ(p.textControl()->text(), QStringLiteral("正在搜索 C:: 42"));
}

TEST(ProgressWnd, EscapeAndCancelSetCancelled) {
  {
    CProgressWnd p;
    ASSERT_TRUE(p.create());
    p.pump();
    EXPECT_FALSE(p.cancelled);
    QApplication::postEvent(p.window(),
                            new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    p.pump(true, false);
    EXPECT_TRUE(p.cancelled);
  }
  {
    CProgressWnd p;
    ASSERT_TRUE(p.create());
    QApplication::postEvent(p.window(),
                            new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    p.pump(false, false);  // Escape does not cancel in this mode
    EXPECT_FALSE(p.cancelled);
    p.cancelButton()->click();
    EXPECT_TRUE(p.cancelled);
  }
}

TEST(ProgressWnd, ExclusivePumpDropsInputForOtherWindows) {
  QPushButton other("other");
  other.show();
  int clicks = 0;
  QObject::connect(&other, &QPushButton::clicked, [&] { ++clicks; });
  CProgressWnd p;
  ASSERT_TRUE(p.create());
  auto click = [&] {
    const QPoint c = other.rect().center();
    QApplication::postEvent(
        &other, new QMouseEvent(QEvent::MouseButtonPress, c, other.mapToGlobal(c), Qt::LeftButton,
                                Qt::LeftButton, Qt::NoModifier));
    QApplication::postEvent(
        &other, new QMouseEvent(QEvent::MouseButtonRelease, c, other.mapToGlobal(c), Qt::LeftButton,
                                Qt::NoButton, Qt::NoModifier));
  };
  click();
  p.pump(true, true);
  EXPECT_EQ(clicks, 0);
  click();
  p.pump(true, false);
  EXPECT_EQ(clicks, 1);
}
