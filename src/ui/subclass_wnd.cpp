#include "ui/subclass_wnd.h"

#include <QHash>

class SubclassDispatcher : public QObject {
 public:
  static SubclassDispatcher& instance() {
    static SubclassDispatcher d;
    return d;
  }
  QHash<QObject*, CSubclassWnd*> newest;

  void windowGone(QObject* w) {
    for (CSubclassWnd* h = newest.take(w); h;) {
      CSubclassWnd* next = h->next_;
      h->wnd_ = nullptr;
      h->next_ = nullptr;
      h = next;
    }
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    CSubclassWnd* h = newest.value(watched);
    if (!h) return false;
    // The chain ends in the window's own handling (see Default), so the
    // event is finished here either way.
    h->windowProc(event);
    return true;
  }
};

CSubclassWnd::~CSubclassWnd() { hook(nullptr); }

CSubclassWnd* CSubclassWnd::newestHook(QWidget* window) {
  return SubclassDispatcher::instance().newest.value(window);
}

bool CSubclassWnd::hook(QWidget* window) {
  SubclassDispatcher& d = SubclassDispatcher::instance();
  if (wnd_) {
    // Leave the current chain.
    QWidget* old = wnd_;
    CSubclassWnd* head = d.newest.value(old);
    if (head == this) {
      if (next_) {
        d.newest.insert(old, next_);
      } else {
        d.newest.remove(old);
        old->removeEventFilter(&d);
        QObject::disconnect(old, &QObject::destroyed, &d, nullptr);
      }
    } else {
      for (CSubclassWnd* h = head; h; h = h->next_) {
        if (h->next_ == this) {
          h->next_ = next_;
          break;
        }
      }
    }
    wnd_ = nullptr;
    next_ = nullptr;
  }
  if (!window) return true;
  CSubclassWnd* head = d.newest.value(window);
  if (!head) {
    window->installEventFilter(&d);
    QObject::connect(window, &QObject::destroyed, &d, [&d](QObject* w) { d.windowGone(w); });
  }
  next_ = head;
  wnd_ = window;
  d.newest.insert(window, this);
  return true;
}

bool CSubclassWnd::Default(QEvent* event) {
  if (next_) return next_->windowProc(event);
  if (!wnd_) return false;
  // QWidget::event is protected; through QObject it is the same virtual call.
  return static_cast<QObject*>(wnd_.data())->event(event);
}
