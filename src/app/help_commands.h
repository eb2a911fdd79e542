#pragma once
// The main window's help commands: help topics (32771), about (32777) and
// the welcome window (32784). The owner is the main window.
#include <QPointer>

class CHelpPageWnd;
class QWidget;
namespace htmlhelp {
class ReaderWindow;
}

// Opens Wrenlow.chm with the desktop's handler for compiled help files, or
// in our reading window (contents, index, search, favourites) on the
// welcome topic when the desktop has none (or offers only this program's
// viewer); reports message 20736 when the file is missing.
void HelpTopicsCommand(QWidget* owner);
// The about page of the help file in a 400 × 400 window centred over the
// owner, replacing the earlier one; the about dialog without the help file.
void AboutCommand(QWidget* owner);
// The welcome page in a window the size of the owner's client area less 50
// pixels on every side; nothing while that window is open.
void WelcomeCommand(QWidget* owner);

// The windows the commands opened, while they are open (tests).
CHelpPageWnd* AboutWindow();
htmlhelp::ReaderWindow* HelpTopicsWindow();
