#include "ui/round_button.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QRegion>
#include <cstdlib>
#include <string>
#include <vector>

using namespace ui;

namespace {

QPalette testPalette() {
  QPalette p;
  p.setColor(QPalette::Light, QColor(255, 255, 255));     // highlight
  p.setColor(QPalette::Shadow, QColor(0, 0, 0));          // dark shadow
  p.setColor(QPalette::Midlight, QColor(223, 223, 223));  // 3D light
  p.setColor(QPalette::Dark, QColor(128, 128, 128));      // shadow
  p.setColor(QPalette::ButtonText, QColor(0, 0, 0));
  return p;
}

QImage render(const RoundGeometry& g, const ButtonState& s) {
  QImage img(g.width, g.height, QImage::Format_RGB32);
  img.fill(Qt::magenta);
  QPainter p(&img);
  paintRoundButton(p, g, s, QColor(212, 208, 200), true, QString(), QApplication::font(),
                   testPalette());
  return img;
}

Rgb at(const QImage& img, int x, int y) { return toRgb(QColor(img.pixel(x, y))); }

}  // namespace

TEST(RoundButton, RaisedRingsAreShadedFromTheUpperLeft) {
  const RoundGeometry g = roundGeometry(40, 40);  // r = 19 around (20, 20)
  const QImage img = render(g, {});
  const Rgb white{255, 255, 255}, black{0, 0, 0};
  // Outer ring between dark shadow and highlight: right, bottom, left, top.
  EXPECT_EQ(at(img, 20 + 19, 20), ringColour(0, black, white));
  EXPECT_EQ(at(img, 20, 20 + 19), ringColour(M_PI / 2, black, white));
  EXPECT_EQ(at(img, 20 - 19, 20), ringColour(M_PI, black, white));
  EXPECT_EQ(at(img, 20, 20 - 19), ringColour(-M_PI / 2, black, white));
  // Inner ring between shadow and 3D light.
  EXPECT_EQ(at(img, 20 + 18, 20), ringColour(0, {128, 128, 128}, {223, 223, 223}));
  // The background colour fills the rest.
  EXPECT_EQ(at(img, 0, 0), (Rgb{212, 208, 200}));
}

TEST(RoundButton, PressedExchangesTheColours) {
  const RoundGeometry g = roundGeometry(40, 40);
  const QImage img = render(g, {.pressed = true});
  EXPECT_EQ(at(img, 20, 20 - 19), ringColour(-M_PI / 2, {255, 255, 255}, {0, 0, 0}));
  EXPECT_EQ(at(img, 20 + 18, 20), ringColour(0, {223, 223, 223}, {128, 128, 128}));
}

TEST(RoundButton, FocusedRoundButtonHasTheDarkOutline) {
  const RoundGeometry g = roundGeometry(40, 40);
  const QImage img = render(g, {.focused = true});
  EXPECT_EQ(at(img, 20 + 19, 20), (Rgb{0, 0, 0}));
  EXPECT_EQ(at(img, 20, 20 + 19), (Rgb{0, 0, 0}));
  // The rings move one pixel in.
  EXPECT_EQ(at(img, 20, 20 - 18), ringColour(-M_PI / 2, {0, 0, 0}, {255, 255, 255}));
}

TEST(RoundButton, WideButtonJoinsHalvesWithLines) {
  const RoundGeometry g = roundGeometry(80, 24);  // r = 11, arcs at 11 and 68
  const QImage img = render(g, {});
  EXPECT_EQ(at(img, 40, 1), (Rgb{255, 255, 255}));            // highlight on top
  EXPECT_EQ(at(img, 40, 2), (Rgb{223, 223, 223}));            // 3D light
  EXPECT_EQ(at(img, 40, 12 + 11 - 1), (Rgb{128, 128, 128}));  // shadow
  EXPECT_EQ(at(img, 40, 12 + 11), (Rgb{0, 0, 0}));            // dark shadow at the bottom
  // The end arcs: left half around x = 11, right half around x = 68.
  EXPECT_EQ(at(img, 0, 12), ringColour(M_PI, {0, 0, 0}, {255, 255, 255}));
  EXPECT_EQ(at(img, 79, 12), ringColour(0, {0, 0, 0}, {255, 255, 255}));
}

TEST(RoundButton, CRndBtnAttachesAndHonoursTheDefaultOutlineFlag) {
  QDialog d;
  auto* b = new QPushButton("关闭(&C)", &d);
  b->setGeometry(10, 10, 80, 24);
  CRndBtn rnd;
  rnd.attach(b);
  EXPECT_TRUE(rnd.geometry().wide);
  EXPECT_EQ(b->size(), QSize(80, 24));  // wide buttons keep their size
  EXPECT_TRUE(b->mask().contains(QPoint(40, 12)));
  EXPECT_FALSE(b->mask().contains(QPoint(0, 0)));
  EXPECT_TRUE(rnd.drawDefault);
  const QImage shot = b->grab().toImage();
  EXPECT_EQ(shot.size(), QSize(80, 24));
}

// A wide button as it shows in a dialog: the window shape must keep every
// pixel of the drawn edge, so that the end arcs meet the straight top and
// bottom edges in one unbroken outline (not "( 确定 )").
TEST(RoundButton, WideButtonOutlineIsWholeInsideItsWindowShape) {
  for (const QSize size : {QSize(80, 24), QSize(75, 23), QSize(88, 21), QSize(150, 28)}) {
    SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
    QDialog d;
    auto* b = new QPushButton(&d);
    b->setGeometry(10, 10, size.width(), size.height());
    CRndBtn rnd;
    rnd.attach(b);
    ASSERT_TRUE(rnd.geometry().wide);
    const QImage shot = b->grab().toImage();
    const QRegion shape = b->mask();
    const QRgb face = shot.pixel(shot.width() / 2, shot.height() / 2);
    // The edge: every pixel the painting changed from the button's face.
    std::vector<QPoint> edge;
    int cut = 0;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x)
        if (shot.pixel(x, y) != face) {
          if (shape.contains(QPoint(x, y)))
            edge.push_back({x, y});
          else
            ++cut;
        }
    EXPECT_EQ(cut, 0) << "edge pixels outside the window shape";
    // What shows is one connected outline.
    ASSERT_FALSE(edge.empty());
    std::vector<char> seen(edge.size(), 0);
    std::vector<std::size_t> todo{0};
    seen[0] = 1;
    std::size_t reached = 1;
    while (!todo.empty()) {
      const QPoint p = edge[todo.back()];
      todo.pop_back();
      for (std::size_t i = 0; i < edge.size(); ++i)
        if (!seen[i] && std::abs(edge[i].x() - p.x()) <= 1 && std::abs(edge[i].y() - p.y()) <= 1) {
          seen[i] = 1;
          ++reached;
          todo.push_back(i);
        }
    }
    EXPECT_EQ(reached, edge.size()) << "the outline falls apart";
    // The straight edges run the whole way between the arcs' centres.
    const RoundGeometry& g = rnd.geometry();
    for (int x = g.leftArcX; x <= g.rightArcX; ++x) {
      EXPECT_NE(shot.pixel(x, g.cy - g.r), face) << x;
      EXPECT_TRUE(shape.contains(QPoint(x, g.cy - g.r))) << x;
      EXPECT_TRUE(shape.contains(QPoint(x, g.cy + g.r))) << x;
    }
  }
}
