#pragma once
// The program's help for the diagnostics dialogs: a dialog's topic in the
// help file's dialog window type, and a control's pop-up text from the
// pop-up text file, both through CallHtmlHelp.
class QWidget;

namespace diag {

// Shows help topic `topic` for `dialog` ("提示(&T)..." buttons).
void showDialogTopic(int topic, QWidget* dialog);

// Shows the pop-up text of `control` from a control help table (pairs of
// control id and topic, ending 0, 0), for F1 and the context menu.
void showControlHelp(const unsigned* table, QWidget* control);

}  // namespace diag
