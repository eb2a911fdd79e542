#include "tool_dialogs/create_its_dialog.h"

#include <QComboBox>
#include <QRadioButton>

#include "common/history_list.h"
#include "common/string_utils.h"
#include "create_its/create_its_run.h"
#include "res/ids.h"

namespace {

constexpr int kProjectHistorySize = 15;
constexpr int kFolderHistorySize = 9;
constexpr int kItsHistorySize = 9;

class ComboFill final : public ComboTarget {
 public:
  explicit ComboFill(QComboBox* combo) : combo_(combo) {}
  void addString(std::string_view text) override {
    combo_->addItem(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  }
  void select(int index) override { combo_->setCurrentIndex(index); }

 private:
  QComboBox* combo_;
};

CHistoryList& history(const char* section, int size) {
  CHistoryList& list = GetHistoryList(section, size);
  if (!list.loaded()) list.Load();
  return list;
}

// The absolute form of a path typed into the dialog; empty stays empty.
std::string entered(const std::string& text) { return text.empty() ? text : FullPathName(text); }

}  // namespace

CCreateItsDlg::CCreateItsDlg(QWidget* parent) : CTipDialog(IDD_CREATE_ITS, parent) {
  helpTopic.topic = IDH_CREATE_ITS;
}

void CCreateItsDlg::onInit() {
  const struct {
    int id;
    const char* section;
    int size;
  } lists[] = {{IDC_ITS_PROJECT, kProjectHistory, kProjectHistorySize},
               {IDC_ITS_FOLDER, kFolderHistory, kFolderHistorySize},
               {IDC_ITS_NAME, kItsHistory, kItsHistorySize}};
  for (const auto& l : lists) {
    if (auto* combo = qobject_cast<QComboBox*>(control(l.id))) {
      ComboFill fill(combo);
      history(l.section, l.size).FillCombo(fill);
    }
  }
  if (auto* radio = qobject_cast<QRadioButton*>(control(IDC_ITS_PROJECT_MODE)))
    radio->setChecked(true);
  setMode(true);
  if (QWidget* combo = control(IDC_ITS_PROJECT)) combo->setFocus();
}

void CCreateItsDlg::setMode(bool project) {
  projectMode = project;
  for (int id : {IDC_ITS_PROJECT, IDC_ITS_PROJECT_BROWSE})
    if (QWidget* c = control(id)) c->setEnabled(project);
  for (int id : {IDC_ITS_FOLDER, IDC_ITS_FOLDER_BROWSE})
    if (QWidget* c = control(id)) c->setEnabled(!project);
}

void CCreateItsDlg::onCommand(int id) {
  CTipDialog::onCommand(id);
  if (id == IDC_ITS_PROJECT_MODE) setMode(true);
  if (id == IDC_ITS_FOLDER_MODE) setMode(false);
}

void CCreateItsDlg::onSelChange(int id) {
  if (id == IDC_ITS_PROJECT) lookUpCompiledFile();
}

void CCreateItsDlg::onEditChange(int id) {
  if (id == IDC_ITS_PROJECT) lookUpCompiledFile();
}

void CCreateItsDlg::lookUpCompiledFile() {
  const std::string project = getControlText(IDC_ITS_PROJECT);
  if (project.empty()) return;
  const std::optional<std::string> name = compiledFileOption(project);
  if (!name) return;
  if (auto* combo = qobject_cast<QComboBox*>(control(IDC_ITS_NAME)))
    combo->setEditText(QString::fromStdString(*name));
}

void CCreateItsDlg::onOK() {
  folderPath.clear();
  projectPath.clear();
  if (!projectMode) {
    folderPath = entered(getControlText(IDC_ITS_FOLDER));
    if (!folderPath.empty()) history(kFolderHistory, kFolderHistorySize).AddRecent(folderPath);
  } else {
    projectPath = entered(getControlText(IDC_ITS_PROJECT));
    if (!projectPath.empty()) history(kProjectHistory, kProjectHistorySize).AddRecent(projectPath);
  }
  // A name taken from the project's option is relative to the project's
  // folder, as the project's files are; one typed here to the current folder.
  itsName = getControlText(IDC_ITS_NAME);
  if (!itsName.empty() && itsName.front() != '/') {
    const bool fromOption = projectMode && !projectPath.empty() &&
                            compiledFileOption(projectPath) == std::optional<std::string>(itsName);
    const std::string folder = projectPath.substr(0, projectPath.rfind('/') + 1);
    itsName = FullPathName(fromOption ? folder + itsName : itsName);
  }
}
