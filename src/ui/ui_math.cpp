#include "ui/ui_math.h"

#include <algorithm>
#include <cmath>

namespace ui {

int growth(int now, int initial) { return now > initial ? now - initial : 0; }

WinRect layoutItem(const WinRect& recorded, const EdgeFractions& f, int dx, int dy) {
  // static_cast<int> of a float truncates toward zero, as the layout requires.
  WinRect r;
  r.left = static_cast<int>(static_cast<float>(dx) * f.xLeft) + recorded.left;
  r.top = static_cast<int>(static_cast<float>(dy) * f.yTop) + recorded.top;
  r.right = static_cast<int>(static_cast<float>(dx) * f.xRight) + recorded.right;
  r.bottom = static_cast<int>(static_cast<float>(dy) * f.yBottom) + recorded.bottom;
  return r;
}

Point centreInWorkArea(int w, int h, const WinRect& reference, const WinRect& workArea) {
  Point p;
  p.x = reference.left + (reference.width() - w) / 2;
  p.y = reference.top + (reference.height() - h) / 2;
  if (p.x < workArea.left) p.x = workArea.left;
  if (p.x + w > workArea.right) p.x = workArea.right - w;
  if (p.y < workArea.top) p.y = workArea.top;
  if (p.y + h > workArea.bottom) p.y = workArea.bottom - h;
  return p;
}

WinRect tipPaneRect(int clientW, int clientH) {
  return {clientW, 2, clientW + kTipPaneWidth, clientH - 12};
}

WinRect tipOpenWindowRect(const WinRect& window, const WinRect& workArea) {
  WinRect r = window;
  r.right += kTipPaneWidth + kTipPaneMargin;
  if (r.right > workArea.right) {
    const int shift = r.right - (workArea.right - 2);
    r.left -= shift;
    r.right -= shift;
  }
  return r;
}

int tipClosedWidth(int openWidth, int paneWidth) { return openWidth - paneWidth - kTipPaneMargin; }

int progressPercent(std::int64_t position, std::int64_t lower, std::int64_t upper) {
  if (upper <= lower) return 0;
  return static_cast<int>(position * 100 / (upper - lower));
}

std::string progressTitle(const std::string& title, int percent) {
  return title + " [" + std::to_string(percent) + "%]";
}

ProgressLayout progressLayout(int textHeight, int buttonTextW, int buttonTextH, int cxEdge,
                              int cyEdge) {
  ProgressLayout l;
  l.text = {10, 10, 10 + kProgressWidth, 10 + textHeight};
  const int bw = buttonTextW + 4 * cxEdge;
  const int bh = buttonTextH + 3 * cyEdge;
  l.button = {l.text.right - bw, l.text.bottom + 10, l.text.right, l.text.bottom + 10 + bh};
  l.progress = {l.text.left, l.button.top + cyEdge, l.button.left - 10, l.button.bottom - cyEdge};
  l.clientWidth = l.text.right + 10;
  l.clientHeight = l.button.bottom + 10;
  return l;
}

int captionBandWidth(int captionWidth) { return std::max(1, captionWidth * 5 / 384); }

int captionBandChannel(int channel, int d, int e0) {
  // 64-bit: d * d * channel passes 2^31 on captions wider than about 3,500 pixels.
  const std::int64_t c = channel;
  const std::int64_t dd = static_cast<std::int64_t>(d) * d;
  const std::int64_t ee = static_cast<std::int64_t>(e0) * e0;
  return static_cast<int>(c - dd * c / ee);
}

std::vector<CaptionBand> captionBands(int w, Rgb c) {
  std::vector<CaptionBand> bands;
  if (w <= 0) return bands;
  const int e0 = w * 5 / 6;
  bands.push_back({e0, w, c});
  if (e0 <= 0) return bands;
  const int s = captionBandWidth(w);
  int left = e0;
  for (int d = s;; d += s) {
    left = e0 - d;
    bands.push_back({left,
                     left + s,
                     {captionBandChannel(c.r, d, e0), captionBandChannel(c.g, d, e0),
                      captionBandChannel(c.b, d, e0)}});
    if (!(s < left)) break;
  }
  if (left > 0) bands.push_back({0, left, {0, 0, 0}});
  return bands;
}

int lightness(Rgb c) {
  const int mx = std::max({c.r, c.g, c.b});
  const int mn = std::min({c.r, c.g, c.b});
  return ((mx + mn) * 240 + 255) / 510;
}

Rgb activeCaptionTextColour(Rgb captionText) {
  return lightness(captionText) < 90 ? Rgb{255, 255, 255} : captionText;
}

RoundGeometry roundGeometry(int w, int h) {
  RoundGeometry g;
  g.wide = h < w;
  if (!g.wide) {
    const int side = std::min(w, h);
    w = side;
    h = side;
  }
  g.width = w;
  g.height = h;
  g.cx = w / 2;
  g.cy = h / 2;
  g.r = h / 2 - 1;
  g.leftArcX = h / 2 - 1;
  g.rightArcX = w - h / 2;
  return g;
}

Rgb ringColour(double theta, Rgb shadow, Rgb light) {
  double t = -theta - 1.88;
  if (t < -3.1415) t += 6.293;
  if (t > 3.1415) t -= 6.293;
  const double k = (std::cos(t) + 1) / 2;
  auto mix = [k](int s, int l) { return static_cast<int>((1 - k) * s + k * l); };
  return {mix(shadow.r, light.r), mix(shadow.g, light.g), mix(shadow.b, light.b)};
}

std::vector<Offset> midpointCircle(int r) {
  std::vector<Offset> out;
  if (r < 0) return out;
  if (r == 0) {
    out.push_back({0, 0});
    return out;
  }
  int x = r, y = 0, err = 1 - r;
  while (x >= y) {
    const Offset oct[8] = {{x, y}, {y, x}, {-y, x}, {-x, y}, {-x, -y}, {-y, -x}, {y, -x}, {x, -y}};
    for (const Offset& o : oct) out.push_back(o);
    ++y;
    if (err < 0) {
      err += 2 * y + 1;
    } else {
      --x;
      err += 2 * (y - x) + 1;
    }
  }
  return out;
}

Completion completeTypeAhead(const QString& typed, int selStart, int selEnd,
                             const QStringList& items) {
  Completion c;
  const int n = static_cast<int>(typed.size());
  c.text = typed;
  if (!typed.isEmpty()) {
    for (const QString& item : items) {
      if (item.startsWith(typed, Qt::CaseInsensitive)) {
        c.matched = true;
        c.text = item;
        break;
      }
    }
  }
  if (selEnd < n) {
    // Typing inside the text: keep the caret where it was.
    c.anchor = selEnd;
    c.caret = selStart;
  } else {
    c.anchor = n;
    c.caret = static_cast<int>(c.text.size());
  }
  return c;
}

}  // namespace ui
