#include "ui/ui_math.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ui;

TEST(ProportionalLayout, FractionsMoveAndStretchEdges) {
  const WinRect rec{10, 20, 110, 40};
  // (0, 1) stretches, (1, 1) moves, (0, 0) stays.
  EXPECT_EQ(layoutItem(rec, {0, 1, 0, 0}, 33, 7), (WinRect{10, 20, 143, 40}));
  EXPECT_EQ(layoutItem(rec, {1, 1, 1, 1}, 33, 7), (WinRect{43, 27, 143, 47}));
  EXPECT_EQ(layoutItem(rec, {0, 0, 0, 0}, 33, 7), rec);
  EXPECT_EQ(layoutItem(rec, {0, 1, 0, 1}, 33, 7), (WinRect{10, 20, 143, 47}));
}

TEST(ProportionalLayout, ProductsTruncateTowardZero) {
  const WinRect rec{10, 20, 110, 40};
  // 7 x 0.5 = 3.5 -> 3; 7 x 0.75 = 5.25 -> 5; 9 x 0.3333 = 2.9997 -> 2.
  EXPECT_EQ(layoutItem(rec, {0.5f, 0.75f, 0.3333f, 0.5f}, 7, 9), (WinRect{13, 22, 115, 44}));
}

TEST(ProportionalLayout, GrowthIsNeverNegative) {
  EXPECT_EQ(growth(250, 300), 0);
  EXPECT_EQ(growth(300, 300), 0);
  EXPECT_EQ(growth(333, 300), 33);
  const WinRect rec{10, 20, 110, 40};
  EXPECT_EQ(layoutItem(rec, {1, 1, 1, 1}, growth(200, 300), growth(100, 200)), rec);
}

TEST(Centring, CentresOverTheReference) {
  const WinRect work{0, 0, 1280, 994};
  EXPECT_EQ(centreInWorkArea(200, 100, {100, 100, 500, 400}, work), (Point{200, 200}));
  // Integer division truncates toward zero: (199 - 200) / 2 = 0, not -1.
  EXPECT_EQ(centreInWorkArea(200, 100, {100, 100, 299, 301}, work), (Point{100, 150}));
}

TEST(Centring, NearTheRightEdgeIsPushedLeftUntilItFits) {
  const WinRect work{0, 0, 1280, 994};
  // Centred it would span 1150..1450; it ends on the work area's right edge.
  const Point p = centreInWorkArea(300, 200, {1100, 100, 1500, 400}, work);
  EXPECT_EQ(p, (Point{980, 150}));
  // Near the bottom: same rule vertically.
  EXPECT_EQ(centreInWorkArea(300, 200, {100, 900, 500, 1100}, work), (Point{150, 794}));
  // Near the left and top edges.
  EXPECT_EQ(centreInWorkArea(300, 200, {-300, -200, 100, 0}, work), (Point{0, 0}));
}

TEST(Centring, LargerThanTheWorkAreaEndsOnItsRightAndBottomEdges) {
  const WinRect work{0, 30, 1280, 994};
  // 1401 wide: centred at (1280 - 1401) / 2 = -60 (toward zero), clamped to 0
  // on the left, then to 1280 - 1401 = -121 on the right.
  const Point p = centreInWorkArea(1401, 1100, {0, 30, 1280, 994}, work);
  EXPECT_EQ(p.x, -121);
  EXPECT_EQ(p.x + 1401, work.right);
  EXPECT_EQ(p.y + 1100, work.bottom);
  EXPECT_LT(p.y, work.top);
}

TEST(TipPanel, PaneBesideTheClientAreaAndTheWindowShiftedAtTheRightEdge) {
  EXPECT_EQ(tipPaneRect(420, 250), (WinRect{420, 2, 720, 238}));
  const WinRect work{0, 0, 1280, 994};
  // Room enough: only 306 pixels wider.
  EXPECT_EQ(tipOpenWindowRect({100, 50, 500, 350}, work), (WinRect{100, 50, 806, 350}));
  // Widened it would end at 1306 + 100 = 1406, 126 past the work area: it moves
  // left by that overlap plus 2 and ends 2 pixels inside the edge.
  const WinRect shifted = tipOpenWindowRect({1000, 50, 1100, 350}, work);
  EXPECT_EQ(shifted, (WinRect{872, 50, 1278, 350}));
  // Exactly on the edge after widening: no shift.
  EXPECT_EQ(tipOpenWindowRect({574, 0, 974, 10}, work).left, 574);
  // A pane that grew with the dialog is taken off whole.
  EXPECT_EQ(tipClosedWidth(706, 300), 400);
  EXPECT_EQ(tipClosedWidth(806, 400), 400);
}

TEST(ProgressPercent, RangeRules) {
  EXPECT_EQ(progressPercent(0, 0, 100), 0);
  EXPECT_EQ(progressPercent(37, 0, 100), 37);
  EXPECT_EQ(progressPercent(1, 0, 3), 33);
  // Upper equal to lower (and inverted): always 0.
  EXPECT_EQ(progressPercent(5, 10, 10), 0);
  EXPECT_EQ(progressPercent(5, 10, 5), 0);
  // No clamping beyond upper.
  EXPECT_EQ(progressPercent(150, 0, 100), 150);
  // Lower above 0: computed from the position itself, not from its distance to lower.
  EXPECT_EQ(progressPercent(50, 20, 120), 50);
  // Large positions do not overflow.
  EXPECT_EQ(progressPercent(3'000'000'000LL, 0, 6'000'000'000LL), 50);
  EXPECT_EQ(progressTitle("进度栏", 42), "进度栏 [42%]");
}

TEST(ProgressLayout, FromTextAndButtonMetrics) {
  const ProgressLayout l = progressLayout(52, 50, 13, 2, 2);
  EXPECT_EQ(l.text, (WinRect{10, 10, 400, 62}));
  EXPECT_EQ(l.button, (WinRect{342, 72, 400, 91}));  // 50 + 4 x 2 wide, 13 + 3 x 2 high
  EXPECT_EQ(l.progress, (WinRect{10, 74, 332, 89}));
  EXPECT_EQ(l.clientWidth, 410);
  EXPECT_EQ(l.clientHeight, 101);
}

TEST(CaptionBands, BandWidth) {
  EXPECT_EQ(captionBandWidth(50), 1);  // 250 / 384 = 0, at least 1
  EXPECT_EQ(captionBandWidth(100), 1);
  EXPECT_EQ(captionBandWidth(153), 1);  // narrower than 154: 1-pixel bands
  EXPECT_EQ(captionBandWidth(154), 2);
  EXPECT_EQ(captionBandWidth(1024), 13);
}

TEST(CaptionBands, ChannelFallsWithTheSquareOfTheDistance) {
  EXPECT_EQ(captionBandChannel(200, 10, 100), 198);  // 200 - 100 x 200 / 10000
  EXPECT_EQ(captionBandChannel(200, 50, 100), 150);
  EXPECT_EQ(captionBandChannel(200, 100, 100), 0);
  // Wide captions: d x d x channel passes 2^31 and must not wrap.
  EXPECT_EQ(captionBandChannel(255, 3200, 3200), 0);
  EXPECT_EQ(captionBandChannel(255, 1600, 3200), 192);  // 255 - 255 / 4 = 192
}

static void expectCoverage(const std::vector<CaptionBand>& bands, int w) {
  // Bands tile [0, w) from right to left without gaps.
  ASSERT_FALSE(bands.empty());
  EXPECT_EQ(bands.front().right, w);
  for (size_t i = 1; i < bands.size(); ++i) EXPECT_EQ(bands[i].right, bands[i - 1].left);
  EXPECT_LE(bands.back().left, 0);
}

TEST(CaptionBands, GradientLayout) {
  const Rgb c{10, 36, 106};
  for (int w : {1, 5, 40, 153, 154, 800, 1024, 3840}) {
    SCOPED_TRACE(w);
    const auto bands = captionBands(w, c);
    expectCoverage(bands, w);
    // The right sixth has the caption colour.
    EXPECT_EQ(bands.front().left, w * 5 / 6);
    EXPECT_EQ(bands.front().colour, c);
    // Darker going left, never negative.
    for (size_t i = 1; i < bands.size(); ++i) {
      EXPECT_LE(bands[i].colour.b, bands[i - 1].colour.b);
      EXPECT_GE(bands[i].colour.b, 0);
    }
  }
  // 120 pixels: e = 100, s = 1: bands at 99, 98, ..., 1, then black [0, 1).
  const auto narrow = captionBands(120, c);
  ASSERT_EQ(narrow.size(), 1u + 99u + 1u);
  EXPECT_EQ(narrow[1].left, 99);
  EXPECT_EQ(narrow[1].right - narrow[1].left, 1);
  EXPECT_EQ(narrow[1].colour, (Rgb{10, 36, 106 - 106 / 10000}));
  EXPECT_EQ(narrow[99].left, 1);
  EXPECT_EQ(narrow.back().left, 0);
  EXPECT_EQ(narrow.back().right, 1);
  EXPECT_EQ(narrow.back().colour, (Rgb{0, 0, 0}));
  // 768 pixels: e = 640, s = 10: 63 bands from 630 down to 10, stopping when
  // the left edge is no longer above s, then black [0, 10).
  const auto wide = captionBands(768, c);
  EXPECT_EQ(wide[1].left, 630);
  EXPECT_EQ(wide[1].right, 640);
  EXPECT_EQ(wide[wide.size() - 2].left, 10);
  EXPECT_EQ(wide.back().left, 0);
  EXPECT_EQ(wide.back().right, 10);
  EXPECT_EQ(wide[1].colour.b, 106 - 100 * 106 / (640 * 640));
}

TEST(CaptionText, LightnessRule) {
  EXPECT_EQ(lightness({0, 0, 0}), 0);
  EXPECT_EQ(lightness({255, 255, 255}), 240);
  EXPECT_EQ(lightness({0, 0, 128}), 60);
  EXPECT_EQ(lightness({95, 95, 95}), 89);
  EXPECT_EQ(lightness({95, 95, 96}), 90);
  // Dark caption-text colours are drawn white; 90 and lighter keep their colour.
  EXPECT_EQ(activeCaptionTextColour({0, 0, 0}), (Rgb{255, 255, 255}));
  EXPECT_EQ(activeCaptionTextColour({0, 0, 128}), (Rgb{255, 255, 255}));
  EXPECT_EQ(activeCaptionTextColour({95, 95, 95}), (Rgb{255, 255, 255}));
  EXPECT_EQ(activeCaptionTextColour({95, 95, 96}), (Rgb{95, 95, 96}));
  EXPECT_EQ(activeCaptionTextColour({255, 255, 0}), (Rgb{255, 255, 0}));
}

TEST(RingShading, ColourAtAngles) {
  const Rgb black{0, 0, 0}, white{255, 255, 255};
  // Full light at -1.88 rad (upper left), nearly full shadow opposite.
  EXPECT_EQ(ringColour(-1.88, black, white), white);
  EXPECT_EQ(ringColour(0, black, white), (Rgb{88, 88, 88}));                 // right
  EXPECT_EQ(ringColour(M_PI / 2, black, white), (Rgb{5, 5, 5}));             // bottom
  EXPECT_EQ(ringColour(-M_PI / 2, black, white), (Rgb{248, 248, 248}));      // top
  EXPECT_EQ(ringColour(M_PI, black, white), (Rgb{165, 165, 165}));           // left
  EXPECT_EQ(ringColour(M_PI / 4, black, white), (Rgb{14, 14, 14}));          // lower right
  EXPECT_EQ(ringColour(-3 * M_PI / 4, black, white), (Rgb{240, 240, 240}));  // upper left
  // Per channel between two colours.
  EXPECT_EQ(ringColour(0, {10, 36, 106}, {212, 208, 200}), (Rgb{80, 95, 138}));
}

TEST(RingShading, MidpointCircle) {
  for (int r : {1, 5, 9, 20}) {
    const auto pts = midpointCircle(r);
    bool right = false, bottom = false, left = false, top = false;
    for (const Offset& o : pts) {
      EXPECT_LE(std::abs(o.dx * o.dx + o.dy * o.dy - r * r), r) << r;
      right |= o.dx == r && o.dy == 0;
      bottom |= o.dx == 0 && o.dy == r;
      left |= o.dx == -r && o.dy == 0;
      top |= o.dx == 0 && o.dy == -r;
    }
    EXPECT_TRUE(right && bottom && left && top) << r;
  }
  EXPECT_EQ(midpointCircle(0).size(), 1u);
  EXPECT_TRUE(midpointCircle(-1).empty());
}

TEST(RoundButtonGeometry, WideAndSquare) {
  const RoundGeometry wide = roundGeometry(80, 24);
  EXPECT_TRUE(wide.wide);
  EXPECT_EQ(wide.width, 80);
  EXPECT_EQ(wide.height, 24);
  EXPECT_EQ(wide.cx, 40);
  EXPECT_EQ(wide.cy, 12);
  EXPECT_EQ(wide.r, 11);
  EXPECT_EQ(wide.leftArcX, 11);
  EXPECT_EQ(wide.rightArcX, 68);
  // Higher than wide: a circle of its width.
  const RoundGeometry tall = roundGeometry(20, 30);
  EXPECT_FALSE(tall.wide);
  EXPECT_EQ(tall.width, 20);
  EXPECT_EQ(tall.height, 20);
  EXPECT_EQ(tall.r, 9);
  EXPECT_EQ(tall.cx, 10);
  EXPECT_EQ(tall.rightArcX, tall.cx);
  // Exactly square is not wide.
  EXPECT_FALSE(roundGeometry(24, 24).wide);
}

TEST(TypeAhead, TwoLettersOfASixLetterEntry) {
  const QStringList items{QStringLiteral("xyzzy"), QStringLiteral("abcdef"),
                          QStringLiteral("abcxyz")};
  const Completion c = completeTypeAhead(QStringLiteral("ab"), 2, 2, items);
  EXPECT_TRUE(c.matched);
  EXPECT_EQ(c.text, QStringLiteral("abcdef"));
  EXPECT_EQ(c.anchor, 2);  // the last four letters are selected
  EXPECT_EQ(c.caret, 6);
  // Case is ignored when matching; the list's spelling wins.
  EXPECT_EQ(completeTypeAhead(QStringLiteral("AB"), 2, 2, items).text, QStringLiteral("abcdef"));
}

TEST(TypeAhead, TypingInsideTheTextKeepsTheCaret) {
  const QStringList items{QStringLiteral("abcdef")};
  const Completion c = completeTypeAhead(QStringLiteral("abd"), 1, 1, items);
  EXPECT_FALSE(c.matched);
  EXPECT_EQ(c.text, QStringLiteral("abd"));
  EXPECT_EQ(c.anchor, 1);
  EXPECT_EQ(c.caret, 1);
  const Completion none = completeTypeAhead(QStringLiteral("q"), 1, 1, items);
  EXPECT_FALSE(none.matched);
  EXPECT_EQ(none.text, QStringLiteral("q"));
  EXPECT_EQ(none.caret, 1);
  EXPECT_FALSE(completeTypeAhead(QString(), 0, 0, items).matched);
}
