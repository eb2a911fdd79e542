#pragma once
// CMissingFilesDlg: dialog 138 "不存在已注册的文件", the registered files that
// do not exist, with the question whether to remove them all. "删除(&D)"
// ends it with OK; its tip panel shows help topic 201.
#include <vector>

#include "helpreg/help_registry.h"
#include "ui/tip_dialog.h"

class CMissingFilesDlg : public CTipDialog {
 public:
  CMissingFilesDlg(const std::vector<helpreg::MissingFile>& missing, QWidget* parent = nullptr);

 protected:
  void onInit() override;

 private:
  const std::vector<helpreg::MissingFile>& missing_;
};
