#include "ui/hover_hook.h"

#include <QApplication>
#include <QMouseEvent>

namespace {

class HoverHook : public QObject {
 public:
  QPointer<QWidget> window;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseMove:
      case QEvent::Enter:
        break;
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease: {
        const Qt::MouseButton b = static_cast<QMouseEvent*>(event)->button();
        if (b != Qt::LeftButton && b != Qt::RightButton) return false;
        break;
      }
      default:
        return false;
    }
    if (!window || !watched->isWidgetType()) return false;
    auto* target = static_cast<QWidget*>(watched);
    if (target != window && window->isAncestorOf(target)) {
      HoverEvent hover(target, event->type());
      QApplication::sendEvent(window, &hover);
    }
    return false;  // the control still gets its mouse event
  }
};

HoverHook*& hook() {
  static HoverHook* h = nullptr;
  return h;
}

}  // namespace

bool InstallHoverHook(QWidget* window) {
  RemoveHoverHook();
  if (!window || !qApp) return false;
  hook() = new HoverHook;
  hook()->window = window;
  qApp->installEventFilter(hook());
  return true;
}

void RemoveHoverHook() {
  if (!hook()) return;
  if (qApp) qApp->removeEventFilter(hook());
  delete hook();
  hook() = nullptr;
}

QWidget* hoverHookWindow() { return hook() ? hook()->window.data() : nullptr; }
