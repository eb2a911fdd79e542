#pragma once
// CHelpPageWnd: a top-level tool window whose only content is a help-page
// host filling its client area. It belongs to the window it was made for
// and closes with it; closed, it deletes itself and hands the keyboard focus
// to the window named for that.
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>
#include <memory>

#include "platform/browser/hh_ctrl.h"

class CHelpPageWnd : public QWidget {
  Q_OBJECT

 public:
  // The host is made now (without a window), so that its help file can be
  // set before create(); a subclass of CHHCtrl may be handed in.
  explicit CHelpPageWnd(QWidget* parent, std::unique_ptr<CHHCtrl> host = nullptr);
  ~CHelpPageWnd() override;

  // Places the window at rect (its client area), shows it, and creates the
  // host over the whole client area with the buttons, home and captions.
  bool create(const QRect& rect, const QString& title, unsigned buttonMask, const HHHome& home,
              bool captions);

  CHHCtrl& control() { return *host_; }
  // Where the keyboard focus goes when the window closes (by default the
  // parent's window).
  QPointer<QWidget> focusOnClose;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  std::unique_ptr<CHHCtrl> host_;
};
