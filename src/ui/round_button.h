#pragma once
// Round push buttons. The button keeps its place in the dialog but is drawn
// by us: an elliptic (or, for a button higher than wide, circular) window
// region and two shaded rings whose light falls from the upper left.
//
// Two forms share the look: CRndBtn, for dialogs of the framework kind (the
// results dialog's Close button), and PaintedButton, the record the tool
// dialog attaches to each of its push buttons. They differ in the background
// they paint behind the region and in whether a focused round button gets the
// dark outline.
#include <QObject>
#include <QPointer>
#include <QPushButton>

#include "ui/sys_colors.h"
#include "ui/ui_math.h"

class QPainter;
class QRegion;

namespace ui {

struct ButtonState {
  bool pressed = false;
  bool focused = false;
  bool disabled = false;
};

// Draws one round button into `p` (the button's own coordinates).
void paintRoundButton(QPainter& p, const RoundGeometry& g, const ButtonState& s,
                      const QColor& background, bool defaultOutline, const QString& caption,
                      const QFont& font, const QPalette& palette);

// The window region of a button: a circle for a square button; for a wide
// one, the two end circles and the band between them.
QRegion buttonRegion(const RoundGeometry& g);

// Shades one ring of radius r around (cx, cy); side < 0 draws only the left
// half, side > 0 only the right half, 0 the whole ring.
void paintRing(QPainter& p, int cx, int cy, int r, Rgb shadow, Rgb light, int side = 0);

// Geometry, region and painting common to both forms.
class RoundButtonBase : public QObject {
 public:
  explicit RoundButtonBase(QObject* parent = nullptr) : QObject(parent) {}
  // Sets the button up: region, squaring, and painting by this object.
  void attach(QPushButton* button);
  QPushButton* button() const { return button_; }
  const RoundGeometry& geometry() const { return geom_; }
  ButtonState state() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  virtual QColor background() const = 0;
  virtual bool drawDefaultOutline() const = 0;

 private:
  QPointer<QPushButton> button_;
  RoundGeometry geom_;
};

// The painted-button record of the tool dialog.
class PaintedButton : public RoundButtonBase {
 public:
  using RoundButtonBase::RoundButtonBase;

 protected:
  QColor background() const override { return sysColor(COLOR_INACTIVEBORDER); }
  bool drawDefaultOutline() const override { return true; }
};

}  // namespace ui

// The framework-dialog form, bound to an existing push button.
class CRndBtn : public ui::RoundButtonBase {
 public:
  using RoundButtonBase::RoundButtonBase;
  bool drawDefault = true;  // draw the default outline of a focused round button

 protected:
  QColor background() const override { return ui::sysColor(ui::COLOR_BTNFACE); }
  bool drawDefaultOutline() const override { return drawDefault; }
};
