#include "diagnostics/dialog_help.h"

#include <QWidget>
#include <cstdint>
#include <string>

#include "common/call_html_help.h"
#include "res/help_tables.h"

namespace diag {

void showDialogTopic(int topic, QWidget* dialog) {
  const std::string file = std::string(res::kHelpFile) + ">" + res::kDialogWindowType;
  CallHtmlHelp(dialog, file, HH_HELP_CONTEXT, static_cast<std::uintptr_t>(topic));
}

void showControlHelp(const unsigned* table, QWidget* control) {
  const std::string file = std::string(res::kHelpFile) + "::/" + res::kPopupTextFile;
  CallHtmlHelp(control, file, HH_TP_HELP_WM_HELP, reinterpret_cast<std::uintptr_t>(table));
}

}  // namespace diag
