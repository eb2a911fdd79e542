#include "tool_dialogs/create_its_command.h"

#include <QApplication>

#include "common/prompt.h"
#include "create_its/create_its_run.h"
#include "tool_dialogs/create_its_dialog.h"
#include "ui/results_dlg.h"

namespace {

class CCreateItsResultsDlg : public CResultsDlg {
 public:
  CCreateItsResultsDlg(QWidget* parent, std::string project, std::string folder, std::string its)
      : CResultsDlg(parent),
        project_(std::move(project)),
        folder_(std::move(folder)),
        its_(std::move(its)) {}

 protected:
  void Run() override {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!project_.empty())
      createItsFromProject(project_, its_, *this);
    else
      createItsFromFolder(folder_, its_, *this);
    QApplication::restoreOverrideCursor();
    if (cancelled()) setCancelled(true);
  }

 private:
  std::string project_, folder_, its_;
};

}  // namespace

void RunCreateIts(QWidget* owner, const std::string& projectPath, const std::string& folderPath,
                  const std::string& itsName) {
  CCreateItsResultsDlg results(owner, projectPath, folderPath, itsName);
  results.DoModal();
}

void CreateItsCommand(QWidget* owner) {
  CCreateItsDlg input(owner);
  if (input.DoModal() != IDOK) return;
  if (input.projectMode ? input.projectPath.empty() : input.folderPath.empty()) return;
  RunCreateIts(owner, input.projectPath, input.folderPath, input.itsName);
}
