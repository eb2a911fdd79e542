#pragma once
// The hover hook: while installed, every mouse move, left or right button
// press or release over a control inside the given window (and the mouse
// entering such a control) sends the window a hover event naming the
// control, before the control sees the mouse. One hook at a time, on the GUI
// thread; the recompile dialog uses it to explain the control under the mouse.
#include <QEvent>
#include <QPointer>
#include <QWidget>

#include "res/ids.h"

inline constexpr QEvent::Type kHoverEventType =
    static_cast<QEvent::Type>(QEvent::User + WM_HOVER_CONTROL);

class HoverEvent : public QEvent {
 public:
  HoverEvent(QWidget* target, QEvent::Type mouseEvent)
      : QEvent(kHoverEventType), target_(target), mouseEvent_(mouseEvent) {}
  // The control the mouse event was for.
  QWidget* target() const { return target_; }
  // What the mouse did (QEvent::MouseMove, MouseButtonPress, ..., Enter).
  QEvent::Type mouseEvent() const { return mouseEvent_; }

 private:
  QWidget* target_;
  QEvent::Type mouseEvent_;
};

// Installs the hook for window (replacing an earlier one). False without a
// window or an application object.
bool InstallHoverHook(QWidget* window);
// Removes the hook and forgets the window.
void RemoveHoverHook();
// The window the hook reports to, or nullptr.
QWidget* hoverHookWindow();
