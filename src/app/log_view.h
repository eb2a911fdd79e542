#pragma once
// The main window's view: the start page of the program's help file, whose
// links start the tools. Until the start page is shown, the view is the
// button-face background.
#include <QWidget>
#include <memory>

#include "app/command_router.h"

class CMainFrame;
class CHHPaneCtrl;

class CLogView : public QWidget {
  Q_OBJECT

 public:
  explicit CLogView(CMainFrame* frame);
  ~CLogView() override;

  // The commands the view handles.
  const CommandTarget& commands() const { return commands_; }

  // A start-page link (the WM_TCARD message): 10-17 run the tool handlers
  // directly, 18 sends the "view a CHM file" command and 19 the Create ITS
  // command to the main window, anything else does nothing.
  void OnTCard(int link);

  // The start page's host once it has been created (on the first paint
  // after which the program's help file is available), else nullptr.
  CHHPaneCtrl* startPage() const { return startPage_.get(); }

 signals:
  // A tool handler of the view ran (from the menu, a key or a link).
  void toolHandlerRan(int id);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void createStartPage();

  CMainFrame* frame_;
  std::unique_ptr<CHHPaneCtrl> startPage_;
  bool creationPending_ = false;
  CommandTarget commands_;
};
