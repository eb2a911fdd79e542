#pragma once
// Several objects hooking one window's events in a chain, newest first. Each
// hook sees an event in windowProc and decides whether to pass it on with
// Default(), which hands it to the next older hook or, after the oldest, to
// the window's own event handling. Whatever a hook does after Default()
// therefore happens after the window has handled the event (the way a caption
// is painted over the window's own painting).
//
// One dispatcher object, installed as event filter on each hooked window,
// finds the window's newest hook in a process-wide map. When the window is
// destroyed every hook of it is unhooked.
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QWidget>

class CSubclassWnd : public QObject {
 public:
  explicit CSubclassWnd(QObject* parent = nullptr) : QObject(parent) {}
  ~CSubclassWnd() override;

  // Attaches to `window` as its newest hook; with nullptr, leaves the chain.
  bool hook(QWidget* window);
  QWidget* hookedWindow() const { return wnd_; }
  CSubclassWnd* nextHook() const { return next_; }
  // The newest hook of a window, or nullptr.
  static CSubclassWnd* newestHook(QWidget* window);

 protected:
  // Handles one event; true when it is consumed. The default passes it on.
  virtual bool windowProc(QEvent* event) { return Default(event); }
  // Passes the event being handled to the next older hook or to the window.
  bool Default(QEvent* event);

 private:
  friend class SubclassDispatcher;
  QPointer<QWidget> wnd_;
  CSubclassWnd* next_ = nullptr;
};
