#include "app/lock_keys.h"

#include <QGuiApplication>

#ifdef WRENLOW_HAVE_X11
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#endif

LockKeys queryLockKeys() {
  LockKeys keys;
#ifdef WRENLOW_HAVE_X11
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return keys;
  // A connection of our own, opened once: the indicator query is a round
  // trip that does not disturb Qt's connection.
  static Display* display = XOpenDisplay(nullptr);
  if (!display) return keys;
  static Atom capsAtom = XInternAtom(display, "Caps Lock", False);
  static Atom numAtom = XInternAtom(display, "Num Lock", False);
  Bool on = False;
  if (XkbGetNamedIndicator(display, capsAtom, nullptr, &on, nullptr, nullptr)) keys.caps = on;
  on = False;
  if (XkbGetNamedIndicator(display, numAtom, nullptr, &on, nullptr, nullptr)) keys.num = on;
#endif
  return keys;
}
