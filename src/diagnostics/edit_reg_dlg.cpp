#include "diagnostics/edit_reg_dlg.h"

#include <QFile>
#include <QFileDialog>
#include <QLineEdit>

#include "helpreg/help_registry.h"
#include "platform/dialogs/dialog_builder.h"
#include "platform/dialogs/file_dialog_fit.h"
#include "platform/system/sysdirs.h"
#include "res/help_tables.h"
#include "res/ids.h"
#include "ui/program_help.h"

CEditRegDlg::CEditRegDlg(std::string name, std::string folder, QWidget* parent)
    : CToolDialog(IDD_EDIT_REGISTRY, parent), name_(std::move(name)), folder_(std::move(folder)) {}

void CEditRegDlg::onInit() {
  if (auto* e = qobject_cast<QLineEdit*>(control(IDC_REG_NAME)))
    e->setText(QString::fromStdString(name_));
  if (auto* e = qobject_cast<QLineEdit*>(control(IDC_REG_FOLDER)))
    e->setText(QString::fromStdString(folder_));
}

void CEditRegDlg::onOK() { folder_ = getControlText(IDC_REG_FOLDER); }

void CEditRegDlg::onCommand(int id) {
  if (id == IDC_REG_BROWSE) {
    browse();
  } else if (id == IDC_TIPS) {
    ShowDialogTopic(IDH_EDIT_REGISTRY, window());
  }
}

// The open-file dialog on the entry's own file: the only filter is its name.
void CEditRegDlg::browse() {
  const std::string initial =
      sysdirs::nativePath(helpreg::fullPath(getControlText(IDC_REG_FOLDER), name_));
  const QString name = QString::fromStdString(name_);
  QFileDialog picker(window());
  picker.setOption(QFileDialog::DontUseNativeDialog, true);
  picker.setFileMode(QFileDialog::ExistingFile);
  picker.setNameFilter(name + " (" + name + ")");
  picker.selectFile(QString::fromStdString(initial));
  dlg::fitFileDialogColumns(picker);
  if (picker.exec() != QDialog::Accepted || picker.selectedFiles().isEmpty()) return;
  const helpreg::Entry chosen =
      helpreg::entryForFile(QFile::encodeName(picker.selectedFiles().first()).toStdString());
  if (auto* e = qobject_cast<QLineEdit*>(control(IDC_REG_FOLDER)))
    e->setText(QString::fromStdString(chosen.folder));
}

void CEditRegDlg::onHelp(QWidget* item) { ShowControlHelp(res::kEditRegistryHelp, item); }

void CEditRegDlg::onContextMenu(QWidget* window) {
  ShowControlHelp(res::kEditRegistryHelp, window);
}
