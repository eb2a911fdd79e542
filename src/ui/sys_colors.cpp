#include "ui/sys_colors.h"

#include <QApplication>

namespace ui {

QColor sysColor(SysColor index, const QPalette& p) {
  switch (index) {
    case COLOR_ACTIVECAPTION:
      return p.color(QPalette::Active, QPalette::Highlight);
    case COLOR_INACTIVECAPTION:
      return p.color(QPalette::Active, QPalette::Dark);
    case COLOR_CAPTIONTEXT:
      return p.color(QPalette::Active, QPalette::HighlightedText);
    case COLOR_INACTIVECAPTIONTEXT:
      return p.color(QPalette::Active, QPalette::Window);
    case COLOR_INACTIVEBORDER:
      return p.color(QPalette::Active, QPalette::Window);
    case COLOR_BTNFACE:
      return p.color(QPalette::Active, QPalette::Button);
    case COLOR_BTNSHADOW:
      return p.color(QPalette::Active, QPalette::Dark);
    case COLOR_BTNTEXT:
      return p.color(QPalette::Active, QPalette::ButtonText);
    case COLOR_BTNHIGHLIGHT:
      return p.color(QPalette::Active, QPalette::Light);
    case COLOR_3DDKSHADOW:
      return p.color(QPalette::Active, QPalette::Shadow);
    case COLOR_3DLIGHT:
      return p.color(QPalette::Active, QPalette::Midlight);
  }
  return p.color(QPalette::Active, QPalette::Window);
}

QColor sysColor(SysColor index) { return sysColor(index, QApplication::palette()); }

}  // namespace ui
