#include "platform/dialogs/window_text.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "platform/dialogs/dialog_builder.h"

namespace {

QString textOf(const QWidget* w) {
  if (auto* e = qobject_cast<const QLineEdit*>(w)) return e->text();
  if (auto* c = qobject_cast<const QComboBox*>(w)) return c->currentText();
  if (auto* p = qobject_cast<const QPlainTextEdit*>(w)) return p->toPlainText();
  if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
  if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
  if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
  return w->windowTitle();
}

}  // namespace

void GetWindowTextOwned(const QWidget* window, std::string& str) {
  str = window ? textOf(window).toStdString() : std::string();
}

void GetDlgItemTextOwned(const QWidget* dialog, int id, std::string& str) {
  GetWindowTextOwned(dlg::findControl(dialog, id), str);
}

void SetWindowTextUtf8(QWidget* window, const std::string& text) {
  if (!window) return;
  const QString t = QString::fromStdString(text);
  if (auto* e = qobject_cast<QLineEdit*>(window)) {
    e->setText(t);
  } else if (auto* c = qobject_cast<QComboBox*>(window)) {
    if (c->isEditable()) {
      c->setEditText(t);
    } else {
      c->setCurrentIndex(c->findText(t));
    }
  } else if (auto* p = qobject_cast<QPlainTextEdit*>(window)) {
    p->setPlainText(t);
  } else if (auto* l = qobject_cast<QLabel*>(window)) {
    l->setText(t);
  } else if (auto* b = qobject_cast<QAbstractButton*>(window)) {
    b->setText(t);
  } else if (auto* g = qobject_cast<QGroupBox*>(window)) {
    g->setTitle(t);
  } else {
    window->setWindowTitle(t);
  }
}

QRect ScreenRectToClient(const QWidget* window, const QRect& rect) {
  return QRect(window->mapFromGlobal(rect.topLeft()), rect.size());
}

QRect ClientRectToScreen(const QWidget* window, const QRect& rect) {
  return QRect(window->mapToGlobal(rect.topLeft()), rect.size());
}
