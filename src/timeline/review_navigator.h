// Reviewing a camera's recordings as one stretch of time: keeps the day timeline in step with
// the record tree and the Player (the day selected or played, the recordings of that day, the
// position cursor, the event marks read so far), opens the recording that holds a clicked or
// typed time at that frame, and plays across recordings when asked to.
#pragma once

#include <QObject>

#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "frame/left_pane_iface.h"
#include "frame/player_window_iface.h"
#include "timeline/time_resolution.h"

class QDockWidget;
class QMainWindow;
class QTimer;

namespace vt {

class CDayTimeline;

// How often the cursor follows the picture.
inline constexpr int kTimelineCursorPeriodMs = 100;

class CReviewNavigator : public QObject, public IRecordNeighbours {
 public:
  // The timeline is docked below the main window's panes (shown as remembered); pane and
  // player belong to the main window and outlive the navigator.
  CReviewNavigator(QMainWindow* frame, ILeftPane* pane, IPlayerWindow* player);
  ~CReviewNavigator() override;

  CDayTimeline* Timeline() const { return m_pTimeline; }
  QDockWidget* TimelineDock() const { return m_pDock; }
  void ShowTimeline(bool show);
  bool IsTimelineShown() const;
  // Remembered option; off by default.
  void SetPlayAcross(bool on);
  bool PlayAcross() const { return m_bPlayAcross; }

  // The open camera's recordings in start order.
  const std::vector<TimelineSpan>& Sequence() const { return m_seq; }
  // Reads the record list again (after it changed).
  void Reload();
  // Opens the recording that holds t at the frame of t; otherwise opens nothing and tells
  // which recordings lie nearest (the resolution's kind is not kInside).
  TimeResolution GoToTime(double t);
  // Opens recording index of Sequence() at offset (100 ns); the tree selection and the timeline
  // follow. False when it could not be opened.
  bool OpenAt(int index, int64_t offset, JumpMode mode);
  // Go to Time...: asks for a date and time; a miss names the nearest recordings and offers them.
  void RunGoToDialog(QWidget* parent);
  // Brings cursor, day and marks up to date with the Player (also runs on a timer).
  void Sync();

  // IRecordNeighbours
  bool CrossesRecords() const override { return m_bPlayAcross; }
  bool OnEndOfRecord() override;
  bool OnStepPastEnd(int direction) override;

 private:
  void OnTreeChanged(bool itemsChanged);
  void OnClick(int row, double t);
  void ShowDay(const DayRange& day);
  void RefreshRow();
  // Index in Sequence() of the record after (+1) or before (-1) the open one; -1 when none.
  int Neighbour(int direction) const;
  std::string CameraLabel() const;

  ILeftPane* m_pPane;
  IPlayerWindow* m_pPlayer;
  QDockWidget* m_pDock = nullptr;
  CDayTimeline* m_pTimeline = nullptr;
  QTimer* m_pTimer = nullptr;
  bool m_bPlayAcross = false;
  std::vector<TimelineSpan> m_seq;
  // Events of the records opened so far, by record start; cleared with the camera.
  std::map<time32, std::vector<std::pair<time32, time32>>> m_events;
  time32 m_tSeenRecord = 0;
};

}  // namespace vt
