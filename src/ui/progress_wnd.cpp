#include "ui/progress_wnd.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "res/ids.h"
#include "res/strings.h"
#include "ui/sys_colors.h"
#include "ui/ui_math.h"

namespace {

// The system's edge metrics (SM_CXEDGE, SM_CYEDGE).
constexpr int kEdge = 2;

ui::WinRect toWinRect(const QRect& r) { return {r.left(), r.top(), r.right() + 1, r.bottom() + 1}; }
QRect toQRect(const ui::WinRect& r) { return QRect(r.left, r.top, r.width(), r.height()); }

bool isUserInput(QEvent::Type t) {
  switch (t) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::Close:
    case QEvent::ContextMenu:
      return true;
    default:
      return false;
  }
}

}  // namespace

CProgressWnd::CProgressWnd()
    : title(LoadStr(IDS_PROGRESS_TITLE)), font(QApplication::font("QMessageBox")) {}

CProgressWnd::~CProgressWnd() { destroy(); }

void CProgressWnd::destroy() {
  if (window_) delete window_.data();
  text_ = nullptr;
  bar_ = nullptr;
  cancel_ = nullptr;
}

namespace {

QWidget* visibleMainWindow() {
  for (QWidget* top : QApplication::topLevelWidgets())
    if (qobject_cast<QMainWindow*>(top) && top->isVisible()) return top;
  return nullptr;
}

}  // namespace

bool CProgressWnd::create(QWidget* parent, bool smooth) {
  destroy();
  // The main window, as the program's windows are owned by it.
  if (!parent) parent = visibleMainWindow();
  auto* w = new QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  window_ = w;
  w->setAttribute(Qt::WA_DeleteOnClose, false);
  w->setCursor(Qt::BusyCursor);
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, ui::sysColor(ui::COLOR_BTNFACE));
  w->setPalette(pal);
  w->setAutoFillBackground(true);
  w->setGeometry(0, 0, 390, 130);
  w->setWindowTitle(QString::fromStdString(title));
  w->setFont(font);

  text_ = new QLabel(w);
  text_->setObjectName(QString::number(IDC_PROGRESS_TEXT));
  text_->setTextFormat(Qt::PlainText);
  text_->setWordWrap(false);
  text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  text_->setFont(font);

  bar_ = new QProgressBar(w);
  bar_->setObjectName(QString::number(IDC_PROGRESS_BAR));
  bar_->setTextVisible(false);
  // Qt draws its own bar; a block-style bar is the style's choice, so the
  // flag only records what the caller asked for.
  bar_->setProperty("smooth", smooth);
  bar_->setRange(lower, upper);
  bar_->setValue(lower);

  if (!noCancelButton) {
    cancel_ = new QPushButton(QString::fromUtf8(LoadStr(IDS_CANCEL)), w);
    cancel_->setObjectName(QString::number(IDC_PROGRESS_CANCEL));
    cancel_->setFont(font);
    connect(cancel_, &QPushButton::clicked, this, [this] { cancelled = true; });
  }
  layout();

  // Centre over the parent inside the work area. A parent not yet on the
  // screen (a dialog that searches before it first shows) has no place of
  // its own: the nearest owner that is shown stands in for it.
  QWidget* shown = parent ? parent->window() : nullptr;
  while (shown && !shown->isVisible())
    shown = shown->parentWidget() ? shown->parentWidget()->window() : nullptr;
  if (!shown) shown = visibleMainWindow();
  const QScreen* screen = shown ? shown->screen() : QApplication::primaryScreen();
  const QRect work = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  const QRect ref = shown ? shown->frameGeometry() : work;
  const ui::Point p =
      ui::centreInWorkArea(w->width(), w->height(), toWinRect(ref), toWinRect(work));
  w->move(p.x, p.y);
  w->show();
  position = 0;
  lastPercent = 0;
  return true;
}

void CProgressWnd::layout() {
  const QFontMetrics fm(font);
  QString probe = QStringLiteral("M");
  for (int i = 1; i < textLines; ++i) probe += QStringLiteral("\nM");
  const int textHeight =
      fm.boundingRect(QRect(0, 0, 10000, 10000), Qt::TextDontClip, probe).height();
  const QSize cancelText = fm.size(Qt::TextSingleLine, QStringLiteral(" Cancel "));
  const ui::ProgressLayout l =
      ui::progressLayout(textHeight, cancelText.width(), cancelText.height(), kEdge, kEdge);
  window_->resize(l.clientWidth, l.clientHeight);
  bar_->setGeometry(toQRect(l.progress));
  if (cancel_) cancel_->setGeometry(toQRect(l.button));
  text_->setGeometry(toQRect(l.text));
}

void CProgressWnd::setRange(int lo, int up, int st) {
  if (bar_) bar_->setRange(lo, std::max(lo, up));
  lower = lo;
  upper = up;
  stepSize = st;
}

int CProgressWnd::setPosition(int p) {
  if (!window_) return position;
  position = p;
  const int percent = ui::progressPercent(p, lower, upper);
  if (percent != lastPercent) {
    lastPercent = percent;
    window_->setWindowTitle(QString::fromStdString(ui::progressTitle(title, percent)));
  }
  // The bar itself keeps its position inside its range, as a progress control does.
  const int previous = bar_->value();
  bar_->setValue(std::clamp(p, bar_->minimum(), bar_->maximum()));
  return previous;
}

int CProgressWnd::step() {
  if (!window_) return position;
  return setPosition(position + stepSize);
}

void CProgressWnd::setText(const char* format, ...) {
  if (!window_) return;
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  text_->setText(QString::fromUtf8(buffer));
}

bool CProgressWnd::belongsToWindow(QObject* o) const {
  for (; o; o = o->parent())
    if (o == window_) return true;
  return false;
}

bool CProgressWnd::eventFilter(QObject* watched, QEvent* event) {
  if (!pumping_) return false;
  const bool ours = belongsToWindow(watched);
  if (pumpExclusive_ && !ours && watched->isWidgetType() && isUserInput(event->type()))
    return true;  // dropped: only this window takes input while it pumps exclusively
  if (pumpEscapeCancels_ && ours && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
    cancelled = true;
  return false;
}

void CProgressWnd::pump(bool escapeCancels, bool exclusive) {
  if (!window_ || cancelled) return;
  if (exclusive && !window_->isActiveWindow()) window_->activateWindow();
  pumping_ = true;
  pumpEscapeCancels_ = escapeCancels;
  pumpExclusive_ = exclusive;
  qApp->installEventFilter(this);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  qApp->removeEventFilter(this);
  pumping_ = false;
}
