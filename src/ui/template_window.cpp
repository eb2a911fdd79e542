#include "ui/template_window.h"

#include <QPushButton>

#include "common/prompt.h"
#include "platform/dialogs/dialog_builder.h"
#include "res/dialog_template.h"

namespace ui {

QDialog* buildTemplateWindow(int id, QWidget* parent, bool* thickFrame) {
  const res::DialogTemplate* tmpl = res::findDialog(id);
  if (!tmpl) return nullptr;
  std::unique_ptr<QDialog> dialog = dlg::createDialog(id, parent);
  if (!dialog) return nullptr;
  if (thickFrame) *thickFrame = (tmpl->style & res::style::WS_THICKFRAME) != 0;
  // OK and Cancel are routed through the toolkit's command handling (the
  // stay-open veto, ignore-Cancel, the results dialog's running state), not
  // straight to accept and reject.
  for (int button : {IDOK, IDCANCEL}) {
    if (auto* b = dlg::findControl<QPushButton>(dialog.get(), button))
      QObject::disconnect(b, &QPushButton::clicked, dialog.get(), nullptr);
  }
  return dialog.release();
}

}  // namespace ui
