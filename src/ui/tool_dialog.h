#pragma once
// The base of the program's plain modal dialogs. A CToolDialog builds its
// window from a dialog template and gives its subclasses proportional resizing
// of registered controls, a size grip, a minimum size equal to the opening
// size, centring over the parent inside the work area, round painted push
// buttons, type-ahead completion in combo boxes, and the routing of commands,
// notifications, F1 help, context menus and training cards to virtual
// operations.
//
// Window messages become Qt events and signals: a button click is command
// code 0, a list or combo selection change 1, a double click 2, an edit change
// 5 (combo) or 0x300 (edit), and a combo edit update 6 (the completion hook).
#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <memory>
#include <string>
#include <vector>

#include "ui/ui_math.h"

class QSizeGrip;
namespace ui {
class PaintedButton;
}

// Notification codes carried by a command.
enum CommandCode : int {
  kClicked = 0,
  kSelChange = 1,
  kDoubleClick = 2,
  kComboEditChange = 5,
  kComboEditUpdate = 6,
  kEditChange = 0x300,
};

struct ResizeItem {
  QPointer<QWidget> control;
  ui::WinRect rect;  // in dialog client coordinates, as recorded
  ui::EdgeFractions f;
};

// Resize items in slots: the array grows by 5 slots from 5, a removed item
// leaves an empty slot that the next addition takes.
class ResizeItemList {
 public:
  ResizeItem* add(QWidget* control, const ui::EdgeFractions& f);
  bool remove(QWidget* control);
  bool empty() const;
  int capacity() const { return static_cast<int>(slots_.size()); }
  template <class F>
  void forEach(F f) {
    for (auto& s : slots_)
      if (s) f(*s);
  }

 private:
  std::vector<std::unique_ptr<ResizeItem>> slots_;
};

class CToolDialog : public QObject {
 public:
  static constexpr int kMaxPaintedButtons = 10;
  static constexpr int kMaxCompletionCombos = 16;
  static constexpr int kSizeGrip = 16;

  CToolDialog(int templateId, QWidget* parent = nullptr);
  ~CToolDialog() override;

  // Builds the window from the template and initialises it (the work of
  // WM_INITDIALOG). False when the template cannot be loaded.
  bool create();
  // Initialises an already built dialog window in place of create(): the
  // window becomes this object's for its lifetime.
  void attach(QDialog* window);
  // Runs the dialog modally: the end code (1 after OK, 2 after Cancel, what
  // endDialog was given, -1 when the template could not be loaded).
  int DoModal();
  void endDialog(int code);

  ResizeItem* addResizeItem(QWidget* control, float xLeft, float xRight, float yTop, float yBottom);
  void removeResizeItem(QWidget* control);
  void recordItemRects();
  void restoreInitialLayout();
  int addCompletionCombo(int controlId);
  std::string getControlText(int controlId) const;
  int showDialogMessage(unsigned stringId, const char* arg, unsigned flags);

  QDialog* window() const { return window_; }
  QWidget* control(int id) const;
  QWidget* parentWindow() const { return parent_; }
  int templateId() const { return templateId_; }
  const ResizeItemList& resizeItems() const { return items_; }
  int paintedButtonCount() const { return static_cast<int>(buttons_.size()); }
  const ui::PaintedButton* paintedButton(int i) const { return buttons_[i].get(); }
  QRect initialWindowRect() const { return initialWindowRect_; }
  QRect initialClientRect() const { return initialClientRect_; }
  bool layoutSuppressed() const { return layoutSuppressed_; }

  // For subclasses that change the dialog's opening size (the help-tip
  // panel): the new initial window and client rectangles, which also set the
  // minimum size, and a client size that a fixed-size dialog accepts too.
  void setInitialRects(const QRect& window, const QRect& client);
  void setClientSize(const QSize& size);

  // Entry points for the platform's messages that Qt has no signal for.
  void command(int controlId, int code);
  void trainingCard(int wParam, long lParam) { onTrainingCard(wParam, lParam); }
  // Centres the dialog (the posted centring), recording the layout after it.
  void centreNow();

  bool centreOnOpen = true;
  bool stayOpen = false;
  bool resizable = false;
  int initResult = 1;
  bool paintPushButtons = true;
  bool ignoreCancel = false;
  bool lastKeyAllowsCompletion = true;

 protected:
  // Virtual operations, in the order the dialog calls on them.
  virtual void onInit() {}
  virtual void onOK() {}
  virtual bool commandFilter(int /*controlId*/, int /*code*/) { return true; }
  virtual bool onMessage(QEvent* /*event*/) { return false; }
  virtual void onCommand(int /*controlId*/) {}
  virtual void onSelChange(int /*controlId*/) {}
  virtual void onDoubleClick(int /*controlId*/) {}
  virtual void onEditChange(int /*controlId*/) {}
  virtual void onHelp(QWidget* /*item*/) {}
  virtual void onContextMenu(QWidget* /*window*/) {}
  virtual void onTrainingCard(int /*wParam*/, long /*lParam*/) {}

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void initDialog();
  void connectControls();
  void layoutItems(int cx, int cy);
  void typeAhead(int controlId);
  void paintBackground();

  QPointer<QDialog> window_;
  QPointer<QWidget> parent_;
  int templateId_;
  ResizeItemList items_;
  QRect initialClientRect_;
  QRect initialWindowRect_;
  bool layoutSuppressed_ = true;
  bool centrePending_ = false;
  bool ending_ = false;
  std::vector<std::unique_ptr<ui::PaintedButton>> buttons_;
  std::vector<int> completionCombos_;
  QPointer<QSizeGrip> grip_;
};
