#pragma once
// The arithmetic behind the toolkit's windows, kept apart from the widgets so
// that the numbers can be checked on their own: proportional layout,
// centring, the progress percentage, the caption gradient, the text-colour
// rule, round-button geometry and ring shading, and combo type-ahead.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>
#include <vector>

namespace ui {

// A rectangle as left, top, right, bottom (right and bottom exclusive).
struct WinRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool operator==(const WinRect&) const = default;
};

struct Rgb {
  int r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// Edge fractions of one resize item.
struct EdgeFractions {
  float xLeft = 0, xRight = 0, yTop = 0, yBottom = 0;
};

// Growth of the client area along one axis: never negative.
int growth(int now, int initial);

// Where a control recorded at `recorded` goes when the client area has grown
// by dx, dy: every product truncated toward zero.
WinRect layoutItem(const WinRect& recorded, const EdgeFractions& f, int dx, int dy);

// Top-left corner of a w x h window centred over `reference`, then pushed
// inside `workArea` (left before right, top before bottom, so a window larger
// than the work area ends with its right and bottom edges on the work area's).
struct Point {
  int x = 0, y = 0;
  bool operator==(const Point&) const = default;
};
Point centreInWorkArea(int w, int h, const WinRect& reference, const WinRect& workArea);

// The help-tip panel: 300 pixels of help page along the dialog's right side
// and 6 pixels of margin.
constexpr int kTipPaneWidth = 300;
constexpr int kTipPaneMargin = 6;
// Where the panel goes in a client area of clientW x clientH (before the
// dialog widens): just right of it, from 2 pixels below the top to 12 above
// the bottom.
WinRect tipPaneRect(int clientW, int clientH);
// The dialog's window rectangle with the panel open: 306 pixels wider and,
// when that passes the work area's right edge, shifted left so that its
// right edge lies 2 pixels inside it.
WinRect tipOpenWindowRect(const WinRect& window, const WinRect& workArea);
// The dialog's width after the panel of paneWidth pixels closed.
int tipClosedWidth(int openWidth, int paneWidth);

// Percentage shown in a progress window's title: position x 100 over the
// range's width, 0 for an empty or inverted range, not clamped and computed
// from the position itself even when lower is above 0.
int progressPercent(std::int64_t position, std::int64_t lower, std::int64_t upper);

// "%s [%d%%]"
std::string progressTitle(const std::string& title, int percent);

// Layout of the progress window for a text area of `textHeight` pixels (n
// lines of "M"), width 390, and a Cancel button whose text measures buttonTextW
// x buttonTextH.
struct ProgressLayout {
  WinRect text, button, progress;
  int clientWidth = 0, clientHeight = 0;
};
ProgressLayout progressLayout(int textHeight, int buttonTextW, int buttonTextH, int cxEdge,
                              int cyEdge);
constexpr int kProgressWidth = 390;

// Caption gradient. The right sixth is the caption colour; to its left bands
// of width s darken with the square of their distance; black fills the rest.
struct CaptionBand {
  int left = 0, right = 0;
  Rgb colour;
};
int captionBandWidth(int captionWidth);
int captionBandChannel(int channel, int d, int e0);
std::vector<CaptionBand> captionBands(int captionWidth, Rgb caption);

// Lightness on the 0-240 scale; the active caption text is drawn white when
// the system's caption-text colour is darker than 90.
int lightness(Rgb c);
Rgb activeCaptionTextColour(Rgb captionText);

// Round-button geometry from the button's client size.
struct RoundGeometry {
  bool wide = false;
  int width = 0, height = 0;  // after squaring a button higher than wide
  int cx = 0, cy = 0;         // centre
  int r = 0;                  // radius
  int leftArcX = 0, rightArcX = 0;
};
RoundGeometry roundGeometry(int w, int h);

// Colour of a ring pixel at angle theta (radians, y downwards) between the
// shadow and the light colour; the light comes from the upper left.
Rgb ringColour(double theta, Rgb shadow, Rgb light);

// Pixel offsets of a circle of radius r by the midpoint method (all octants).
struct Offset {
  int dx = 0, dy = 0;
};
std::vector<Offset> midpointCircle(int r);

// Type-ahead completion of a combo box's edit text against its list: the
// first item that begins with the typed text (ignoring case) replaces it, and
// the completed remainder is selected unless the user was typing inside the
// text. Selection positions count characters.
struct Completion {
  bool matched = false;
  QString text;
  int anchor = 0, caret = 0;  // selection to set: from anchor to caret
};
Completion completeTypeAhead(const QString& typed, int selStart, int selEnd,
                             const QStringList& items);

}  // namespace ui
