#include "ui/round_button.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QPainter>

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
