#include "frame/command_table.h"

namespace vt {
namespace {

CommandUi Always(const CommandState&, uint32_t) { return {true, false}; }
// Commands that change or export a record database wait while long work runs in the background.
CommandUi NotBusy(const CommandState& s, uint32_t) { return {!s.bLongWork, false}; }
CommandUi NotMainDb(const CommandState& s, uint32_t) { return {!s.bMainDb && !s.bLongWork, false}; }
CommandUi HasSelectedRecord(const CommandState& s, uint32_t) {
  return {!s.bListEmpty && s.bTreeSelection && !s.bLongWork, false};
}
// Commands that delete or rewrite the recorder's data.
CommandUi CanDeleteSelected(const CommandState& s, uint32_t) {
  return {!s.bDataLocked && !s.bListEmpty && s.bTreeSelection && !s.bLongWork, false};
}
CommandUi CanDeleteAll(const CommandState& s, uint32_t) {
  return {!s.bDataLocked && !s.bListEmpty && !s.bLongWork, false};
}
CommandUi CanRebuild(const CommandState& s, uint32_t) { return {!s.bDataLocked && !s.bLongWork, false}; }
CommandUi Speed(const CommandState& s, uint32_t id) {
  return {s.bRecordOpen, s.bRecordOpen && s.nRateCommand == id};
}
CommandUi RecordOpen(const CommandState& s, uint32_t) { return {s.bRecordOpen, false}; }
CommandUi Mute(const CommandState& s, uint32_t) { return {s.bRecordOpen, s.bRecordOpen && s.bMuted}; }
CommandUi AutoPlay(const CommandState& s, uint32_t) { return {true, s.bAutoPlay}; }
CommandUi ToolBarShown(const CommandState& s, uint32_t) { return {true, s.bToolBarVisible}; }
CommandUi StatusBarShown(const CommandState& s, uint32_t) { return {true, s.bStatusBarVisible}; }
CommandUi TimelineShown(const CommandState& s, uint32_t) { return {true, s.bTimelineShown}; }
CommandUi PlayAcross(const CommandState& s, uint32_t) { return {true, s.bPlayAcross}; }
CommandUi FullScreen(const CommandState& s, uint32_t) { return {true, s.bFullScreen}; }
CommandUi NewestFirst(const CommandState& s, uint32_t) { return {true, s.bNewestFirst}; }
CommandUi HasRecords(const CommandState& s, uint32_t) { return {!s.bListEmpty, false}; }
CommandUi GridShown(const CommandState& s, uint32_t) { return {s.bHasCameras, s.bGridShown}; }

using T = CCommandTarget;
constexpr auto C = MenuKind::Command;
constexpr auto S = MenuKind::Separator;

#define VT_SEP(menu) {menu, S, 0, nullptr, nullptr, -1, -1, 0, nullptr, nullptr}
#define VT_DB(menu, id, text, key, slot, image, rule) \
  {menu, C, id, text, key, slot, image, id, &T::OnDatabaseCommand, rule}
#define VT_PLAY(id, text, key, slot, image, rule) \
  {kMenuPlayback, C, id, text, key, slot, image, id, &T::OnPlaybackCommand, rule}
#define VT_PLAY_KEY(id, text, extraKey, rule) \
  {kMenuPlayback, C, id, text, nullptr, -1, -1, id, &T::OnPlaybackCommand, rule, extraKey}
#define VT_REVIEW(menu, id, text, extraKey, rule, checkable) \
  {menu, C, id, text, nullptr, -1, -1, 0, &T::OnReviewCommand, rule, extraKey, checkable}

const CommandDef kTable[] = {
    VT_DB(kMenuFile, ID_OPEN_RECORD_DB, "&Open Record DB...\tCtrl+O", "Ctrl+O", 0, 0, NotBusy),
    VT_DB(kMenuFile, ID_UPDATE_DB, "&Update Record DB\tCtrl+U", "Ctrl+U", 2, 2, NotBusy),
    VT_DB(kMenuFile, ID_RETURN_MAIN_DB, "&Return to Main Record DB\tCtrl+R", "Ctrl+R", 1, 1, NotMainDb),
    VT_SEP(kMenuFile),
    VT_DB(kMenuFile, ID_SAVE_RECORD_TO, "&Save Record to...\tCtrl+S", "Ctrl+S", 5, 4, HasSelectedRecord),
    VT_DB(kMenuFile, ID_BACKUP_DB, "&Backup Record DB...", nullptr, -1, -1, NotBusy),
    {kMenuFile, C, ID_EXPORT_CLIP, "&Export Clip...", nullptr, -1, -1, 0, &T::OnExportCommand, HasRecords},
    VT_SEP(kMenuFile),
    {kMenuFile, C, ID_APP_EXIT, "E&xit", nullptr, -1, -1, ID_APP_EXIT, &T::OnAppExit, Always},

    VT_DB(kMenuEdit, ID_DELETE_RECORD, "&Delete Record\tDel", "Del", 6, 5, CanDeleteSelected),
    VT_DB(kMenuEdit, ID_DELETE_ALL, "Delete &All Records", nullptr, -1, -1, CanDeleteAll),
    VT_SEP(kMenuEdit),
    VT_DB(kMenuEdit, ID_REBUILD_DB, "Re&build Record DB\tCtrl+B", "Ctrl+B", 3, 3, CanRebuild),

    VT_PLAY(ID_PLAY, "&Play\tSpace", "Space", -1, -1, RecordOpen),
    VT_PLAY(ID_PAUSE, "P&ause\tSpace", nullptr, -1, -1, RecordOpen),
    VT_PLAY_KEY(ID_STOP, "S&top", "Ctrl+T", RecordOpen),
    VT_PLAY(ID_BACKWARD, "&Backward\tCtrl+<-", "Ctrl+Left", -1, -1, RecordOpen),
    VT_PLAY(ID_FORWARD, "&Forward\tCtrl+ ->", "Ctrl+Right", -1, -1, RecordOpen),
    VT_PLAY(ID_PREV_FRAME, "P&revious Frame\t<-", "Left", -1, -1, RecordOpen),
    VT_PLAY(ID_NEXT_FRAME, "&Next Frame\t->", "Right", -1, -1, RecordOpen),
    VT_REVIEW(kMenuPlayback, ID_GOTO_TIME, "&Go to Time...\tCtrl+G", "Ctrl+G", HasRecords, false),
    VT_SEP(kMenuPlayback),
    VT_PLAY(ID_SNAPSHOT, "&Snapshot...\tCtrl+A", "Ctrl+A", -1, -1, RecordOpen),
    VT_PLAY_KEY(ID_ZOOM, "&Zoom", "Ctrl+Z", RecordOpen),
    {kMenuPlayback, MenuKind::SubmenuBegin, 0, "Sp&eed", nullptr, -1, -1, 0, nullptr, nullptr},
    VT_PLAY(32771, "x 1/16", nullptr, -1, -1, Speed),
    VT_PLAY(32772, "x 1/8", nullptr, -1, -1, Speed),
    VT_PLAY(32773, "x 1/4", nullptr, -1, -1, Speed),
    VT_PLAY(32774, "x 1/2", nullptr, -1, -1, Speed),
    VT_PLAY(32775, "x 1", nullptr, -1, -1, Speed),
    VT_PLAY(32776, "x 2", nullptr, -1, -1, Speed),
    VT_PLAY(32777, "x 4", nullptr, -1, -1, Speed),
    VT_PLAY(32778, "x 8", nullptr, -1, -1, Speed),
    VT_PLAY(32779, "x 16", nullptr, -1, -1, Speed),
    {kMenuPlayback, MenuKind::SubmenuEnd, 0, nullptr, nullptr, -1, -1, 0, nullptr, nullptr},
    VT_PLAY_KEY(ID_SPEED_DOWN, "S&lower\t[", "[", RecordOpen),
    VT_PLAY_KEY(ID_SPEED_UP, "Fa&ster\t]", "]", RecordOpen),
    VT_PLAY(ID_MUTE, "&Mute\tCtrl+M", "Ctrl+M", 8, 6, Mute),
    VT_SEP(kMenuPlayback),
    VT_PLAY(ID_AUTO_PLAY, "A&uto-play", nullptr, -1, -1, AutoPlay),
    VT_REVIEW(kMenuPlayback, ID_PLAY_ACROSS, "Play Across &Recordings", nullptr, PlayAcross, true),

    {kMenuView, C, ID_VIEW_TOOLBAR, "&Tool Bar", nullptr, -1, -1, ID_VIEW_TOOLBAR, &T::OnViewBar, ToolBarShown},
    {kMenuView, C, ID_VIEW_STATUS_BAR, "&Status Bar", nullptr, -1, -1, ID_VIEW_STATUS_BAR, &T::OnViewBar,
     StatusBarShown},
    VT_SEP(kMenuView),
    VT_REVIEW(kMenuView, ID_VIEW_DAY_TIMELINE, "&Day Timeline", nullptr, TimelineShown, true),
    VT_REVIEW(kMenuView, ID_VIEW_NEWEST_FIRST, "&Newest Days First", nullptr, NewestFirst, true),
    {kMenuView, C, ID_VIEW_SIDE_BY_SIDE, "Ca&meras Side by Side", nullptr, -1, -1, 0, &T::OnMultiViewCommand, GridShown,
     nullptr, true},
    VT_SEP(kMenuView),
    VT_REVIEW(kMenuView, ID_VIEW_FULL_SCREEN, "&Full Screen\tF11", "F11", FullScreen, true),

    // F1 has no keyboard-table entry; the desktop's help key reaches the command instead.
    {kMenuHelp, C, ID_HELP_FINDER, "&Help...\tF1", "F1", -1, -1, ID_HELP_FINDER, &T::OnHelp, Always},
    {kMenuHelp, C, ID_APP_ABOUT, "&About...", nullptr, 10, 7, ID_APP_ABOUT, &T::OnAbout, Always},
};

#undef VT_SEP
#undef VT_DB
#undef VT_PLAY
#undef VT_PLAY_KEY
#undef VT_REVIEW

}  // namespace

std::span<const CommandDef> CommandTable() { return kTable; }

const char* MenuTitle(MenuIndex menu) {
  switch (menu) {
    case kMenuFile: return "&File";
    case kMenuEdit: return "&Edit";
    case kMenuPlayback: return "&Playback";
    case kMenuView: return "&View";
    case kMenuHelp: return "&Help";
    default: return "";
  }
}

const CommandDef* FindCommand(uint32_t id) {
  if (id == 0) return nullptr;
  for (const CommandDef& c : kTable) {
    if (c.kind == MenuKind::Command && c.id == id) return &c;
  }
  return nullptr;
}

CommandUi EvaluateCommand(uint32_t id, const CommandState& state) {
  const CommandDef* c = FindCommand(id);
  if (!c || !c->rule) return {};
  return c->rule(state, id);
}

void SplitPrompt(const char* prompt, std::string* status, std::string* tooltip) {
  std::string p = prompt ? prompt : "";
  size_t nl = p.find('\n');
  *status = p.substr(0, nl);
  tooltip->clear();
  if (nl != std::string::npos) {
    *tooltip = p.substr(nl + 1);
    if (!tooltip->empty() && tooltip->front() == ' ') tooltip->erase(0, 1);
  }
}

}  // namespace vt
