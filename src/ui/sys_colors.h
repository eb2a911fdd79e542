#pragma once
// The system colours the painted controls name, by their Windows indices,
// taken from the application palette so that a palette change recolours them.
#include <QColor>
#include <QPalette>

#include "ui/ui_math.h"

namespace ui {

enum SysColor {
  COLOR_ACTIVECAPTION = 2,
  COLOR_INACTIVECAPTION = 3,
  COLOR_CAPTIONTEXT = 9,
  COLOR_INACTIVEBORDER = 11,
  COLOR_BTNFACE = 15,
  COLOR_BTNSHADOW = 16,
  COLOR_BTNTEXT = 18,
  COLOR_INACTIVECAPTIONTEXT = 19,
  COLOR_BTNHIGHLIGHT = 20,
  COLOR_3DDKSHADOW = 21,
  COLOR_3DLIGHT = 22,
};

QColor sysColor(SysColor index, const QPalette& palette);
QColor sysColor(SysColor index);  // from the application palette

inline Rgb toRgb(const QColor& c) { return {c.red(), c.green(), c.blue()}; }
inline QColor toQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

}  // namespace ui
