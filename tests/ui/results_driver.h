#pragma once
// Driving a results dialog in the GUI tests, from its own event loop while
// DoModal runs.
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "ui/results_dlg.h"

// Once dlg's run is over (Close shows again), calls done with the results
// still on screen, then clicks Close.
inline void closeWhenDone(CResultsDlg& dlg, std::function<void()> done = {}) {
  auto* timer = new QTimer(&dlg);
  QObject::connect(timer, &QTimer::timeout, [&dlg, timer, done] {
    if (!dlg.ran() || !dlg.closeButton() || !dlg.closeButton()->isVisible()) return;
    timer->stop();
    if (done) done();
    dlg.closeButton()->click();
  });
  timer->start(5);
}
