// The main window's commands as data: one row per menu entry (or separator / submenu edge),
// giving the menu text, shortcut, toolbar slot and picture, prompt string, handler, and the
// enable and check rules. Menus, the toolbar and the keyboard table are all built from it.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "frame/command_ids.h"

namespace vt {

// What the enable and check rules look at, gathered once per update.
struct CommandState {
  bool bMainDb = true;            // the main database is shown (not one opened by Open Record DB)
  bool bListEmpty = true;         // the record list is empty (or there is none)
  bool bTreeSelection = false;    // the record tree has a selected item
  bool bRecordOpen = false;       // the Player has a record open
  uint32_t nRateCommand = 0;      // speed command of the Player's rate, 0 when none
  bool bMuted = false;
  bool bAutoPlay = false;
  bool bToolBarVisible = true;
  bool bStatusBarVisible = true;
  bool bDataLocked = false;       // review mode, or the camera's folder cannot be written
  bool bLongWork = false;         // a backup, save or rebuild runs in the background
  // Reviewing footage.
  bool bTimelineShown = true;
  bool bPlayAcross = false;
  bool bFullScreen = false;
  bool bNewestFirst = false;
  // Cameras side by side.
  bool bHasCameras = false;   // the camera list is not empty
  bool bGridShown = false;    // the side-by-side window is open
};

struct CommandUi {
  bool bEnabled = true;
  bool bChecked = false;
  bool operator==(const CommandUi&) const = default;
};

// The handlers' owner; the main window implements it.
class CCommandTarget {
 public:
  virtual ~CCommandTarget() = default;
  virtual void OnDatabaseCommand(uint32_t id) = 0;  // 32781-32788
  virtual void OnPlaybackCommand(uint32_t id) = 0;  // 32771-32779, 32791-32801
  virtual void OnAppExit(uint32_t id) = 0;
  virtual void OnViewBar(uint32_t id) = 0;          // 59392, 59393
  virtual void OnHelp(uint32_t id) = 0;
  virtual void OnAbout(uint32_t id) = 0;
  virtual void OnReviewCommand(uint32_t id) = 0;    // 33100-33106
  virtual void OnExportCommand(uint32_t id) = 0;    // 33110
  virtual void OnMultiViewCommand(uint32_t id) = 0;  // 33120
};

enum class MenuKind : uint8_t { Command, Separator, SubmenuBegin, SubmenuEnd };

enum MenuIndex : uint8_t { kMenuFile, kMenuEdit, kMenuPlayback, kMenuView, kMenuHelp, kMenuCount };

using CommandRule = CommandUi (*)(const CommandState&, uint32_t id);
using CommandHandler = void (CCommandTarget::*)(uint32_t id);

struct CommandDef {
  MenuIndex menu;
  MenuKind kind;
  uint32_t id;              // 0 for separators and submenu edges
  const char* text;         // exact menu text, "\t" before the shortcut shown; submenu title
  const char* shortcut;     // key of the keyboard table (Qt key-sequence text) or nullptr
  int toolbarSlot;          // -1 when not on the toolbar
  int toolbarImage;         // index in the toolbar strip
  uint32_t promptId;        // status prompt "text\n tooltip"; 0 when none
  CommandHandler handler;
  CommandRule rule;
  // A key beyond the recorder family's keyboard table (Qt key-sequence text), shown in the menu.
  const char* extraShortcut = nullptr;
  bool bCheckable = false;
};

std::span<const CommandDef> CommandTable();
const char* MenuTitle(MenuIndex menu);
// The row of a command id, or nullptr.
const CommandDef* FindCommand(uint32_t id);
CommandUi EvaluateCommand(uint32_t id, const CommandState& state);

inline constexpr int kToolbarSlots = 11;
inline constexpr int kToolbarImages = 8;

// Prompt text "status\n tooltip" split into its two parts (the tooltip without its leading
// blank).
void SplitPrompt(const char* prompt, std::string* status, std::string* tooltip);

}  // namespace vt
