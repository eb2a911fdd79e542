#pragma once
// The main window: the menu of resource 128, its accelerators, the status
// bar with the message pane and the CAP and NUM indicators, and the routing
// of commands to the view, the frame and the application.
#include <QMainWindow>
#include <QPointer>
#include <map>
#include <memory>

#include "app/command_router.h"
#include "ui/caption_painter.h"

class QAction;
class QLabel;
class QMenu;
class QTimer;
class CHelpPageWnd;
class CLogDoc;
class CLogView;

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  explicit CMainFrame(CLogDoc& document);
  ~CMainFrame() override;

  // Runs a command as the framework would route WM_COMMAND: view, document,
  // frame, application. False when nothing handles it.
  bool routeCommand(int id);

  CLogView* view() const { return view_; }
  CLogDoc& document() const { return document_; }
  // The menu item of a command (for tests and the start page).
  QAction* menuAction(int id) const;
  // The text of the message pane.
  QString messageText() const;
  QLabel* capsIndicator() const { return caps_; }
  QLabel* numIndicator() const { return num_; }

  // The status-bar prompt of a command: its string up to the first "\n".
  static QString commandPrompt(int id);
  // Shows a prompt in the message pane; an empty one brings the idle text.
  void showPrompt(const QString& prompt);

  // The caption painter's request to draw the caption (its private message
  // 0x1401): drawn by the painter with no extra title.
  void OnCaptionPaintRequest(const ui::CaptionPaintRequest& request);
  CCaptionPainter* captionPainter() const { return caption_; }
  int captionPaintRequests() const { return captionPaintRequests_; }

  // The welcome window while it is open (command 32784).
  QPointer<CHelpPageWnd> welcomeWindow;

 signals:
  // Every routed command, and whether a window or the application had a
  // handler for it.
  void commandRouted(int id, bool handled);

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildMenu();
  void buildAccelerators();
  void buildStatusBar();
  void updateIndicators();
  void showIdleMessage();

  CLogDoc& document_;
  CLogView* view_ = nullptr;
  QLabel* message_ = nullptr;
  QLabel* caps_ = nullptr;
  QLabel* num_ = nullptr;
  QTimer* indicatorTimer_ = nullptr;
  std::map<int, QAction*> actions_;
  CommandTarget frameTarget_;
  CommandTarget documentTarget_;
  CommandTarget appTarget_;
  CommandRouter router_;
  QPointer<CCaptionPainter> caption_;
  int captionPaintRequests_ = 0;
};
