#include "tool_dialogs/decompile_dialog.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/prompt.h"
#include "common/string_utils.h"
#include "platform/dialogs/dialog_builder.h"
#include "platform/dialogs/file_dialog_fit.h"
#include "platform/registry/registry.h"
#include "platform/system/sysdirs.h"
#include "res/help_tables.h"
#include "res/ids.h"
#include "res/strings.h"
#include "ui/browse_chm.h"
#include "ui/program_help.h"

namespace {

constexpr const char* kHtmlHelpKey = "Software\\Microsoft\\Windows\\HTML Help";
// Value names and data are read into buffers of this size.
constexpr std::size_t kValueBuffer = 260;

std::string currentDirectory() {
  char buf[4096];
  return ::getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
}

}  // namespace

const unsigned* const CDecompileDlg::kControlHelp = res::kDecompileHelp;

std::vector<std::string> registeredHelpFiles() {
  std::vector<std::string> out;
  reg::HKEY key = nullptr;
  if (reg::RegOpenKeyEx(reg::HKEY_LOCAL_MACHINE, kHtmlHelpKey, 0, reg::KEY_READ, &key) !=
      reg::ERROR_SUCCESS)
    return out;
  for (reg::DWORD i = 0;; ++i) {
    std::string name;
    std::vector<std::uint8_t> data;
    reg::DWORD type = 0;
    if (reg::RegEnumValue(key, i, &name, &type, &data) != reg::ERROR_SUCCESS) break;
    if (name.size() >= kValueBuffer || data.size() > kValueBuffer) continue;
    std::string folder(data.begin(), data.end());
    if (const std::size_t nul = folder.find('\0'); nul != std::string::npos) folder.resize(nul);
    // The folder is a Windows path in a Wine prefix ("C:\windows\help").
    out.push_back(sysdirs::nativeFilePath(folder, name));
  }
  reg::RegCloseKey(key);
  return out;
}

CDecompileDlg::CDecompileDlg(QWidget* parent) : CToolDialog(IDD_DECOMPILE, parent) {}

std::string CDecompileDlg::text(int controlId) const { return getControlText(controlId); }

void CDecompileDlg::setText(int controlId, const std::string& value) {
  const QString t = QString::fromStdString(value);
  if (auto* combo = qobject_cast<QComboBox*>(control(controlId))) {
    combo->setEditText(t);
  } else if (auto* edit = qobject_cast<QLineEdit*>(control(controlId))) {
    edit->setText(t);
  }
}

void CDecompileDlg::onInit() {
  if (auto* check = qobject_cast<QCheckBox*>(control(IDC_DECOMPILE_PROJECT)))
    check->setChecked(true);
  setText(IDC_DECOMPILE_TARGET, currentDirectory());
  if (auto* combo = qobject_cast<QComboBox*>(control(IDC_DECOMPILE_SOURCE))) {
    for (const std::string& entry : registeredHelpFiles())
      combo->addItem(QString::fromStdString(entry));
    combo->setEditText(QString());
  }
  updateOk();
}

void CDecompileDlg::updateOk() {
  if (QWidget* ok = control(IDOK))
    ok->setEnabled(!text(IDC_DECOMPILE_SOURCE).empty() && !text(IDC_DECOMPILE_TARGET).empty());
}

void CDecompileDlg::onEditChange(int controlId) {
  if (controlId == IDC_DECOMPILE_SOURCE || controlId == IDC_DECOMPILE_TARGET) updateOk();
}

void CDecompileDlg::onCommand(int controlId) {
  if (controlId == IDC_BROWSE_SOURCE) {
    std::string path = text(IDC_DECOMPILE_SOURCE);
    CBrowseChm browse(window());
    if (browse.Prompt(path)) setText(IDC_DECOMPILE_SOURCE, path);
  } else if (controlId == IDC_BROWSE_TARGET) {
    QFileDialog picker(window(), QString::fromUtf8(LoadStr(IDS_DECOMPILE_FOLDER_TITLE)));
    picker.setOption(QFileDialog::DontUseNativeDialog, true);
    picker.setOption(QFileDialog::ShowDirsOnly, true);
    picker.setFileMode(QFileDialog::Directory);
    picker.setDirectory(QStringLiteral("/"));
    dlg::fitFileDialogColumns(picker);
    if (picker.exec() == QDialog::Accepted && !picker.selectedFiles().isEmpty())
      setText(IDC_DECOMPILE_TARGET, picker.selectedFiles().first().toStdString());
  } else if (controlId == IDC_TIPS) {
    ShowDialogTopic(IDH_DECOMPILE, window());
  }
}

void CDecompileDlg::onHelp(QWidget* item) { ShowControlHelp(kControlHelp, item); }

void CDecompileDlg::onContextMenu(QWidget* window) { ShowControlHelp(kControlHelp, window); }

void CDecompileDlg::onOK() {
  const std::string src = text(IDC_DECOMPILE_SOURCE);
  const std::string dst = text(IDC_DECOMPILE_TARGET);
  struct stat st {};
  if (::stat(src.c_str(), &st) != 0) {
    showDialogMessage(IDS_CANNOT_OPEN, src.c_str(), MB_ICONWARNING);
    if (QWidget* w = control(IDC_DECOMPILE_SOURCE)) w->setFocus();
    stayOpen = true;
    return;
  }
  if (::stat(dst.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    showDialogMessage(IDS_INVALID_FOLDER, dst.c_str(), MB_ICONWARNING);
    if (QWidget* w = control(IDC_DECOMPILE_TARGET)) w->setFocus();
    stayOpen = true;
    return;
  }
  source = src;
  target = dst;
  if (auto* check = qobject_cast<QCheckBox*>(control(IDC_DECOMPILE_PROJECT)))
    createProject = check->isChecked();
}
