#pragma once
// Dialog 134, "反编译一个 CHM 或 ITS 文件": the source file (a combo filled
// from the HTML Help registration), the target folder, and whether to rebuild
// a project file. OK checks that the source exists and that the target is an
// existing folder; the target is never created here.
#include <string>

#include "ui/tool_dialog.h"

class CDecompileDlg : public CToolDialog {
 public:
  explicit CDecompileDlg(QWidget* parent = nullptr);

  // The request, filled when OK closed the dialog.
  std::string source;
  std::string target;
  bool createProject = true;

  // Pop-up help topics of the controls, ended by (0, 0).
  static const unsigned* const kControlHelp;

 protected:
  void onInit() override;
  void onOK() override;
  void onCommand(int controlId) override;
  void onEditChange(int controlId) override;
  void onHelp(QWidget* item) override;
  void onContextMenu(QWidget* window) override;

 private:
  void updateOk();
  std::string text(int controlId) const;
  void setText(int controlId, const std::string& value);
};

// The HTML Help registration as the source list shows it: for each value of
// HKLM "Software\Microsoft\Windows\HTML Help", its data (a folder) with a
// separator added unless it ends in one, then its name (a file name).
std::vector<std::string> registeredHelpFiles();
