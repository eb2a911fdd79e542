#include "diagnostics/missing_files_dlg.h"

#include <QListWidget>

#include "res/ids.h"

CMissingFilesDlg::CMissingFilesDlg(const std::vector<helpreg::MissingFile>& missing,
                                   QWidget* parent)
    : CTipDialog(IDD_MISSING_FILES, parent), missing_(missing) {
  helpTopic.topic = IDH_MISSING_FILES;
}

void CMissingFilesDlg::onInit() {
  if (auto* list = qobject_cast<QListWidget*>(control(IDC_LIST)))
    for (const helpreg::MissingFile& m : missing_) list->addItem(QString::fromStdString(m.path));
}
