#pragma once
// The toolkit's one way to turn a dialog template into a window.
#include <QDialog>

namespace ui {

// The dialog of template `id` over `parent`, its controls named by their ids;
// *thickFrame tells whether the template asks for a sizing border. Null when
// the template does not exist.
QDialog* buildTemplateWindow(int id, QWidget* parent, bool* thickFrame);

}  // namespace ui
