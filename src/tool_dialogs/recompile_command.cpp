#include "tool_dialogs/recompile_command.h"

#include "common/help_locator.h"
#include "common/history_list.h"
#include "common/messages.h"
#include "its/its_storage.h"
#include "res/help_tables.h"
#include "tool_dialogs/recompile_dialog.h"
#include "tool_dialogs/recompile_results.h"

CRecompileResultsDlg::CRecompileResultsDlg(QWidget* parent, RecompileRequest request)
    : CResultsDlg(parent), request_(std::move(request)) {}

void CRecompileResultsDlg::Run() {
  RecompileHooks hooks;
  hooks.onStatus = [this](const std::string& path) { setStatus(path); };
  hooks.onTargetFolder = [](const std::string& folder) {
    recompileFolderHistory().AddRecent(folder);
  };
  outcome_ = recompile(request_, *this, currentPrompter(), hooks);
  if (outcome_.cancelled) setCancelled(true);
}

bool programHelpAvailable() {
  std::string path;
  if (!LocateHelpFile(res::kHelpFile, path)) return false;
  ItsStorage storage;
  return itss::SUCCEEDED(storage.open(path.c_str()));
}

void RecompileCommand(QWidget* owner) {
  CRecompileDlg input(programHelpAvailable(), owner);
  if (input.DoModal() != IDOK) return;
  CRecompileResultsDlg results(owner, input.request);
  results.DoModal();
}
