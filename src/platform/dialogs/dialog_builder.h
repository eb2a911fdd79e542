#pragma once
// Builds Qt dialogs from the dialog templates of res/. Positions and sizes
// are converted from dialog units with the base units of the dialog's font,
// as Windows does: x pixels = x units × base width / 4, y pixels = y units ×
// base height / 8, rounded to the nearest pixel. Templates name the Windows
// font 宋体; here every template font becomes a CJK sans-serif font at the
// template's point size. Every control is named by its id (objectName is the
// decimal id, property "controlId" holds it as a number), so code and tests
// find it with findControl.
#include <QDialog>
#include <QFont>
#include <QIcon>
#include <QRect>
#include <QString>
#include <QWidget>
#include <memory>

#include "res/dialog_template.h"

namespace dlg {

// The family that stands in for the templates' fonts.
inline constexpr const char* kDialogFontFamily = "Noto Sans CJK SC";

struct BaseUnits {
  int x = 0;  // average character width
  int y = 0;  // character height
};

// The font for a template: the stand-in family at the template's point size.
QFont dialogFont(const res::DialogTemplate& tmpl);

// The base units of a font, computed as Windows computes a dialog font's:
// the width of the 52 letters A–Z a–z, /26, rounded up by half; the height of
// the font (ascent plus descent).
BaseUnits baseUnits(const QFont& font);

// Dialog units to pixels.
QRect toPixels(const BaseUnits& units, int x, int y, int cx, int cy);
QSize toPixels(const BaseUnits& units, int cx, int cy);

// Gives widget the template's title, font and size and creates its controls
// as children at their converted rectangles, in template order (which is also
// the tab order). A dialog that is not resizable (no WS_THICKFRAME) gets a
// fixed size. Returns the base units used.
BaseUnits buildDialog(QWidget& widget, const res::DialogTemplate& tmpl);

// A new dialog built from the template with this id, or nullptr when there is
// no such template.
std::unique_ptr<QDialog> createDialog(int templateId, QWidget* parent = nullptr);

// The program's icon (resource 128): the application's window icon when one
// is set, else the one painted in the resource bitmaps. Icon controls show it.
QIcon programIcon();

// The id a control was created with (IDC_STATIC for none).
int controlId(const QObject* control);

// The control with this id below dialog, or nullptr (also when it is not a T).
template <class T = QWidget>
T* findControl(const QObject* dialog, int id) {
  if (!dialog) return nullptr;
  return dialog->findChild<T*>(QString::number(id));
}

}  // namespace dlg
