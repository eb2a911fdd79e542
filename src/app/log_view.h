#pragma once
// The main window's view: the start page of the program's help file, whose
// links start the tools. Until the start page is shown, the view is the
// button-face background.
#include <QWidget>

#include "app/command_router.h"

class CMainFrame;

class CLogView : public QWidget {
  Q_OBJECT

 public:
  explicit CLogView(CMainFrame* frame);

  // The commands the view handles.
  const CommandTarget& commands() const { return commands_; }

  // A start-page link (the WM_TCARD message): 10-17 run the tool handlers
  // directly, 18 sends the "view a CHM file" command to the main window,
  // anything else does nothing.
  void OnTCard(int link);

 signals:
  // A tool handler of the view ran (from the menu, a key or a link).
  void toolHandlerRan(int id);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  CMainFrame* frame_;
  CommandTarget commands_;
};
