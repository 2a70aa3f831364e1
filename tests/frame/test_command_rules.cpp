#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>
#include <string>

#include "frame/command_table.h"
#include "playback/player_logic.h"

namespace vt {
namespace {

TEST(CommandTable, KeyboardTableHasExactlyTheThirteenEntries) {
  std::set<std::pair<std::string, uint32_t>> keys;
  for (const CommandDef& c : CommandTable()) {
    if (c.kind == MenuKind::Command && c.shortcut && std::string(c.shortcut) != "F1") keys.insert({c.shortcut, c.id});
  }
  std::set<std::pair<std::string, uint32_t>> want = {
      {"Ctrl+A", 32796}, {"Ctrl+B", 32788}, {"Ctrl+M", 32798}, {"Ctrl+O", 32781},     {"Ctrl+R", 32782},
      {"Ctrl+S", 32785}, {"Ctrl+U", 32787}, {"Del", 32783},    {"Left", 32799},       {"Ctrl+Left", 32795},
      {"Right", 32800},  {"Ctrl+Right", 32794}, {"Space", 32791}};
  EXPECT_EQ(keys, want);
}

// Keys added beyond the keyboard table take nothing from it, nor from the Player's own key
// table (which sees the virtual-key code of a key without its modifiers).
TEST(CommandTable, AddedKeysCollideWithNoSpecifiedKey) {
  std::set<std::string> specified, added;
  for (const CommandDef& c : CommandTable()) {
    if (c.kind != MenuKind::Command) continue;
    if (c.shortcut) specified.insert(c.shortcut);
    if (c.extraShortcut) {
      EXPECT_FALSE(c.shortcut) << c.id;
      EXPECT_TRUE(added.insert(c.extraShortcut).second) << c.extraShortcut;
    }
  }
  const std::set<std::string> want = {"Ctrl+T", "Ctrl+Z", "Ctrl+G", "[", "]", "F11"};
  EXPECT_EQ(added, want);
  auto virtualKey = [](std::string key) -> WPARAM {
    if (key.rfind("Ctrl+", 0) == 0) key = key.substr(5);
    if (key == "[") return 0xDB;
    if (key == "]") return 0xDD;
    if (key.size() > 1 && key[0] == 'F') return 0x70 + std::stoul(key.substr(1)) - 1;
    return static_cast<WPARAM>(key[0]);
  };
  for (const std::string& k : added) {
    EXPECT_FALSE(specified.count(k)) << k;
    EXPECT_EQ(MapPlayerKey(virtualKey(k)).action, KeyAction::kNone) << k;
  }
}

TEST(CommandTable, SpeedStepsGoOneRateOfTheTableAtATime) {
  struct Case {
    double rate;
    uint32_t down, up;
  } cases[] = {
      {1.0, 32774, 32776},   {0.0625, 32771, 32772}, {16.0, 32778, 32779},
      {1.25, 32775, 32776},  // a rate from the Player's keys goes to the nearer step that way
      {0.03, 32771, 32771},  {40.0, 32779, 32779},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SpeedStepCommand(c.rate, -1), c.down) << c.rate;
    EXPECT_EQ(SpeedStepCommand(c.rate, +1), c.up) << c.rate;
  }
}

TEST(CommandTable, ToolbarSlotsAndImages) {
  std::map<int, std::pair<uint32_t, int>> slots;
  for (const CommandDef& c : CommandTable()) {
    if (c.toolbarSlot >= 0) slots[c.toolbarSlot] = {c.id, c.toolbarImage};
  }
  std::map<int, std::pair<uint32_t, int>> want = {{0, {32781, 0}}, {1, {32782, 1}}, {2, {32787, 2}},
                                                  {3, {32788, 3}}, {5, {32785, 4}}, {6, {32783, 5}},
                                                  {8, {32798, 6}}, {10, {57664, 7}}};
  EXPECT_EQ(slots, want);
}

TEST(CommandTable, FileMenuOrderAndTexts) {
  std::vector<std::string> file;
  for (const CommandDef& c : CommandTable()) {
    if (c.menu == kMenuFile) file.push_back(c.kind == MenuKind::Separator ? "-" : c.text);
  }
  std::vector<std::string> want = {"&Open Record DB...\tCtrl+O", "&Update Record DB\tCtrl+U",
                                   "&Return to Main Record DB\tCtrl+R", "-", "&Save Record to...\tCtrl+S",
                                   "&Backup Record DB...", "&Export Clip...", "-", "E&xit"};
  EXPECT_EQ(file, want);
}

// Enable and check state of every command for a few fixture states.
TEST(CommandRules, EveryCommandForFixtureStates) {
  CommandState idle;  // main database, empty list, nothing open, auto-play off
  CommandState browsing = idle;
  browsing.bMainDb = false;
  browsing.bListEmpty = false;
  browsing.bTreeSelection = true;
  browsing.bAutoPlay = true;
  CommandState playing = browsing;
  playing.bRecordOpen = true;
  playing.nRateCommand = 32776;
  playing.bMuted = true;
  playing.bToolBarVisible = false;
  CommandState listNoSelection = idle;
  listNoSelection.bListEmpty = false;
  CommandState mutedClosed = idle;  // mute and rate remembered while nothing is open
  mutedClosed.bMuted = true;
  mutedClosed.nRateCommand = 32775;

  struct Row {
    uint32_t id;
    CommandUi idle, browsing, playing, listNoSelection, mutedClosed;
  };
  const CommandUi on{true, false}, off{false, false}, onChk{true, true};
  std::vector<Row> rows = {
      {32781, on, on, on, on, on},       {32786, on, on, on, on, on},
      {32787, on, on, on, on, on},       {32788, on, on, on, on, on},
      {32782, off, on, on, off, off},    {32783, off, on, on, off, off},
      {32785, off, on, on, off, off},    {32784, off, on, on, on, off},
      {32801, on, onChk, onChk, on, on}, {57670, on, on, on, on, on},
      {57664, on, on, on, on, on},       {57665, on, on, on, on, on},
      {59392, onChk, onChk, on, onChk, onChk}, {59393, onChk, onChk, onChk, onChk, onChk},
      {32798, off, off, onChk, off, off},
      // Added for reviewing footage.
      {33100, off, on, on, on, off},  // Go to Time: when the camera has recordings
      {33101, off, off, on, off, off},      {33102, off, off, on, off, off},
      {33103, on, on, on, on, on},          {33104, onChk, onChk, onChk, onChk, onChk},
      {33105, on, on, on, on, on},  // Newest Days First: checked while on
      {33106, on, on, on, on, on},  // Full Screen: checked while on
      // Evidence export: Export Clip when the camera has recordings.
      {33110, off, on, on, on, off},
      {33120, off, off, off, off, off},  // Cameras Side by Side: only with cameras listed
  };
  CommandState cameras = idle;
  cameras.bHasCameras = true;
  EXPECT_EQ(EvaluateCommand(33120, cameras), on);
  cameras.bGridShown = true;
  EXPECT_EQ(EvaluateCommand(33120, cameras), onChk);
  for (uint32_t id = 32771; id <= 32779; ++id)
    rows.push_back({id, off, off, id == 32776 ? onChk : on, off, off});
  for (uint32_t id = 32791; id <= 32800; ++id) {
    if (id == 32798) continue;
    rows.push_back({id, off, off, on, off, off});
  }
  std::set<uint32_t> covered;
  for (const Row& r : rows) {
    covered.insert(r.id);
    EXPECT_EQ(EvaluateCommand(r.id, idle), r.idle) << r.id;
    EXPECT_EQ(EvaluateCommand(r.id, browsing), r.browsing) << r.id;
    EXPECT_EQ(EvaluateCommand(r.id, playing), r.playing) << r.id;
    EXPECT_EQ(EvaluateCommand(r.id, listNoSelection), r.listNoSelection) << r.id;
    EXPECT_EQ(EvaluateCommand(r.id, mutedClosed), r.mutedClosed) << r.id;
  }
  for (const CommandDef& c : CommandTable()) {
    if (c.kind == MenuKind::Command) {
      EXPECT_TRUE(covered.count(c.id)) << "no rule row for " << c.id;
    }
  }
}

// Locked data (review mode, a camera folder that cannot be written): the commands that delete
// or rebuild are off, exports, reloads and playback stay as they were.
// Locked data turns off only the commands that change it; long work in the background, every
// command that changes or exports a database.
TEST(CommandRules, LockedDataAndLongWorkTurnOffOnlyTheirCommands) {
  struct Case {
    const char* what;
    bool CommandState::*flag;
    std::set<uint32_t> off;
  };
  const Case cases[] = {
      {"locked data", &CommandState::bDataLocked, {32783, 32784, 32788}},
      {"long work",
       &CommandState::bLongWork,
       {ID_OPEN_RECORD_DB, ID_UPDATE_DB, ID_RETURN_MAIN_DB, ID_SAVE_RECORD_TO, ID_BACKUP_DB, ID_DELETE_RECORD,
        ID_DELETE_ALL, ID_REBUILD_DB}},
  };
  CommandState playing;
  playing.bMainDb = false;
  playing.bListEmpty = false;
  playing.bTreeSelection = true;
  playing.bRecordOpen = true;
  for (const Case& k : cases) {
    CommandState changed = playing;
    changed.*k.flag = true;
    for (const CommandDef& c : CommandTable()) {
      if (c.kind != MenuKind::Command) continue;
      const CommandUi before = EvaluateCommand(c.id, playing);
      const CommandUi after = EvaluateCommand(c.id, changed);
      if (k.off.count(c.id)) {
        EXPECT_TRUE(before.bEnabled) << k.what << " " << c.id;
        EXPECT_FALSE(after.bEnabled) << k.what << " " << c.id;
      } else {
        EXPECT_EQ(after, before) << k.what << " " << c.id;
      }
    }
  }
}

TEST(CommandTable, PromptSplit) {
  std::string s, t;
  SplitPrompt("Start the playback\n Play", &s, &t);
  EXPECT_EQ(s, "Start the playback");
  EXPECT_EQ(t, "Play");
  SplitPrompt("No tooltip", &s, &t);
  EXPECT_EQ(s, "No tooltip");
  EXPECT_EQ(t, "");
}

}  // namespace
}  // namespace vt
