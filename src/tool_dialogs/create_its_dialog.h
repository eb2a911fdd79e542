#pragma once
// Dialog 131, "编译 ITS 文件": compile a project file (combo 1012) or all
// files of a folder (combo 1013) into the ITS file named in combo 1016, with
// the help panel on 1015. Picking a project fills the ITS name from its
// "compiled file=" option.
#include <string>

#include "ui/tip_dialog.h"

class CCreateItsDlg : public CTipDialog {
 public:
  explicit CCreateItsDlg(QWidget* parent = nullptr);

  // The request, filled when OK closed the dialog; empty texts are empty.
  bool projectMode = true;
  std::string projectPath;
  std::string folderPath;
  std::string itsName;

  // The recent-entry lists: section names and sizes.
  static constexpr const char* kProjectHistory = "HH 方案";
  static constexpr const char* kFolderHistory = "ITS 文件夹";
  static constexpr const char* kItsHistory = "ITS 文件";

 protected:
  void onInit() override;
  void onOK() override;
  void onCommand(int controlId) override;
  void onSelChange(int controlId) override;
  void onEditChange(int controlId) override;

 private:
  void setMode(bool project);
  void lookUpCompiledFile();
};
