#include "tool_dialogs/decompile_command.h"

#include <QApplication>
#include <QCursor>

#include "common/messages.h"
#include "common/string_utils.h"
#include "decompile/local_folder.h"
#include "res/ids.h"
#include "tool_dialogs/decompile_dialog.h"
#include "tool_dialogs/decompile_results.h"

CDecompileResultsDlg::CDecompileResultsDlg(QWidget* parent, DecompileRequest request,
                                           std::int32_t range)
    : CResultsDlg(parent),
      request_(std::move(request)),
      range_(range),
      run_(*this, currentPrompter()) {}

bool CDecompileResultsDlg::open() { return run_.open(request_.openPath()); }

void CDecompileResultsDlg::Run() {
  run_.onStatus = [this](const std::string& item) { setStatus(item); };
  run_.onBusy = [](bool busy) {
    if (busy)
      QApplication::setOverrideCursor(Qt::WaitCursor);
    else
      QApplication::restoreOverrideCursor();
  };
  run_.run(request_, range_);
  if (run_.cancelled()) setCancelled(true);
}

void RunDecompile(QWidget* owner, const DecompileRequest& entered) {
  // The paths are made absolute here, once; the run opens them as they are
  // and the current folder never moves. The source stays as entered for the
  // results.
  DecompileRequest request = entered;
  request.target = FullPathName(entered.target);
  request.sourceOpenPath = FullPathName(entered.openPath());

  QApplication::setOverrideCursor(Qt::WaitCursor);
  const std::int32_t range = countStreams(request.openPath().c_str(), false);
  QApplication::restoreOverrideCursor();
  // A source the count could not open has been reported once; opening it
  // again would only repeat the message.
  if (range < 0) return;

  CDecompileResultsDlg dialog(owner, request, range);
  if (!dialog.open()) return;
  if (!FolderHandle::openPath(request.target).valid()) {
    ShowFormattedMessage(IDS_INVALID_FOLDER, entered.target, MB_ICONERROR);
    dialog.close();
    return;
  }
  dialog.DoModal();
  dialog.close();
}

void DecompileCommand(QWidget* owner) {
  CDecompileDlg input(owner);
  if (input.DoModal() != IDOK) return;
  DecompileRequest request;
  request.source = input.source;
  request.target = input.target;
  request.createProject = input.createProject;
  RunDecompile(owner, request);
}
