#pragma once
// The base of dialogs built on the framework's dialog class (the viewer, the
// help registration list, the component list): controls registered with a
// horizontal and a vertical anchor move with the dialog's growth, an Apply
// button (12321) follows the modified flag, and OK and Apply both run the
// data exchange and Validate first.
#include <QDialog>
#include <QPointer>
#include <memory>
#include <vector>

#include "ui/ui_math.h"

// Fractions of the growth by which an axis's first edge (left or top) and
// second edge (right or bottom) move.
class Anchor {
 public:
  constexpr Anchor(float first, float second) : first(first), second(second) {}
  virtual ~Anchor() = default;
  virtual std::unique_ptr<Anchor> clone() const { return std::make_unique<Anchor>(*this); }

  float first;
  float second;

  // The shared anchors of each axis.
  static const Anchor& fixed();    // (0, 0): stays
  static const Anchor& move();     // (1, 1): follows the right or bottom edge
  static const Anchor& stretch();  // (0, 1): grows with the dialog
};

class CNSFlexDialog;

// The anchored controls of one dialog and the size their rectangles belong to.
class FlexLayout {
 public:
  struct Entry {
    int controlId = 0;
    ui::WinRect rect;
    std::unique_ptr<Anchor> horizontal, vertical;
  };

  explicit FlexLayout(CNSFlexDialog& owner) : owner_(owner) {}
  void add(int controlId, const Anchor& horizontal, const Anchor& vertical);
  void setInitialSize(int width, int height);
  // Places the controls for a client area of cx x cy; the first call records
  // the rectangles of the controls that exist.
  void layout(int cx, int cy);
  int recordedCount() const { return recorded_; }

 private:
  CNSFlexDialog& owner_;
  int initialWidth_ = 0, initialHeight_ = 0;
  std::vector<Entry> entries_;
  int recorded_ = 0;
};

class CNSFlexDialog : public QDialog {
 public:
  static constexpr int kApplyId = 12321;

  CNSFlexDialog(int templateId, QWidget* parent = nullptr, int validationArg = 0);
  ~CNSFlexDialog() override;

  // Builds the controls from the template and runs OnInitDialog; false when
  // the template does not exist. DoModal does it when it was not done.
  bool create();
  int DoModal();

  void addControl(int controlId, const Anchor& horizontal, const Anchor& vertical);
  void setModified(bool modified);
  bool modified() const { return modified_; }
  QSize minimumWindowSize() const { return minSize_; }
  QWidget* control(int id) const;
  int templateId() const { return templateId_; }

  // Enter and the OK button end here: OnOK decides.
  void accept() override { OnOK(); }

  virtual bool Validate(int /*argument*/) { return true; }
  virtual void setValidationArgument(int value) { validationArg_ = value; }

 protected:
  virtual bool OnInitDialog();
  virtual void OnOK();
  // F1 on a control (the focused one, or the dialog) and a context-menu
  // request over one: the dialog's pop-up help.
  virtual void OnHelpInfo(QWidget* /*item*/) {}
  virtual void OnContextMenu(QWidget* /*window*/) {}
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  // The framework's data exchange; saving it (true) may refuse.
  virtual bool UpdateData(bool /*save*/) { return true; }
  void onApply();

  void resizeEvent(QResizeEvent* event) override;

 private:
  int templateId_;
  bool built_ = false;
  std::unique_ptr<FlexLayout> layout_;
  QSize minSize_;
  bool modified_ = false;
  int validationArg_;
};
