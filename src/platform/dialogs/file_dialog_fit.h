#pragma once
// Qt's own file and folder pickers as the program shows them: the detail
// list's size, type and date columns as wide as their contents, so that a
// size reads "107 KiB" rather than "107...", and room for the name column.
class QFileDialog;

namespace dlg {

// Call after the dialog's options are set; the desktop's own dialog, when Qt
// uses one, is left alone.
void fitFileDialogColumns(QFileDialog& dialog);

}  // namespace dlg
