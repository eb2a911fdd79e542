#include "platform/htmlhelp/help_page_wnd.h"

#include <QCloseEvent>
#include <QPalette>
#include <QResizeEvent>

namespace {
// The light-grey stock brush behind the page while it loads.
const QColor kBackground(0xC0, 0xC0, 0xC0);
}  // namespace

CHelpPageWnd::CHelpPageWnd(QWidget* parent, std::unique_ptr<CHHCtrl> host)
    : QWidget(parent, Qt::Tool), host_(host ? std::move(host) : std::make_unique<CHHCtrl>()) {
  setAttribute(Qt::WA_DeleteOnClose);
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, kBackground);
  setPalette(p);
  if (parent) focusOnClose = parent->window();
}

CHelpPageWnd::~CHelpPageWnd() = default;

bool CHelpPageWnd::create(const QRect& rect, const QString& title, unsigned buttonMask,
                          const HHHome& home, bool captions) {
  setWindowTitle(title);
  setGeometry(rect);
  show();
  return host_->Create(this, QRect(QPoint(0, 0), size()), buttonMask, home, captions);
}

void CHelpPageWnd::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (host_->hasWindow()) host_->Move(QRect(QPoint(0, 0), event->size()));
}

void CHelpPageWnd::closeEvent(QCloseEvent* event) {
  if (focusOnClose) focusOnClose->activateWindow();
  QWidget::closeEvent(event);
}
