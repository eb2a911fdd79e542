#pragma once
// Waiting on a help-page host in tests: for a page to finish, and for the
// value of a script run in the page.
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include "platform/browser/hh_ctrl.h"

namespace pagewait {

// Runs an action and waits until the host reports the next finished page.
template <class F>
bool loads(CHHCtrl& host, F action, int timeoutMs = 15000) {
  QSignalSpy spy(&host, &CHHCtrl::documentCompleted);
  action();
  return spy.count() > 0 || spy.wait(timeoutMs);
}

// The value of a script (in the page's isolated world, as the host runs its
// own scripts).
inline QVariant eval(QWebEngineView* view, const QString& script) {
  QVariant result;
  bool done = false;
  QEventLoop loop;
  view->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld, [&](const QVariant& v) {
    result = v;
    done = true;
    loop.quit();
  });
  QTimer::singleShot(10000, &loop, &QEventLoop::quit);
  if (!done) loop.exec();
  return result;
}

// Polls a script until it gives a true value or the time is up.
inline bool until(QWebEngineView* view, const QString& script, int timeoutMs = 10000) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < timeoutMs) {
    if (eval(view, script).toBool()) return true;
    QTest::qWait(50);
  }
  return false;
}

}  // namespace pagewait
