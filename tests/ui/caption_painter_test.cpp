#include "ui/caption_painter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QTest>

#include "ui/sys_colors.h"

using namespace ui;

namespace {

// A fixed palette for the test's duration: navy active caption with dark text.
class CaptionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = QApplication::palette();
    QPalette p = saved_;
    p.setColor(QPalette::Highlight, QColor(10, 36, 106));
    p.setColor(QPalette::HighlightedText, QColor(0, 0, 0));  // dark: drawn white
    p.setColor(QPalette::Dark, QColor(128, 128, 128));
    QApplication::setPalette(p);
  }
  void TearDown() override { QApplication::setPalette(saved_); }
  QPalette saved_;
};

// A hook that records what it sees and passes everything on.
class Recorder : public CSubclassWnd {
 public:
  std::string name;
  std::vector<std::string>* log = nullptr;

 protected:
  bool windowProc(QEvent* e) override {
    if (e->type() == QEvent::User) log->push_back(name);
    return Default(e);
  }
};

}  // namespace

TEST(SubclassWnd, ChainNewestFirstAndUnhookInTheMiddle) {
  QWidget w;
  std::vector<std::string> log;
  Recorder a, b, c;
  a.name = "a";
  b.name = "b";
  c.name = "c";
  a.log = b.log = c.log = &log;
  a.hook(&w);
  b.hook(&w);
  c.hook(&w);
  EXPECT_EQ(CSubclassWnd::newestHook(&w), &c);
  QEvent e(QEvent::User);
  QApplication::sendEvent(&w, &e);
  EXPECT_EQ(log, (std::vector<std::string>{"c", "b", "a"}));
  b.hook(nullptr);
  log.clear();
  QApplication::sendEvent(&w, &e);
  EXPECT_EQ(log, (std::vector<std::string>{"c", "a"}));
  c.hook(nullptr);
  a.hook(nullptr);
  EXPECT_EQ(CSubclassWnd::newestHook(&w), nullptr);
  log.clear();
  QApplication::sendEvent(&w, &e);
  EXPECT_TRUE(log.empty());
}

TEST(SubclassWnd, DestroyedWindowUnhooksEverything) {
  Recorder a, b;
  {
    QWidget w;
    a.hook(&w);
    b.hook(&w);
  }
  EXPECT_EQ(a.hookedWindow(), nullptr);
  EXPECT_EQ(b.hookedWindow(), nullptr);
  EXPECT_EQ(b.nextHook(), nullptr);
}

TEST(CaptionButtons, Placement) {
  const CaptionButtons b = captionButtonRects(400, 18, 18, true, true);
  EXPECT_EQ(b.close, (WinRect{382, 2, 398, 16}));
  EXPECT_EQ(b.maxOrHelp, (WinRect{364, 2, 380, 16}));
  EXPECT_EQ(b.min, (WinRect{348, 2, 364, 16}));  // 2 pixels closer: touches the maximise button
  EXPECT_EQ(b.textRight, 350);
  EXPECT_EQ(captionButtonRects(400, 18, 18, false, false).textRight, 384);
}

TEST_F(CaptionTest, MainWindowWearsThePaintedCaption) {
  QMainWindow w;
  w.menuBar()->addMenu("文件(&F)");
  w.setCentralWidget(new QLabel("body"));
  w.resize(640, 300);
  CCaptionPainter* painter = installCaption(&w);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
  const CaptionMetrics& m = painter->metrics();
  EXPECT_EQ(w.contentsMargins().top(), m.frame + m.height);
  // The menu bar starts below the caption strip.
  EXPECT_GE(w.menuBar()->geometry().top(), m.frame + m.height);

  const QRect cap = painter->captionRect();
  EXPECT_EQ(cap, QRect(m.frame, m.frame, 640 - 2 * m.frame, m.height));
  w.activateWindow();
  QTRY_VERIFY(painter->lastActive());
  const QImage shot = w.grab().toImage();
  // Right sixth: the caption colour; far left of the gradient: black.
  const int e = cap.width() * 5 / 6;
  EXPECT_EQ(QColor(shot.pixel(cap.left() + e + 1, cap.bottom())), QColor(10, 36, 106));
  const QColor leftmost(shot.pixel(cap.left() + 30, cap.bottom()));
  EXPECT_LT(leftmost.blue(), 20);
}

TEST_F(CaptionTest, OneCachedImagePerActiveStateDroppedOnPaletteOrSize) {
  QMainWindow w;
  w.resize(500, 200);
  CCaptionPainter* painter = installCaption(&w);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  w.activateWindow();
  QTRY_VERIFY(painter->lastActive());
  w.repaint();
  const int rendered = painter->renderCount();
  EXPECT_TRUE(painter->hasCachedImage(true));
  // Repaints only copy the image.
  w.repaint();
  w.repaint();
  EXPECT_EQ(painter->renderCount(), rendered);
  // A palette change drops both images and the caption font.
  EXPECT_TRUE(painter->hasCaptionFont());
  QPalette p = QApplication::palette();
  p.setColor(QPalette::Highlight, QColor(0, 128, 0));
  QApplication::setPalette(p);
  QApplication::processEvents();
  EXPECT_FALSE(painter->hasCachedImage(true));
  w.repaint();
  EXPECT_EQ(painter->renderCount(), rendered + 1);
  const QImage shot = w.grab().toImage();
  const QRect cap = painter->captionRect();
  EXPECT_EQ(QColor(shot.pixel(cap.right() - 60, cap.bottom())), QColor(0, 128, 0));
  // A size change drops them too; a height-only change keeps the caption size.
  w.resize(520, 200);
  QTRY_COMPARE(w.width(), 520);
  w.repaint();
  EXPECT_EQ(painter->renderCount(), rendered + 2);
  w.resize(520, 260);
  QTRY_COMPARE(w.height(), 260);
  w.repaint();
  EXPECT_EQ(painter->renderCount(), rendered + 2);
}

TEST_F(CaptionTest, CaptionButtonsActAsTitleBarButtons) {
  QMainWindow w;
  w.resize(500, 200);
  CCaptionPainter* painter = installCaption(&w);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  auto centre = [](const WinRect& r) {
    return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  };
  QTest::mouseClick(&w, Qt::LeftButton, {}, centre(painter->buttons().maxOrHelp));
  QTRY_VERIFY(w.isMaximized());
  QTest::mouseClick(&w, Qt::LeftButton, {}, centre(painter->buttons().maxOrHelp));
  QTRY_VERIFY(!w.isMaximized());
  // A double click on the caption maximises too.
  QTest::mouseDClick(&w, Qt::LeftButton, {}, painter->captionRect().center());
  QTRY_VERIFY(w.isMaximized());
  w.showNormal();
  QTRY_VERIFY(!w.isMaximized());
  QTest::mouseClick(&w, Qt::LeftButton, {}, centre(painter->buttons().close));
  QTRY_VERIFY(!w.isVisible());
}

TEST_F(CaptionTest, DraggingTheCaptionMovesAndTheBorderResizes) {
  QMainWindow w;
  w.setGeometry(100, 100, 500, 200);
  CCaptionPainter* painter = installCaption(&w);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  // Where the window system offers no move request (offscreen, or an X server
  // without a window manager) the painter moves the window itself.
  const QPoint start = w.pos();
  const QPoint grab = painter->captionRect().center();
  QTest::mousePress(&w, Qt::LeftButton, {}, grab);
  QTest::mouseMove(&w, grab + QPoint(30, 20));
  QTest::mouseRelease(&w, Qt::LeftButton, {}, grab + QPoint(30, 20));
  QTRY_COMPARE(w.pos(), start + QPoint(30, 20));
  // The right border widens the window.
  const QPoint edge(w.width() - 1, w.height() / 2);
  QTest::mousePress(&w, Qt::LeftButton, {}, edge);
  QTest::mouseMove(&w, edge + QPoint(40, 0));
  QTest::mouseRelease(&w, Qt::LeftButton, {}, edge + QPoint(40, 0));
  QTRY_COMPARE(w.width(), 540);
  EXPECT_EQ(w.pos(), start + QPoint(30, 20));
}

TEST_F(CaptionTest, TitleChangeRepaintsButTheCaptionShowsTheApplicationTitle) {
  QMainWindow w;
  w.resize(400, 150);
  CCaptionPainter* painter = installCaption(&w);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  w.repaint();
  const int rendered = painter->renderCount();
  w.setWindowTitle(QStringLiteral("别的标题"));
  w.repaint();
  EXPECT_EQ(painter->renderCount(), rendered + 1);
  // A painter answering requests with an extra title, as a frame with a document would.
  QImage img(300, 18, QImage::Format_RGB32);
  painter->paintCaption(true, {300, 18, &img, true}, "");
  QImage withExtra(300, 18, QImage::Format_RGB32);
  painter->paintCaption(true, {300, 18, &withExtra, true}, "a.chm");
  EXPECT_NE(img, withExtra);
  // A request without an image drops the font.
  painter->paintCaption(true, {}, "");
  EXPECT_FALSE(painter->hasCaptionFont());
}
