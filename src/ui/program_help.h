#pragma once
// The program's own help: whether "Wrenlow.chm" is there (checked once per
// process), the help topic of a dialog, the pop-up help of a control, and
// the window that shows a dialog's topic when the help file has no window
// type for dialogs.
#include <QRect>
#include <QSize>

class CHelpPageWnd;
class QWidget;

struct HelpAvailability {
  bool checkDone = false;
  bool winHelpFallback = false;     // no usable Wrenlow.chm: WinHelp is asked instead
  bool noDialogWindowType = false;  // no window type "DlgHelp" in it
  bool noPopupTexts = false;        // no "wrenlow.txt" in it
};

// Runs the check the first time it is asked for; later calls return what it
// found then (a help file installed meanwhile is not noticed).
const HelpAvailability& CheckHelpAvailability();
// Replaces what the check found (tests: a missing file, a file without the
// window type); a state whose checkDone is false makes the next call check.
void OverrideHelpAvailability(const HelpAvailability& state);

// The main window, whose client size places the dialog-help window when the
// place beside the dialog would leave the work area.
void SetHelpMainWindow(QWidget* mainWindow);

// The help topic of a dialog (its "提示(&T)..." button). False when nothing
// could be shown.
bool ShowDialogTopic(int topic, QWidget* dialog);

// The pop-up text of a control from its dialog's table (control id, topic,
// ..., 0, 0). False when nothing could be shown.
bool ShowControlHelp(const unsigned* table, QWidget* control);

// The dialog-help window while it is open.
CHelpPageWnd* DialogHelpWindow();

// Where the dialog-help window goes, in screen coordinates with exclusive
// right and bottom edges: right of the dialog's window rectangle, 300 pixels
// wide and at least 400 high; when that passes the right or bottom edge of
// the work area, the right third and middle third of the main window's
// client size (taken as screen coordinates), again at least 400 high.
QRect DialogHelpRect(const QRect& dialog, const QRect& workArea, const QSize& mainClient);
