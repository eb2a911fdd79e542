#pragma once
// Driving the modal dialogs a menu command opens, for the GUI tests: a
// dialog is answered from a timer while its own event loop runs.
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>
#include <functional>

#include "platform/dialogs/dialog_builder.h"
#include "res/ids.h"

namespace modal {

// Calls f with the modal dialog titled `title` once it is shown. When it does
// not come within about ten seconds, whatever modal dialog is open instead is
// rejected, so that the test fails on its checks rather than hanging.
inline void whenShown(const QString& title, std::function<void(QDialog*)> f, int tries = 400) {
  QTimer::singleShot(25, [=] {
    auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (d && d->isVisible() && d->windowTitle() == title) {
      f(d);
    } else if (tries > 0) {
      whenShown(title, f, tries - 1);
    } else if (d) {
      d->reject();
    }
  });
}

// The text of the results dialog's box.
inline QString resultText(QDialog* d) {
  QWidget* w = dlg::findControl(d, IDC_RESULTS_TEXT);
  if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) return plain->toPlainText();
  if (auto* rich = qobject_cast<QTextEdit*>(w)) return rich->toPlainText();
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
  return {};
}

}  // namespace modal
