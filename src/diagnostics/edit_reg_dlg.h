#pragma once
// CEditRegDlg: dialog 139 "编辑注册表项", one registry entry's folder. The
// name is shown read-only and cannot change; OK takes the folder edit's
// text (possibly empty).
#include <string>

#include "ui/tool_dialog.h"

class CEditRegDlg : public CToolDialog {
 public:
  CEditRegDlg(std::string name, std::string folder, QWidget* parent = nullptr);

  const std::string& name() const { return name_; }
  const std::string& folder() const { return folder_; }

 protected:
  void onInit() override;
  void onOK() override;
  void onCommand(int controlId) override;
  void onHelp(QWidget* item) override;
  void onContextMenu(QWidget* window) override;

 private:
  void browse();

  std::string name_;
  std::string folder_;
};
