#include "ui/tip_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QScreen>

#include "res/ids.h"
#include "res/strings.h"

namespace {

constexpr const char* kHelpFile = "Wrenlow.chm";
constexpr int kPanelGrowth = ui::kTipPaneWidth + ui::kTipPaneMargin;

ui::WinRect toWinRect(const QRect& r) { return {r.left(), r.top(), r.right() + 1, r.bottom() + 1}; }

// The wait cursor for one scope.
struct WaitCursor {
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

CTipDialog::CTipDialog(int templateId, QWidget* parent) : CToolDialog(templateId, parent) {}

CTipDialog::~CTipDialog() = default;

bool CTipDialog::commandFilter(int id, int /*code*/) {
  if (id < ui::kTipFirstCommand || id > ui::kTipLastCommand) return true;
  if (tip_) tip_->toolbarCommand(id);
  return false;
}

bool CTipDialog::onMessage(QEvent* event) {
  if (event->type() == QEvent::Resize && tip_ && tip_->window() && !window()->isMinimized())
    tip_->window()->update();
  return false;
}

void CTipDialog::onCommand(int id) {
  if (id != IDC_TIPS || !window()) return;
  if (panelOpen_) {
    closePanel();
  } else {
    openPanel();
  }
}

void CTipDialog::openPanel() {
  const WaitCursor wait;
  QDialog* w = window();
  const QRect frame = w->frameGeometry();
  const QRect client = w->rect();

  std::unique_ptr<ui::TipPane> pane = ui::makeTipPane();
  if (!pane || !pane->setHelpFile(kHelpFile)) return;
  const ui::WinRect r = ui::tipPaneRect(client.width(), client.height());
  if (!pane->create(w, QRect(r.left, r.top, r.width(), r.height()), ui::kTipButtonsHomeBack,
                    helpTopic, ui::tipExperience() != 2) ||
      !pane->window())
    return;
  pane->navigateHome();
  tip_ = std::move(pane);

  savedWindowRect_ = frame;
  savedClientRect_ = client;
  addResizeItem(tip_->window(), 0, 1, 0, 1);
  if (QWidget* bar = tip_->toolBar()) addResizeItem(bar, 0, 1, 0, 0);
  // The item rectangles are taken at the dialog's present size, so the
  // widened opening size starts from it too. Recorded first: a new minimum
  // size may resize the window at once.
  recordItemRects();
  setInitialRects(frame.adjusted(0, 0, kPanelGrowth, 0), client.adjusted(0, 0, kPanelGrowth, 0));

  const QScreen* screen = w->screen() ? w->screen() : QApplication::primaryScreen();
  const QRect work = screen ? screen->availableGeometry() : frame.adjusted(0, 0, kPanelGrowth, 0);
  const ui::WinRect to = ui::tipOpenWindowRect(toWinRect(frame), toWinRect(work));
  w->move(to.left, to.top);
  setClientSize(QSize(client.width() + kPanelGrowth, client.height()));

  panelOpen_ = true;
  if (auto* b = qobject_cast<QAbstractButton*>(control(IDC_TIPS)))
    b->setText(QString::fromUtf8(LoadStr(IDS_HIDE_HELP)));
}

void CTipDialog::closePanel() {
  QDialog* w = window();
  const int paneWidth = tip_ && tip_->window() ? tip_->window()->width() : ui::kTipPaneWidth;
  if (tip_) {
    removeResizeItem(tip_->window());
    if (QWidget* bar = tip_->toolBar()) removeResizeItem(bar);
    tip_.reset();
  }
  const QRect frame = w->frameGeometry();
  const QSize client = w->size();
  // Back to the size before the panel opened, with the controls where they
  // were then; the resizing after this starts from that size again.
  setInitialRects(savedWindowRect_, savedClientRect_);
  restoreInitialLayout();
  w->move(frame.topLeft());
  setClientSize(QSize(ui::tipClosedWidth(client.width(), paneWidth), client.height()));

  panelOpen_ = false;
  if (auto* b = qobject_cast<QAbstractButton*>(control(IDC_TIPS)))
    b->setText(QString::fromUtf8(LoadStr(IDS_SHOW_HELP)));
}
