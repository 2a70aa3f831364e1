// Which key presses of the main window go to the Player's key table rather than to the widget
// that has the focus.
#pragma once

#include "platform/message.h"

namespace vt {

constexpr WPARAM kVkDown = 0x28;

enum class KeyFocus {
  kOther,   // the camera selector, a toolbar, nothing
  kTree,    // the record tree
  kPlayer,  // the Player window or one of its bars
};

struct MainWindowKey {
  WPARAM key = 0;             // virtual-key code, 0 for a key without one
  bool commandModifier = false;  // Ctrl, Alt or Meta held: a command key or a menu's
  bool busy = false;          // a dialog or a popup menu is open
  KeyFocus focus = KeyFocus::kOther;
  bool playerTakes = false;   // the Player takes this key now (its key table and play state)
};

// The tree keeps its own Down key (the next record); the Player takes its keys from the tree
// and from itself, never while a dialog or a menu is open or with a command modifier.
bool RouteKeyToPlayer(const MainWindowKey& k);

}  // namespace vt
