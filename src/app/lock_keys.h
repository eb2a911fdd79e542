#pragma once
// The state of the Caps Lock and Num Lock keys, for the status bar's
// indicators. Known on an X11 display; elsewhere both read as off.
struct LockKeys {
  bool caps = false;
  bool num = false;
};

LockKeys queryLockKeys();
