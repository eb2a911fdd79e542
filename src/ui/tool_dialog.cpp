#include "ui/tool_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSizeGrip>
#include <QTextEdit>
#include <algorithm>

#include "common/messages.h"
#include "platform/browser/tcard_event.h"
#include "ui/round_button.h"
#include "ui/sys_colors.h"
#include "ui/template_window.h"

namespace {

constexpr int kOk = IDOK;
constexpr int kCancel = IDCANCEL;
constexpr int kSlotStep = 5;

ui::WinRect toWinRect(const QRect& r) { return {r.left(), r.top(), r.right() + 1, r.bottom() + 1}; }

int controlId(const QObject* o) {
  bool ok = false;
  const int id = o->objectName().toInt(&ok);
  return ok ? id : -1;
}

}  // namespace

// ---------------------------------------------------------------------------

ResizeItem* ResizeItemList::add(QWidget* control, const ui::EdgeFractions& f) {
  auto item = std::make_unique<ResizeItem>();
  item->control = control;
  item->f = f;
  ResizeItem* raw = item.get();
  for (auto& s : slots_) {
    if (!s) {
      s = std::move(item);
      return raw;
    }
  }
  const size_t used = slots_.size();
  slots_.resize(used + kSlotStep);
  slots_[used] = std::move(item);
  return raw;
}

bool ResizeItemList::remove(QWidget* control) {
  for (auto& s : slots_) {
    if (s && s->control == control) {
      s.reset();
      return true;
    }
  }
  return false;
}

bool ResizeItemList::empty() const {
  return std::none_of(slots_.begin(), slots_.end(), [](const auto& s) { return s != nullptr; });
}

// ---------------------------------------------------------------------------

CToolDialog::CToolDialog(int templateId, QWidget* parent)
    : parent_(parent), templateId_(templateId) {}

CToolDialog::~CToolDialog() {
  buttons_.clear();
  if (window_) delete window_.data();
}

bool CToolDialog::create() {
  bool thickFrame = false;
  QDialog* w = ui::buildTemplateWindow(templateId_, parent_, &thickFrame);
  if (!w) return false;
  resizable = thickFrame;
  window_ = w;
  initDialog();
  return true;
}

void CToolDialog::attach(QDialog* window) {
  window_ = window;
  resizable = window->minimumSize() != window->maximumSize();
  initDialog();
}

void CToolDialog::initDialog() {
  QDialog* w = window_;
  w->installEventFilter(this);
  if (resizable) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, ui::sysColor(ui::COLOR_BTNFACE));
    w->setPalette(pal);
    w->setAutoFillBackground(true);
    grip_ = new QSizeGrip(w);
    grip_->setFixedSize(kSizeGrip, kSizeGrip);
    grip_->move(w->width() - kSizeGrip, w->height() - kSizeGrip);
  }
  if (centreOnOpen) centrePending_ = true;  // done when the window is first shown
  connectControls();
  onInit();
  initialWindowRect_ = w->frameGeometry();
  if (resizable) {
    w->setMinimumSize(w->size());
  } else {
    w->setFixedSize(w->size());
  }
  if (!centreOnOpen && !items_.empty()) {
    initialClientRect_ = w->rect();
    recordItemRects();
    layoutSuppressed_ = false;
  }
  if (paintPushButtons) {
    for (QPushButton* b : w->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly)) {
      if (static_cast<int>(buttons_.size()) >= kMaxPaintedButtons) break;
      auto rec = std::make_unique<ui::PaintedButton>();
      rec->attach(b);
      buttons_.push_back(std::move(rec));
    }
  }
}

void CToolDialog::connectControls() {
  for (QWidget* c : window_->findChildren<QWidget*>()) {
    const int id = controlId(c);
    if (id < 0) continue;  // not a template control
    if (auto* combo = qobject_cast<QComboBox*>(c)) {
      connect(combo, &QComboBox::activated, this, [this, id] { command(id, kSelChange); });
      if (QLineEdit* le = combo->lineEdit()) {
        combo->setCompleter(nullptr);
        combo->setInsertPolicy(QComboBox::NoInsert);
        le->installEventFilter(this);
        // Type-ahead follows typing only; the change notice follows every
        // change of the text: typing, a choice from the list, or a text set
        // by the dialog itself (after Browse).
        connect(le, &QLineEdit::textEdited, this, [this, id] { command(id, kComboEditUpdate); });
        connect(combo, &QComboBox::editTextChanged, this,
                [this, id] { command(id, kComboEditChange); });
      }
    } else if (auto* button = qobject_cast<QAbstractButton*>(c)) {
      connect(button, &QAbstractButton::clicked, this, [this, id] { command(id, kClicked); });
    } else if (auto* list = qobject_cast<QListWidget*>(c)) {
      connect(list, &QListWidget::currentRowChanged, this, [this, id] { command(id, kSelChange); });
      connect(list, &QListWidget::itemDoubleClicked, this,
              [this, id] { command(id, kDoubleClick); });
    } else if (auto* edit = qobject_cast<QLineEdit*>(c)) {
      connect(edit, &QLineEdit::textChanged, this, [this, id] { command(id, kEditChange); });
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(c)) {
      connect(plain, &QPlainTextEdit::textChanged, this, [this, id] { command(id, kEditChange); });
    } else if (auto* rich = qobject_cast<QTextEdit*>(c)) {
      connect(rich, &QTextEdit::textChanged, this, [this, id] { command(id, kEditChange); });
    }
  }
}

QWidget* CToolDialog::control(int id) const {
  if (!window_) return nullptr;
  return window_->findChild<QWidget*>(QString::number(id));
}

int CToolDialog::DoModal() {
  if (!window_ && !create()) return -1;
  const int code = window_->exec();
  buttons_.clear();
  delete window_.data();
  if (parent_) {
    parent_->activateWindow();
    parent_->setFocus();
  }
  return code;
}

void CToolDialog::endDialog(int code) {
  if (!window_) return;
  ending_ = true;
  window_->done(code);
  ending_ = false;
}

void CToolDialog::command(int id, int code) {
  if (!commandFilter(id, code)) return;
  switch (code) {
    case kClicked:
      onCommand(id);
      break;
    case kSelChange:
      onSelChange(id);
      break;
    case kDoubleClick:
      onDoubleClick(id);
      break;
    case kComboEditChange:
    case kEditChange:
      onEditChange(id);
      break;
    case kComboEditUpdate:
      typeAhead(id);
      break;
    default:
      break;
  }
  if (id == kOk) {
    onOK();
    if (stayOpen) {
      stayOpen = false;
    } else {
      endDialog(kOk);
    }
  } else if (id == kCancel) {
    if (!ignoreCancel) endDialog(kCancel);
  }
}

void CToolDialog::typeAhead(int id) {
  if (completionCombos_.empty() || !lastKeyAllowsCompletion) return;
  if (std::find(completionCombos_.begin(), completionCombos_.end(), id) == completionCombos_.end())
    return;
  auto* combo = qobject_cast<QComboBox*>(control(id));
  if (!combo || !combo->lineEdit()) return;
  QLineEdit* le = combo->lineEdit();
  int start = le->cursorPosition(), end = start;
  if (le->hasSelectedText()) {
    start = static_cast<int>(le->selectionStart());
    end = static_cast<int>(le->selectionEnd());
  }
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  const ui::Completion c = ui::completeTypeAhead(le->text(), start, end, items);
  if (c.matched) {
    const QSignalBlocker block(combo);
    combo->setCurrentIndex(static_cast<int>(items.indexOf(c.text)));
  }
  le->setText(c.text);
  le->setSelection(c.anchor, c.caret - c.anchor);
}

int CToolDialog::addCompletionCombo(int id) {
  if (static_cast<int>(completionCombos_.size()) >= kMaxCompletionCombos) return -1;
  if (completionCombos_.capacity() == 0) completionCombos_.reserve(kMaxCompletionCombos);
  completionCombos_.push_back(id);
  return static_cast<int>(completionCombos_.size()) - 1;
}

ResizeItem* CToolDialog::addResizeItem(QWidget* control, float xLeft, float xRight, float yTop,
                                       float yBottom) {
  return items_.add(control, {xLeft, xRight, yTop, yBottom});
}

void CToolDialog::removeResizeItem(QWidget* control) { items_.remove(control); }

void CToolDialog::recordItemRects() {
  if (!window_) return;
  items_.forEach([this](ResizeItem& it) {
    if (!it.control) return;
    const QPoint tl = it.control->mapTo(window_.data(), QPoint(0, 0));
    it.rect = toWinRect(QRect(tl, it.control->size()));
  });
  layoutSuppressed_ = false;
}

void CToolDialog::layoutItems(int cx, int cy) {
  const int dx = ui::growth(cx, initialClientRect_.width());
  const int dy = ui::growth(cy, initialClientRect_.height());
  items_.forEach([&](ResizeItem& it) {
    if (!it.control) return;
    const ui::WinRect r = ui::layoutItem(it.rect, it.f, dx, dy);
    QPoint tl(r.left, r.top);
    if (QWidget* p = it.control->parentWidget(); p && p != window_)
      tl = p->mapFrom(window_.data(), tl);
    it.control->setGeometry(tl.x(), tl.y(), r.width(), r.height());
  });
  window_->update();
}

void CToolDialog::restoreInitialLayout() {
  if (!window_ || items_.empty()) return;
  if (window_->frameGeometry().size() == initialWindowRect_.size()) return;
  layoutSuppressed_ = true;
  window_->move(initialWindowRect_.topLeft());
  setClientSize(initialClientRect_.size());
  items_.forEach([this](ResizeItem& it) {
    if (!it.control) return;
    QPoint tl(it.rect.left, it.rect.top);
    if (QWidget* p = it.control->parentWidget(); p && p != window_)
      tl = p->mapFrom(window_.data(), tl);
    it.control->setGeometry(tl.x(), tl.y(), it.rect.width(), it.rect.height());
    it.control->update();
  });
  layoutSuppressed_ = false;
}

void CToolDialog::setInitialRects(const QRect& window, const QRect& client) {
  initialWindowRect_ = window;
  initialClientRect_ = client;
  if (window_ && resizable) window_->setMinimumSize(client.size());
}

void CToolDialog::setClientSize(const QSize& size) {
  if (!window_) return;
  if (resizable) {
    window_->resize(size);
  } else {
    window_->setFixedSize(size);
  }
}

void CToolDialog::centreNow() {
  centrePending_ = false;
  QDialog* w = window_;
  if (!w) return;
  const QScreen* screen = parent_ ? parent_->screen() : w->screen();
  if (!screen) screen = QApplication::primaryScreen();
  const QRect work = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  const QRect ref = parent_ ? parent_->frameGeometry() : (screen ? screen->geometry() : work);
  const QRect frame = w->frameGeometry();
  const ui::Point p =
      ui::centreInWorkArea(frame.width(), frame.height(), toWinRect(ref), toWinRect(work));
  w->move(p.x, p.y);
  initialWindowRect_ = QRect(QPoint(p.x, p.y), frame.size());
  if (!items_.empty()) {
    initialClientRect_ = w->rect();
    recordItemRects();
    layoutSuppressed_ = false;
  }
  w->update();
}

std::string CToolDialog::getControlText(int id) const {
  QWidget* c = control(id);
  QString text;
  if (auto* combo = qobject_cast<QComboBox*>(c)) {
    text = combo->currentText();
  } else if (auto* edit = qobject_cast<QLineEdit*>(c)) {
    text = edit->text();
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(c)) {
    text = plain->toPlainText();
  } else if (auto* rich = qobject_cast<QTextEdit*>(c)) {
    text = rich->toPlainText();
  } else if (auto* button = qobject_cast<QAbstractButton*>(c)) {
    text = button->text();
  } else if (auto* label = qobject_cast<QLabel*>(c)) {
    text = label->text();
  }
  return text.toStdString();
}

int CToolDialog::showDialogMessage(unsigned stringId, const char* arg, unsigned flags) {
  return ShowDialogMessage(window_.data(), stringId, arg ? arg : "", flags);
}

bool CToolDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched != window_) {
    // Key-downs in a completion combo's edit: Delete and Backspace never complete.
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      lastKeyAllowsCompletion = key != Qt::Key_Delete && key != Qt::Key_Backspace;
    } else if (event->type() == QEvent::InputMethod) {
      lastKeyAllowsCompletion = true;
    }
    return false;
  }
  if (event->type() == browser::kTCardEventType) {
    // A training-card link of a help pane in the dialog.
    auto* card = static_cast<browser::TCardEvent*>(event);
    onTrainingCard(card->wParam(), static_cast<long>(card->lParam()));
    return true;
  }
  switch (event->type()) {
    case QEvent::Show:
      if (centrePending_) centreNow();
      return onMessage(event);
    case QEvent::Resize: {
      const QSize s = static_cast<QResizeEvent*>(event)->size();
      if (!layoutSuppressed_ && !items_.empty() && !window_->isMinimized())
        layoutItems(s.width(), s.height());
      if (grip_) grip_->move(s.width() - kSizeGrip, s.height() - kSizeGrip);
      return onMessage(event);
    }
    case QEvent::KeyPress: {
      const int key = static_cast<QKeyEvent*>(event)->key();
      lastKeyAllowsCompletion = key != Qt::Key_Delete && key != Qt::Key_Backspace;
      if (key == Qt::Key_Escape) {
        command(kCancel, kClicked);
        return true;
      }
      if (key == Qt::Key_F1) {
        // The dialog's own focus control: the application's may be in
        // another window by the time the key arrives.
        QWidget* item = window_->focusWidget();
        onHelp(item && window_->isAncestorOf(item) ? item : window_.data());
        return true;
      }
      return onMessage(event);
    }
    case QEvent::Close:
      if (ending_) return false;
      // The window's close box asks for Cancel, as a dialog's does.
      command(kCancel, kClicked);
      event->ignore();
      return true;
    case QEvent::ContextMenu: {
      const QPoint pos = static_cast<QContextMenuEvent*>(event)->pos();
      QWidget* child = window_->childAt(pos);
      onContextMenu(child ? child : window_.data());
      return true;
    }
    default:
      return onMessage(event);
  }
}
