#pragma once
// A tool dialog with a help-tip panel: button 1015 opens a 300-pixel strip of
// the program's own help along the dialog's right side (the dialog grows by
// 306 pixels) and closes it again. The panel's page host comes from the
// factory of ui/tip_pane.h.
#include <QRect>
#include <memory>

#include "ui/tip_pane.h"
#include "ui/tool_dialog.h"

class CTipDialog : public CToolDialog {
 public:
  CTipDialog(int templateId, QWidget* parent = nullptr);
  ~CTipDialog() override;

  bool panelOpen() const { return panelOpen_; }
  ui::TipPane* tipControl() const { return tip_.get(); }

 protected:
  // The page the panel shows, set by each subclass.
  ui::TipHome helpTopic;

  // Commands of the panel's tool bar go to the panel and no further.
  bool commandFilter(int controlId, int code) override;
  bool onMessage(QEvent* event) override;
  // Acts on 1015 only; subclasses pass every command here first.
  void onCommand(int controlId) override;

 private:
  void openPanel();
  void closePanel();

  std::unique_ptr<ui::TipPane> tip_;
  bool panelOpen_ = false;
  QRect savedWindowRect_;
  QRect savedClientRect_;
};
