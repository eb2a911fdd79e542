#pragma once
// Running out of memory is never returned to callers: the program shows
// message 20481 with the error icon, asks the owner window to close and ends
// with exit code 1. Allocation helpers call OutOfMemory when they fail; the
// new-handler covers every allocation made with operator new.

// Shows the message, closes the owner (through the installed callback) and
// ends the process with exit code 1. A failure while doing so ends the process
// at once, with the same code.
[[noreturn]] void OutOfMemory();

// Installs the new-handler, and sets aside a small reserve that is released
// first, so the message can still be shown when memory is gone.
void InstallOutOfMemoryHandler();

// How the owner window is asked to close: the GUI installs a function that
// closes the window behind the opaque handle when it is still alive. It is
// called with the message-box context's owner, and only when that is set.
using CloseOwnerFunction = void (*)(void* owner);
void setOutOfMemoryCloseOwner(CloseOwnerFunction close);
