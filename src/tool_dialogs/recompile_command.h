#pragma once
// Command 1007: the recompile dialog (141 when the program's help file is
// available, else 133), then the results dialog in which the batch runs.
class QWidget;

// Whether the program's help file can be found and opened.
bool programHelpAvailable();

// Runs the whole command with the main window as owner.
void RecompileCommand(QWidget* owner);
