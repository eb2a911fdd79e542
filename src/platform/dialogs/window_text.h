#pragma once
// Reading texts out of windows and controls, and moving rectangles between a
// window's coordinates and the screen's. Texts come back as UTF-8.
#include <QRect>
#include <QWidget>
#include <string>

// Replaces str with the window's text: the text of an edit, combo box, label
// or button, the plain text of a multi-line edit, else the window title.
void GetWindowTextOwned(const QWidget* window, std::string& str);

// The same for the control with this id in a dialog; a missing control or an
// empty text gives an empty string.
void GetDlgItemTextOwned(const QWidget* dialog, int id, std::string& str);

// Sets the text of a control the way GetWindowTextOwned reads it.
void SetWindowTextUtf8(QWidget* window, const std::string& text);

// A rectangle moved between screen and window (client) coordinates, same size.
QRect ScreenRectToClient(const QWidget* window, const QRect& rect);
QRect ClientRectToScreen(const QWidget* window, const QRect& rect);
