#include "ui/caption_painter.h"

#include <QApplication>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWhatsThis>
#include <QWindow>
#include <algorithm>

#include "res/ids.h"
#include "res/strings.h"
#include "ui/sys_colors.h"

namespace ui {

CaptionMetrics captionMetrics(const QFont& captionFont) {
  CaptionMetrics m;
  const QFontMetrics fm(captionFont);
  m.cySize = std::max(18, fm.height() + 4);
  m.cxSize = m.cySize;
  m.height = m.cySize;
  return m;
}

CaptionButtons captionButtonRects(int w, int h, int cxSize, bool hasMaxOrHelp, bool hasMin) {
  CaptionButtons b;
  b.close = {w - cxSize, 2, w - 2, h - 2};
  int leftmost = b.close.left;
  if (hasMaxOrHelp) {
    b.hasMaxOrHelp = true;
    b.maxOrHelp = {w - 2 * cxSize, 2, w - cxSize - 2, h - 2};
    leftmost = b.maxOrHelp.left;
    if (hasMin) {
      b.hasMin = true;
      b.min = {w - 3 * cxSize + 2, 2, w - 2 * cxSize, h - 2};
      leftmost = b.min.left;
    }
  }
  b.textRight = leftmost + 2;
  return b;
}

}  // namespace ui

namespace {

enum ButtonKind { kClose, kMaximise, kRestore, kMinimise, kHelp };

QRect toQRect(const ui::WinRect& r) { return QRect(r.left, r.top, r.width(), r.height()); }

// A caption button: a raised (or pressed) face with its glyph.
void drawCaptionButton(QPainter& p, const QRect& r, ButtonKind kind, bool pressed) {
  using namespace ui;
  if (r.width() < 4 || r.height() < 4) return;
  p.save();
  p.fillRect(r, sysColor(COLOR_BTNFACE));
  const QColor outerTL = sysColor(pressed ? COLOR_3DDKSHADOW : COLOR_BTNHIGHLIGHT);
  const QColor outerBR = sysColor(pressed ? COLOR_BTNHIGHLIGHT : COLOR_3DDKSHADOW);
  const QColor innerTL = sysColor(pressed ? COLOR_BTNSHADOW : COLOR_3DLIGHT);
  const QColor innerBR = sysColor(pressed ? COLOR_3DLIGHT : COLOR_BTNSHADOW);
  const int l = r.left(), t = r.top(), rr = r.right(), b = r.bottom();
  p.setPen(outerTL);
  p.drawLine(l, t, rr - 1, t);
  p.drawLine(l, t, l, b - 1);
  p.setPen(outerBR);
  p.drawLine(l, b, rr, b);
  p.drawLine(rr, t, rr, b);
  p.setPen(innerTL);
  p.drawLine(l + 1, t + 1, rr - 2, t + 1);
  p.drawLine(l + 1, t + 1, l + 1, b - 2);
  p.setPen(innerBR);
  p.drawLine(l + 1, b - 1, rr - 1, b - 1);
  p.drawLine(rr - 1, t + 1, rr - 1, b - 1);

  QRect g = r.adjusted(4, 3, -4, -3);
  if (pressed) g.translate(1, 1);
  const QColor ink = sysColor(COLOR_BTNTEXT);
  QPen pen(ink, std::max(1, g.height() / 6));
  pen.setCapStyle(Qt::FlatCap);
  p.setPen(pen);
  p.setRenderHint(QPainter::Antialiasing, kind == kClose);
  switch (kind) {
    case kClose:
      p.drawLine(g.topLeft(), g.bottomRight() + QPoint(1, 1));
      p.drawLine(g.topRight() + QPoint(1, 0), g.bottomLeft() + QPoint(0, 1));
      break;
    case kMaximise:
      p.setPen(QPen(ink, 1));
      p.drawRect(g.adjusted(0, 0, -1, -1));
      p.fillRect(g.left(), g.top(), g.width(), 2, ink);
      break;
    case kRestore: {
      p.setPen(QPen(ink, 1));
      const int d = std::max(2, g.width() / 3);
      const QRect back = g.adjusted(d, 0, 0, -d);
      const QRect front = g.adjusted(0, d, -d, 0);
      p.drawRect(back.adjusted(0, 0, -1, -1));
      p.fillRect(back.left(), back.top(), back.width(), 2, ink);
      p.fillRect(front, sysColor(COLOR_BTNFACE));
      p.drawRect(front.adjusted(0, 0, -1, -1));
      p.fillRect(front.left(), front.top(), front.width(), 2, ink);
      break;
    }
    case kMinimise:
      p.fillRect(g.left() + 1, g.bottom() - 1, g.width() - 3, 2, ink);
      break;
    case kHelp:
      p.setPen(ink);
      p.drawText(g, Qt::AlignCenter, QStringLiteral("?"));
      break;
  }
  p.restore();
}

bool hasMaxButton(const QWidget* w) {
  const Qt::WindowFlags f = w->windowFlags();
  return !(f & Qt::CustomizeWindowHint) || (f & Qt::WindowMaximizeButtonHint);
}
bool hasMinButton(const QWidget* w) {
  const Qt::WindowFlags f = w->windowFlags();
  return !(f & Qt::CustomizeWindowHint) || (f & Qt::WindowMinimizeButtonHint);
}
bool hasHelpButton(const QWidget* w) { return w->windowFlags() & Qt::WindowContextHelpButtonHint; }

}  // namespace

CCaptionPainter::CCaptionPainter(QObject* parent) : CSubclassWnd(parent) {}

CCaptionPainter::~CCaptionPainter() = default;

void CCaptionPainter::install(QWidget* frame, bool showDocumentName) {
  showDocumentName_ = showDocumentName;
  metrics_ = ui::captionMetrics(captionFont());
  lastActive_ = frame->isActiveWindow();
  hook(frame);
}

const QFont& CCaptionPainter::captionFont() {
  if (!font_) {
    font_ = std::make_unique<QFont>(QApplication::font());
    font_->setBold(true);
  }
  return *font_;
}

QRect CCaptionPainter::captionRect() const {
  const QWidget* w = hookedWindow();
  if (!w) return {};
  const int f = metrics_.frame;
  return QRect(f, f, std::max(0, w->width() - 2 * f), metrics_.height);
}

ui::CaptionButtons CCaptionPainter::buttons() const {
  const QWidget* w = hookedWindow();
  const QRect r = captionRect();
  if (!w) return {};
  const bool maxOrHelp = hasMaxButton(w) || hasHelpButton(w);
  ui::CaptionButtons b =
      ui::captionButtonRects(r.width(), r.height(), metrics_.cxSize, maxOrHelp, hasMinButton(w));
  auto shift = [&r](ui::WinRect& x) {
    x.left += r.left();
    x.right += r.left();
    x.top += r.top();
    x.bottom += r.top();
  };
  shift(b.close);
  shift(b.maxOrHelp);
  shift(b.min);
  b.textRight += r.left();
  return b;
}

void CCaptionPainter::forgetCache() {
  activeImage_ = QImage();
  inactiveImage_ = QImage();
  cachedSize_ = QSize();
}

void CCaptionPainter::sendPaintRequest(const ui::CaptionPaintRequest& r) {
  if (paintRequestHandler) {
    paintRequestHandler(r);
  } else {
    paintCaption(r.active, r);
  }
}

void CCaptionPainter::paintCaption(bool active, const ui::CaptionPaintRequest& request,
                                   const std::string& extraTitle) {
  if (!request.image) {
    font_.reset();
    return;
  }
  QWidget* wnd = hookedWindow();
  const int w = request.width, h = request.height;
  QPainter p(request.image);

  // Background: the gradient while active, a flat colour otherwise.
  if (active) {
    for (const ui::CaptionBand& b :
         ui::captionBands(w, ui::toRgb(ui::sysColor(ui::COLOR_ACTIVECAPTION)))) {
      const int left = std::max(0, b.left);
      if (b.right > left) p.fillRect(left, 0, b.right - left, h, ui::toQColor(b.colour));
    }
  } else {
    p.fillRect(0, 0, w, h, ui::sysColor(ui::COLOR_INACTIVECAPTION));
  }

  // Icon.
  QIcon icon = wnd ? wnd->windowIcon() : QIcon();
  if (icon.isNull()) icon = QApplication::windowIcon();
  if (!icon.isNull()) icon.paint(&p, QRect(2, 1, metrics_.cxSize - 2, metrics_.cySize - 2));

  // Buttons.
  int textRight = w;
  if (wnd) {
    const bool help = !hasMaxButton(wnd) && hasHelpButton(wnd);
    const ui::CaptionButtons b =
        ui::captionButtonRects(w, h, metrics_.cxSize, hasMaxButton(wnd) || help, hasMinButton(wnd));
    drawCaptionButton(p, toQRect(b.close), kClose, pressedButton_ == 0);
    if (b.hasMaxOrHelp)
      drawCaptionButton(p, toQRect(b.maxOrHelp),
                        help ? kHelp : (wnd->isMaximized() ? kRestore : kMaximise),
                        pressedButton_ == 1);
    if (b.hasMin) drawCaptionButton(p, toQRect(b.min), kMinimise, pressedButton_ == 2);
    textRight = b.textRight;
  }

  // Title.
  std::string title = LoadStr(AFX_IDS_APP_TITLE);
  if (!extraTitle.empty()) {
    title += ": " + extraTitle;
    if (showDocumentName_ && documentName) {
      const std::string name = documentName();
      if (!name.empty()) title += "  -  [" + name + "]";
    }
  }
  const ui::Rgb textColour =
      active ? ui::activeCaptionTextColour(ui::toRgb(ui::sysColor(ui::COLOR_CAPTIONTEXT)))
             : ui::toRgb(ui::sysColor(ui::COLOR_INACTIVECAPTIONTEXT));
  const QFont& font = captionFont();
  p.setFont(font);
  p.setPen(ui::toQColor(textColour));
  const QRect textRect(metrics_.cxSize + 2, 0, std::max(0, textRight - (metrics_.cxSize + 2)), h);
  const QString elided = QFontMetrics(font).elidedText(QString::fromStdString(title),
                                                       Qt::ElideRight, textRect.width());
  p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, elided);
}

void CCaptionPainter::paintOnWindow() {
  QWidget* wnd = hookedWindow();
  if (!wnd || wnd->isMinimized()) return;
  QPainter p(wnd);
  // The border that takes the place of the window system's frame.
  const int f = metrics_.frame;
  const QRect all = wnd->rect();
  const QColor face = ui::sysColor(ui::COLOR_BTNFACE);
  p.fillRect(0, 0, all.width(), f, face);
  p.fillRect(0, 0, f, all.height(), face);
  p.fillRect(all.width() - f, 0, f, all.height(), face);
  p.fillRect(0, all.height() - f, all.width(), f, face);
  p.setPen(ui::sysColor(ui::COLOR_3DLIGHT));
  p.drawLine(0, 0, all.width() - 1, 0);
  p.drawLine(0, 0, 0, all.height() - 1);
  p.setPen(ui::sysColor(ui::COLOR_3DDKSHADOW));
  p.drawLine(0, all.height() - 1, all.width() - 1, all.height() - 1);
  p.drawLine(all.width() - 1, 0, all.width() - 1, all.height() - 1);

  const QRect r = captionRect();
  if (r.isEmpty()) return;
  if (r.size() != cachedSize_) {
    forgetCache();
    cachedSize_ = r.size();
  }
  QImage& img = lastActive_ ? activeImage_ : inactiveImage_;
  if (img.isNull()) {
    img = QImage(r.size(), QImage::Format_RGB32);
    img.fill(Qt::black);
    sendPaintRequest({r.width(), r.height(), &img, lastActive_});
    ++renders_;
  }
  p.drawImage(r.topLeft(), img);
}

int CCaptionPainter::hitButton(const QPoint& pos) const {
  const ui::CaptionButtons b = buttons();
  if (toQRect(b.close).contains(pos)) return 0;
  if (b.hasMaxOrHelp && toQRect(b.maxOrHelp).contains(pos)) return 1;
  if (b.hasMin && toQRect(b.min).contains(pos)) return 2;
  return -1;
}

Qt::Edges CCaptionPainter::edgesAt(const QPoint& pos) const {
  const QWidget* w = hookedWindow();
  Qt::Edges e;
  if (!w || w->isMaximized()) return e;
  const int f = metrics_.frame;
  if (pos.x() < f) e |= Qt::LeftEdge;
  if (pos.x() >= w->width() - f) e |= Qt::RightEdge;
  if (pos.y() < f) e |= Qt::TopEdge;
  if (pos.y() >= w->height() - f) e |= Qt::BottomEdge;
  return e;
}

void CCaptionPainter::pressCaptionButton(int which) {
  QWidget* w = hookedWindow();
  if (!w) return;
  switch (which) {
    case 0:
      w->close();
      break;
    case 1:
      if (!hasMaxButton(w) && hasHelpButton(w)) {
        QWhatsThis::enterWhatsThisMode();
      } else if (w->isMaximized()) {
        w->showNormal();
      } else {
        w->showMaximized();
      }
      break;
    case 2:
      w->showMinimized();
      break;
    default:
      break;
  }
}

bool CCaptionPainter::handleMouse(QEvent* event) {
  QWidget* w = hookedWindow();
  auto* me = static_cast<QMouseEvent*>(event);
  const QPoint pos = me->position().toPoint();
  const QPoint global = me->globalPosition().toPoint();
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      if (me->button() != Qt::LeftButton) return false;
      const int b = hitButton(pos);
      if (b >= 0) {
        pressedButton_ = b;
        forgetCache();
        w->update(captionRect());
        return true;
      }
      if (captionRect().contains(pos)) {
        QWindow* win = w->windowHandle();
        if (!win || !win->startSystemMove()) {
          dragging_ = true;
          dragOffset_ = global - w->frameGeometry().topLeft();
        }
        return true;
      }
      const Qt::Edges edges = edgesAt(pos);
      if (edges) {
        QWindow* win = w->windowHandle();
        if (!win || !win->startSystemResize(edges)) {
          resizing_ = edges;
          startGeometry_ = w->geometry();
          startGlobal_ = global;
        }
        return true;
      }
      return false;
    }
    case QEvent::MouseButtonDblClick:
      if (me->button() == Qt::LeftButton && captionRect().contains(pos) && hitButton(pos) < 0) {
        pressCaptionButton(1);
        return true;
      }
      return false;
    case QEvent::MouseMove: {
      if (dragging_) {
        w->move(global - dragOffset_);
        return true;
      }
      if (resizing_) {
        QRect g = startGeometry_;
        const QPoint d = global - startGlobal_;
        const QSize min = w->minimumSizeHint().expandedTo(w->minimumSize());
        if (resizing_ & Qt::LeftEdge)
          g.setLeft(std::min(g.left() + d.x(), g.right() - min.width()));
        if (resizing_ & Qt::RightEdge)
          g.setRight(std::max(g.right() + d.x(), g.left() + min.width()));
        if (resizing_ & Qt::TopEdge) g.setTop(std::min(g.top() + d.y(), g.bottom() - min.height()));
        if (resizing_ & Qt::BottomEdge)
          g.setBottom(std::max(g.bottom() + d.y(), g.top() + min.height()));
        w->setGeometry(g);
        return true;
      }
      if (me->buttons() == Qt::NoButton) {
        const Qt::Edges e = edgesAt(pos);
        Qt::CursorShape shape = Qt::ArrowCursor;
        if ((e & Qt::LeftEdge && e & Qt::TopEdge) || (e & Qt::RightEdge && e & Qt::BottomEdge))
          shape = Qt::SizeFDiagCursor;
        else if ((e & Qt::RightEdge && e & Qt::TopEdge) || (e & Qt::LeftEdge && e & Qt::BottomEdge))
          shape = Qt::SizeBDiagCursor;
        else if (e & (Qt::LeftEdge | Qt::RightEdge))
          shape = Qt::SizeHorCursor;
        else if (e & (Qt::TopEdge | Qt::BottomEdge))
          shape = Qt::SizeVerCursor;
        if (shape == Qt::ArrowCursor)
          w->unsetCursor();
        else
          w->setCursor(shape);
      }
      return false;
    }
    case QEvent::MouseButtonRelease: {
      dragging_ = false;
      resizing_ = {};
      if (pressedButton_ >= 0) {
        const int pressed = pressedButton_;
        pressedButton_ = -1;
        forgetCache();
        w->update(captionRect());
        if (hitButton(pos) == pressed) pressCaptionButton(pressed);
        return true;
      }
      return false;
    }
    default:
      return false;
  }
}

bool CCaptionPainter::windowProc(QEvent* event) {
  QWidget* w = hookedWindow();
  switch (event->type()) {
    case QEvent::WindowTitleChange:
      if (disabled) return Default(event);
      Default(event);
      forgetCache();
      w->update(captionRect());
      return true;
    case QEvent::PaletteChange:
    case QEvent::ApplicationPaletteChange:
    case QEvent::StyleChange:
    case QEvent::FontChange:
    case QEvent::ApplicationFontChange:
      if (!disabled) {
        forgetCache();
        sendPaintRequest({});  // drops the caption font
        metrics_ = ui::captionMetrics(captionFont());
        w->update();
      }
      return Default(event);
    case QEvent::Paint:
      if (disabled) return Default(event);
      Default(event);
      paintOnWindow();
      return true;
    case QEvent::ActivationChange:
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
    case QEvent::EnabledChange: {
      if (disabled) {
        const bool r = Default(event);
        hook(nullptr);
        return r;
      }
      const bool active = w->isEnabled() && w->isActiveWindow();
      const bool r = Default(event);
      if (active != lastActive_) {
        lastActive_ = active;
        w->update(captionRect());
      }
      return r;
    }
    case QEvent::WindowStateChange: {
      // The maximise button turns into the restore button and back.
      const bool r = Default(event);
      forgetCache();
      w->update();
      return r;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
      if (!disabled && handleMouse(event)) return true;
      return Default(event);
    default:
      return Default(event);
  }
}

CCaptionPainter* installCaption(QMainWindow* window) {
  // One caption painter per process: a second call finds the first.
  for (CSubclassWnd* h = CSubclassWnd::newestHook(window); h; h = h->nextHook()) {
    if (auto* existing = dynamic_cast<CCaptionPainter*>(h)) return existing;
  }
  auto* painter = new CCaptionPainter(window);
  const bool visible = window->isVisible();
  window->setWindowFlags(window->windowFlags() | Qt::FramelessWindowHint);
  painter->install(window);
  const ui::CaptionMetrics& m = painter->metrics();
  window->setContentsMargins(m.frame, m.frame + m.height, m.frame, m.frame);
  window->setMouseTracking(true);
  if (visible) window->show();
  return painter;
}
