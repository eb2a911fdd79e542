#pragma once
// Dialogs 133 and 141, "重新编译…": the source (a file, a folder or a
// wildcard; the list holds the files the help compiler registered), the
// target file or folder (the list holds the recent target folders), and the
// three options. Dialog 141 adds a tip area: after the mouse has rested
// 500 ms on a control, or at once when a control gains focus or a button is
// clicked, a heading and a topic of the program's help explain that control.
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "recompile/recompile_batch.h"
#include "ui/tool_dialog.h"

class QLabel;

class CHHPaneCtrl;

class CRecompileDlg : public CToolDialog {
 public:
  // withTips: dialog 141 (the program's help file is available), else 133.
  explicit CRecompileDlg(bool withTips, QWidget* parent = nullptr);
  ~CRecompileDlg() override;

  // The request, filled when OK closed the dialog.
  RecompileRequest request;

  // Dialog 141: the control whose tip is shown (0: none yet), its topic.
  int tipControl() const { return tipControl_; }
  int shownTopic() const { return shownTopic_; }
  QTimer& hoverTimer() { return hoverTimer_; }
  // The help page of the tip area (dialog 141 once open), or nullptr.
  CHHPaneCtrl* tipPage() const { return tipPage_.get(); }

  // The milliseconds a control must be hovered before its tip shows.
  static constexpr int kHoverDelayMs = 500;
  // Whether the page gets "ItTimedInfo": the dialog was constructed more
  // than a minute before the construction tick the last dialog closed with
  // OK saved (32-bit ticks, as the system counts them).
  static bool wantsTimedInfo(std::uint32_t constructedTick, std::uint32_t lastOkTick);

 protected:
  void onInit() override;
  void onOK() override;
  void onCommand(int controlId) override;
  void onSelChange(int controlId) override;
  void onEditChange(int controlId) override;
  bool onMessage(QEvent* event) override;
  void closing();
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void updateOk();
  std::string text(int controlId) const;
  void setText(int controlId, const std::string& value);
  bool checked(int controlId) const;
  // A control of the dialog the mouse or the focus met: its tip now, or
  // after the hover delay.
  void hovered(QWidget* widget, bool now);
  void showTip(int controlId);
  int controlIdOf(QWidget* widget) const;

  bool withTips_;
  std::uint32_t constructedTick_;
  QTimer hoverTimer_;
  int pendingControl_ = 0;
  int tipControl_ = 0;
  int shownTopic_ = 0;
  std::unique_ptr<CHHPaneCtrl> tipPage_;
};

// The recent target folders ("Recompile Folders" of "Wrenlow.ini").
class CHistoryList;
CHistoryList& recompileFolderHistory();

// The files the help compiler registered: the data of every value under
// HKCU "Software\Microsoft\HTML Help Workshop\Compiled Files", then
// "...\Compressed HTML", made native paths, without duplicates (compared
// without the case of A–Z).
std::vector<std::string> registeredCompiledFiles();
