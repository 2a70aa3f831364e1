// Caps, Num and Scroll Lock as the X server's keyboard indicators show them.
#pragma once

namespace vt {

struct LockKeys {
  bool bKnown = false;  // false without an X display: the panes stay blank
  bool bCaps = false;
  bool bNum = false;
  bool bScroll = false;
};

// Reads the indicators of the core keyboard; the display connection is opened once and kept.
LockKeys ReadLockKeys();

}  // namespace vt
