#include "frame/lock_keys.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <cstdlib>

namespace vt {
namespace {

Display* OpenDisplayOnce() {
  static Display* display = [] () -> Display* {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) return nullptr;
    return XOpenDisplay(nullptr);
  }();
  return display;
}

bool NamedIndicator(Display* d, const char* name) {
  Atom atom = XInternAtom(d, name, True);
  if (atom == None) return false;
  Bool on = False;
  if (!XkbGetNamedIndicator(d, atom, nullptr, &on, nullptr, nullptr)) return false;
  return on == True;
}

}  // namespace

LockKeys ReadLockKeys() {
  LockKeys k;
  Display* d = OpenDisplayOnce();
  if (!d) return k;
  k.bKnown = true;
  k.bCaps = NamedIndicator(d, "Caps Lock");
  k.bNum = NamedIndicator(d, "Num Lock");
  k.bScroll = NamedIndicator(d, "Scroll Lock");
  return k;
}

}  // namespace vt
