#pragma once
// Message boxes for the GUI: the Prompter that shows a Qt message box with the
// Chinese button texts, the icon of the MB_ flags, and the caption and owner
// of the message-box context. Buttons keep the Windows order (OK, Cancel;
// Yes, No, Cancel; Abort, Retry, Ignore; ...).
#include <QWidget>

#include "common/prompt.h"

namespace dlg {

class QtPrompter : public Prompter {
 public:
  int ask(std::string_view text, unsigned flags) override;
};

// Installs a process-wide QtPrompter as the current prompter, and a close
// function for the out-of-memory path that closes the owner window.
void installQtPrompter();

// The widget behind an opaque window handle when it is still alive, else null.
QWidget* liveWidget(void* handle);

}  // namespace dlg
