#pragma once
// Driving the modal dialogs a menu command opens, for the GUI tests: a
// dialog is answered from a timer while its own event loop runs.
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QVariant>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// Calls f with the results dialog `r` once its run has ended (the run starts
// at the first paint; Close shows again when it is over), then closes it with
// Close. When the run does not end within about thirty seconds the dialog is
// rejected and f is not called.
inline void whenRunEnds(QDialog* r, std::function<void(QDialog*)> f) {
  auto* close = dlg::findControl<QPushButton>(r, IDOK);
  auto* timer = new QTimer(r);
  auto left = std::make_shared<int>(600);
  QObject::connect(timer, &QTimer::timeout, r, [=] {
    if (close && close->isVisible()) {
      timer->stop();
      f(r);
      close->click();
    } else if (--*left == 0) {
      timer->stop();
      r->reject();
    }
  });
  timer->start(50);
}

// Calls f with the file picker once one is the active modal window.
inline void whenPickerShown(std::function<void(QFileDialog*)> f) {
  QTimer::singleShot(50, [=] {
    if (auto* picker = qobject_cast<QFileDialog*>(QApplication::activeModalWidget()))
      f(picker);
    else
      whenPickerShown(f);
  });
}

// Answers a file picker as a user does: the path typed into its name field, then OK.
inline void pick(QFileDialog* picker, const std::string& path) {
  picker->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
      ->setText(QString::fromStdString(path));
  static_cast<QDialog*>(picker)->accept();
}

// Runs f with each modal dialog as it shows (its template id, or -1 for
// other modal windows such as file pickers); f closes it.
class ModalWatcher {
 public:
  explicit ModalWatcher(std::function<void(QWidget*, int)> f) : f_(std::move(f)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || !modal->isVisible() || busy_) return;
      busy_ = true;
      const QVariant id = modal->property("dialogId");
      seen.push_back(id.isValid() ? id.toInt() : -1);
      f_(modal, seen.back());
      busy_ = false;
    });
    timer_.start(20);
  }
  std::vector<int> seen;

 private:
  std::function<void(QWidget*, int)> f_;
  QTimer timer_;
  bool busy_ = false;
};

// Closes a modal window as its Cancel or close box would.
inline void closeModal(QWidget* modal, int) {
  if (auto* d = qobject_cast<QDialog*>(modal))
    d->reject();
  else
    modal->close();
}

}  // namespace modal
