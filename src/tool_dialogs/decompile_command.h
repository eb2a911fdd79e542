#pragma once
// Command 1006: the decompile dialog, then the results dialog in which the
// decompile runs.
#include <string>

#include "decompile/decompile_run.h"

class QWidget;

// Runs the whole command with the main window as owner.
void DecompileCommand(QWidget* owner);

// The handler's part after the input dialog: count, open, make the target the
// current directory, run the results dialog.
void RunDecompile(QWidget* owner, const DecompileRequest& request);
