#include "ui/round_button.h"

#include <QEvent>
#include <QPainter>
#include <QRegion>
#include <cmath>

namespace ui {

void paintRing(QPainter& p, int cx, int cy, int r, Rgb shadow, Rgb light, int side) {
  if (r < 0) return;
  for (const Offset& o : midpointCircle(r)) {
    if ((side < 0 && o.dx > 0) || (side > 0 && o.dx < 0)) continue;
    const double theta = std::atan2(static_cast<double>(o.dy), static_cast<double>(o.dx));
    p.setPen(toQColor(ringColour(theta, shadow, light)));
    p.drawPoint(cx + o.dx, cy + o.dy);
  }
}

namespace {

// A pair of ring colours: the first for the side away from the light.
struct RingPair {
  Rgb shadow, light;
};

void ringAround(QPainter& p, const RoundGeometry& g, int r, RingPair c) {
  if (g.wide) {
    paintRing(p, g.leftArcX, g.cy, r, c.shadow, c.light, -1);
    paintRing(p, g.rightArcX, g.cy, r, c.shadow, c.light, +1);
  } else {
    paintRing(p, g.cx, g.cy, r, c.shadow, c.light);
  }
}

void hline(QPainter& p, int x0, int x1, int y, Rgb c) {
  p.setPen(toQColor(c));
  p.drawLine(x0, y, x1, y);
}

QString withoutFirstAmpersand(const QString& s) {
  QString out = s;
  const qsizetype i = out.indexOf(QLatin1Char('&'));
  if (i >= 0) out.remove(i, 1);
  return out;
}

}  // namespace

void paintRoundButton(QPainter& p, const RoundGeometry& g, const ButtonState& s,
                      const QColor& background, bool defaultOutline, const QString& caption,
                      const QFont& font, const QPalette& palette) {
  p.save();
  p.fillRect(0, 0, g.width, g.height, background);

  const Rgb highlight = toRgb(sysColor(COLOR_BTNHIGHLIGHT, palette));
  const Rgb dkShadow = toRgb(sysColor(COLOR_3DDKSHADOW, palette));
  const Rgb light = toRgb(sysColor(COLOR_3DLIGHT, palette));
  const Rgb shadow = toRgb(sysColor(COLOR_BTNSHADOW, palette));

  const int outerR = g.r;
  int r = g.r;
  const bool focusedRound = s.focused && !g.wide;
  if (focusedRound && defaultOutline) {
    p.setPen(Qt::black);
    for (const Offset& o : midpointCircle(r)) p.drawPoint(g.cx + o.dx, g.cy + o.dy);
    --r;
  }

  const RingPair outerRaised{dkShadow, highlight};
  const RingPair innerRaised{shadow, light};
  auto joinLines = [&](bool pressed) {
    if (!g.wide) return;
    const int x0 = g.leftArcX, x1 = g.rightArcX;
    if (pressed) {
      hline(p, x0, x1, 1, dkShadow);
      hline(p, x0, x1, 2, shadow);
      hline(p, x0, x1, g.cy + r - 1, light);
      hline(p, x0, x1, g.cy + r, highlight);
    } else {
      hline(p, x0, x1, 1, highlight);
      hline(p, x0, x1, 2, light);
      hline(p, x0, x1, g.cy + r - 1, shadow);
      hline(p, x0, x1, g.cy + r, dkShadow);
    }
  };
  if (s.focused && g.wide && !s.pressed) {
    ringAround(p, g, r, outerRaised);
    ringAround(p, g, r - 1, outerRaised);
    ringAround(p, g, r - 2, innerRaised);
    joinLines(false);
  } else if (s.pressed) {
    ringAround(p, g, r, {outerRaised.light, outerRaised.shadow});
    ringAround(p, g, r - 1, {innerRaised.light, innerRaised.shadow});
    joinLines(true);
  } else {
    ringAround(p, g, r, outerRaised);
    ringAround(p, g, r - 1, innerRaised);
    joinLines(false);
  }

  // Caption, centred on the measured text and clipped to the face.
  p.setFont(font);
  const QFontMetrics fm(font);
  const int tw = fm.horizontalAdvance(withoutFirstAmpersand(caption));
  const int th = fm.height();
  int x = g.cx - tw / 2 - 1;
  int y = g.cy - th / 2 - 1;
  if (s.pressed) {
    ++x;
    ++y;
  }
  if (g.wide) {
    p.setClipRect(
        QRect(QPoint(g.leftArcX - r / 2, g.cy - r), QPoint(g.rightArcX + r / 2, g.cy + r)));
  } else {
    p.setClipRegion(QRegion(g.cx - r, g.cy - r, 2 * r + 1, 2 * r + 1, QRegion::Ellipse));
  }
  const QRect textRect(x, y, tw + 4, th);
  const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic | Qt::TextSingleLine;
  if (s.disabled) {
    p.setPen(palette.color(QPalette::Active, QPalette::Light));
    p.drawText(textRect.translated(1, 1), flags, caption);
    p.setPen(palette.color(QPalette::Active, QPalette::Dark));
  } else {
    p.setPen(palette.color(QPalette::Active, QPalette::ButtonText));
  }
  p.drawText(textRect, flags, caption);
  p.setClipping(false);

  if (focusedRound) {
    // Focus mark: every other pixel of a circle inside the rings.
    p.setPen(Qt::black);
    const auto pts = midpointCircle(outerR - 3);
    for (size_t i = 0; i < pts.size(); i += 2) p.drawPoint(g.cx + pts[i].dx, g.cy + pts[i].dy);
  }
  p.restore();
}

QRegion buttonRegion(const RoundGeometry& g) {
  if (!g.wide) return QRegion(0, 0, g.width, g.height, QRegion::Ellipse);
  // Two end circles joined by the straight part: the rings and the joining
  // lines drawn for a wide button all lie inside. (An ellipse over the whole
  // button would cut the lines off where they meet the arcs.)
  // Each end circle one pixel wider than its outer ring, so that no ring
  // pixel falls on the region's edge.
  const int d = 2 * g.r + 3;
  QRegion region(g.leftArcX - g.r - 1, g.cy - g.r - 1, d, d, QRegion::Ellipse);
  region += QRegion(g.rightArcX - g.r - 1, g.cy - g.r - 1, d, d, QRegion::Ellipse);
  region += QRegion(g.leftArcX, g.cy - g.r, g.rightArcX - g.leftArcX + 1, 2 * g.r + 1);
  return region & QRegion(0, 0, g.width, g.height);
}

void RoundButtonBase::attach(QPushButton* button) {
  button_ = button;
  button->setFlat(true);
  geom_ = roundGeometry(button->width(), button->height());
  if (!geom_.wide) button->resize(geom_.width, geom_.height);
  button->setMask(buttonRegion(geom_));
  button->installEventFilter(this);
  button->update();
}

ButtonState RoundButtonBase::state() const {
  ButtonState s;
  if (!button_) return s;
  s.pressed = button_->isDown();
  s.focused = button_->hasFocus();
  s.disabled = !button_->isEnabled();
  return s;
}

bool RoundButtonBase::eventFilter(QObject* watched, QEvent* event) {
  if (watched == button_ && event->type() == QEvent::Paint) {
    QPainter p(button_);
    paintRoundButton(p, geom_, state(), background(), drawDefaultOutline(), button_->text(),
                     button_->font(), button_->palette());
    return true;
  }
  if (watched == button_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
    button_->update();
  return QObject::eventFilter(watched, event);
}

}  // namespace ui
