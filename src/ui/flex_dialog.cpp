#include "ui/flex_dialog.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QResizeEvent>

#include "platform/dialogs/dialog_builder.h"
#include "res/dialog_template.h"

const Anchor& Anchor::fixed() {
  static const Anchor a(0, 0);
  return a;
}
const Anchor& Anchor::move() {
  static const Anchor a(1, 1);
  return a;
}
const Anchor& Anchor::stretch() {
  static const Anchor a(0, 1);
  return a;
}

// ---------------------------------------------------------------------------

void FlexLayout::add(int controlId, const Anchor& horizontal, const Anchor& vertical) {
  Entry e;
  e.controlId = controlId;
  e.horizontal = horizontal.clone();
  e.vertical = vertical.clone();
  entries_.push_back(std::move(e));
}

void FlexLayout::setInitialSize(int width, int height) {
  initialWidth_ = width;
  initialHeight_ = height;
}

void FlexLayout::layout(int cx, int cy) {
  if (recorded_ == 0) {
    for (Entry& e : entries_) {
      QWidget* c = owner_.control(e.controlId);
      if (!c) continue;
      const QPoint tl = c->mapTo(&owner_, QPoint(0, 0));
      e.rect = {tl.x(), tl.y(), tl.x() + c->width(), tl.y() + c->height()};
      ++recorded_;
    }
    if (recorded_ == 0) return;
  }
  const int dx = ui::growth(cx, initialWidth_);
  const int dy = ui::growth(cy, initialHeight_);
  for (const Entry& e : entries_) {
    QWidget* c = owner_.control(e.controlId);
    if (!c) continue;
    const ui::EdgeFractions f{e.horizontal->first, e.horizontal->second, e.vertical->first,
                              e.vertical->second};
    const ui::WinRect r = ui::layoutItem(e.rect, f, dx, dy);
    QPoint tl(r.left, r.top);
    if (QWidget* p = c->parentWidget(); p && p != &owner_) tl = p->mapFrom(&owner_, tl);
    c->setGeometry(tl.x(), tl.y(), r.width(), r.height());
    c->update();
    for (QWidget* child : c->findChildren<QWidget*>()) child->update();
  }
}

// ---------------------------------------------------------------------------

CNSFlexDialog::CNSFlexDialog(int templateId, QWidget* parent, int validationArg)
    : QDialog(parent),
      templateId_(templateId),
      layout_(std::make_unique<FlexLayout>(*this)),
      validationArg_(validationArg) {}

CNSFlexDialog::~CNSFlexDialog() = default;

bool CNSFlexDialog::create() {
  if (built_) return true;
  const res::DialogTemplate* tmpl = res::findDialog(templateId_);
  if (!tmpl) return false;
  dlg::buildDialog(*this, *tmpl);
  built_ = true;
  if (auto* apply = qobject_cast<QAbstractButton*>(control(kApplyId)))
    connect(apply, &QAbstractButton::clicked, this, [this] { onApply(); });
  // OK and Cancel are already tied to accept() (which runs OnOK) and
  // reject() by the dialog builder: tying them again ran OnOK twice.
  OnInitDialog();
  return true;
}

void CNSFlexDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_F1) {
    QDialog::keyPressEvent(event);
    return;
  }
  QWidget* item = focusWidget();
  OnHelpInfo(item && isAncestorOf(item) ? item : this);
}

void CNSFlexDialog::contextMenuEvent(QContextMenuEvent* event) {
  QWidget* child = childAt(event->pos());
  OnContextMenu(child ? child : this);
}

int CNSFlexDialog::DoModal() {
  if (!create()) return -1;
  return exec();
}

bool CNSFlexDialog::OnInitDialog() {
  minSize_ = frameGeometry().size();
  // A template without a sizing border is fixed; one with it may only grow.
  if (minimumSize() != maximumSize()) setMinimumSize(size());
  layout_->setInitialSize(width(), height());
  setModified(false);
  return true;
}

void CNSFlexDialog::addControl(int id, const Anchor& horizontal, const Anchor& vertical) {
  layout_->add(id, horizontal, vertical);
}

void CNSFlexDialog::setModified(bool modified) {
  modified_ = modified;
  if (QWidget* apply = control(kApplyId)) apply->setEnabled(modified);
}

QWidget* CNSFlexDialog::control(int id) const { return dlg::findControl<QWidget>(this, id); }

void CNSFlexDialog::OnOK() {
  if (UpdateData(true) && Validate(validationArg_)) done(QDialog::Accepted);
}

void CNSFlexDialog::onApply() {
  if (UpdateData(true) && Validate(validationArg_)) setModified(false);
}

void CNSFlexDialog::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  if (isMinimized() || !built_) return;
  layout_->layout(event->size().width(), event->size().height());
  update();
}
