#include "timeline/review_navigator.h"

#include <QDockWidget>
#include <QMainWindow>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <cmath>

#include "app/message_window.h"
#include "app/user_prefs.h"
#include "timeline/day_timeline.h"
#include "timeline/goto_dialog.h"

namespace vt {

namespace {
constexpr int kPlayCmdStop = 3;
}  // namespace

CReviewNavigator::CReviewNavigator(QMainWindow* frame, ILeftPane* pane, IPlayerWindow* player)
    : QObject(frame), m_pPane(pane), m_pPlayer(player) {
  m_pDock = new QDockWidget(frame);
  m_pDock->setObjectName(QStringLiteral("DayTimelineDock"));
  m_pDock->setWindowTitle(QStringLiteral("Day Timeline"));
  m_pDock->setFeatures(QDockWidget::NoDockWidgetFeatures);
  m_pDock->setTitleBarWidget(new QWidget(m_pDock));  // no title bar: a strip under the panes
  m_pTimeline = new CDayTimeline(m_pDock);
  m_pDock->setWidget(m_pTimeline);
  frame->addDockWidget(Qt::BottomDockWidgetArea, m_pDock);
  m_pDock->setVisible(ReadUserFlag(kPrefDayTimeline, kPrefDayTimelineDefault));
  m_pTimeline->onClick = [this](int row, double t) { OnClick(row, t); };

  m_bPlayAcross = ReadUserFlag(kPrefPlayAcross, kPrefPlayAcrossDefault);
  if (m_pPlayer) m_pPlayer->SetNeighbours(this);
  if (m_pPane) m_pPane->SetTreeObserver([this](bool items) { OnTreeChanged(items); });

  m_pTimer = new QTimer(this);
  connect(m_pTimer, &QTimer::timeout, this, [this] { Sync(); });
  m_pTimer->start(kTimelineCursorPeriodMs);
  Reload();
}

CReviewNavigator::~CReviewNavigator() {
  if (m_pPlayer) m_pPlayer->SetNeighbours(nullptr);
  if (m_pPane) m_pPane->SetTreeObserver({});
}

void CReviewNavigator::ShowTimeline(bool show) {
  m_pDock->setVisible(show);
  WriteUserFlag(kPrefDayTimeline, show);
}

bool CReviewNavigator::IsTimelineShown() const { return !m_pDock->isHidden(); }

void CReviewNavigator::SetPlayAcross(bool on) {
  m_bPlayAcross = on;
  WriteUserFlag(kPrefPlayAcross, on);
}

std::string CReviewNavigator::CameraLabel() const {
  ICameraQuery* q = m_pPane ? m_pPane->GetCameraQuery() : nullptr;
  if (!q) return {};
  const std::vector<CameraEntry> cams = q->GetCameras();
  const int cur = q->GetCurrentCamera();
  return cur >= 0 && cur < static_cast<int>(cams.size()) ? cams[static_cast<size_t>(cur)].strLabel : std::string();
}

void CReviewNavigator::Reload() {
  CRecordList* list = m_pPane ? m_pPane->GetRecordList() : nullptr;
  const RdbIndex* index = list ? list->GetDB().GetIndex() : nullptr;
  m_seq = index ? CollectSpans(*index) : std::vector<TimelineSpan>();
  // Marks of records no longer listed (another camera, deleted) go.
  for (auto it = m_events.begin(); it != m_events.end();)
    it = FindSpanStart(m_seq, it->first) < 0 ? m_events.erase(it) : std::next(it);
  RefreshRow();
}

void CReviewNavigator::RefreshRow() {
  const DayRange day = m_pTimeline->Day();
  TimelineRow row;
  row.strLabel = CameraLabel();
  size_t first = 0, last = 0;
  SpansMeeting(m_seq, day.tStart, day.tEnd, &first, &last);
  row.spans.assign(m_seq.begin() + static_cast<std::ptrdiff_t>(first), m_seq.begin() + static_cast<std::ptrdiff_t>(last));
  for (const auto& [start, events] : m_events)
    for (const auto& [s, e] : events)
      if (e > day.tStart && s < day.tEnd) row.marks.push_back({s, std::max(e, s + 1)});
  std::sort(row.marks.begin(), row.marks.end(), [](const TimelineMark& a, const TimelineMark& b) { return a.tStart < b.tStart; });
  std::vector<TimelineRow> rows;
  rows.push_back(std::move(row));
  m_pTimeline->SetRows(std::move(rows));
}

void CReviewNavigator::ShowDay(const DayRange& day) {
  if (day.tEnd <= day.tStart || day == m_pTimeline->Day()) return;
  m_pTimeline->SetDay(day);
  RefreshRow();
}

void CReviewNavigator::OnTreeChanged(bool itemsChanged) {
  if (itemsChanged) Reload();
  time32 t = 0;
  if (m_pPane && m_pPane->GetSelectionTime(&t) != kSelectionNone) ShowDay(LocalDayOf(t));
}

void CReviewNavigator::Sync() {
  if (!m_pPlayer) return;
  const std::optional<double> shown = m_pPlayer->IsOpen() ? m_pPlayer->ShownTime() : std::nullopt;
  const time32 open = m_pPlayer->IsOpen() ? m_pPlayer->OpenRecordStart() : 0;
  if (open != m_tSeenRecord) {
    m_tSeenRecord = open;
    if (open) {
      std::vector<std::pair<time32, time32>> events = m_pPlayer->RecordEvents();
      if (!events.empty()) {
        m_events[open] = std::move(events);
        RefreshRow();
      }
    }
  }
  // The strip goes with the picture into the next day.
  if (shown && !m_pTimeline->Day().Contains(*shown)) ShowDay(LocalDayOf(static_cast<time32>(std::floor(*shown))));
  m_pTimeline->SetCursor(shown);
}

bool CReviewNavigator::OpenAt(int index, int64_t offset, JumpMode mode) {
  if (!m_pPlayer || !m_pPane || index < 0 || index >= static_cast<int>(m_seq.size())) return false;
  const TimelineSpan span = m_seq[static_cast<size_t>(index)];
  if (!(m_pPlayer->IsOpen() && m_pPlayer->OpenRecordStart() == span.tStart)) {
    CRecordList* list = m_pPane->GetRecordList();
    RDB_RECORD* record = list ? list->GetDB().FindRecordAt(span.tStart) : nullptr;
    if (!record || record->tStart != span.tStart) return false;
    m_pPane->FollowRecord(span.tStart);
    m_pPlayer->Target()->Send(kMsgOpenRecord, 0, reinterpret_cast<LPARAM>(record));
    if (!m_pPlayer->IsOpen()) return false;
    if (IMessageTarget* main = GetMainWndTarget()) main->Post(kMsgFitToVideo, 0, 0);
  }
  m_pPlayer->JumpToOffset(offset, mode);
  ShowDay(LocalDayOf(static_cast<time32>(span.tStart + offset / 10000000)));
  Sync();
  return true;
}

TimeResolution CReviewNavigator::GoToTime(double t) {
  const TimeResolution r = ResolveTime(m_seq, t);
  if (r.kind == TimeResolution::kInside) OpenAt(r.nRecord, r.llOffset, JumpMode::kKeep);
  return r;
}

void CReviewNavigator::OnClick(int, double t) {
  int index = -1;
  int64_t offset = 0;
  if (ClickTarget(m_seq, t, &index, &offset)) OpenAt(index, offset, JumpMode::kKeep);
}

int CReviewNavigator::Neighbour(int direction) const {
  if (!m_pPlayer || !m_pPlayer->IsOpen()) return -1;
  const time32 open = m_pPlayer->OpenRecordStart();
  const auto cmp = [](const TimelineSpan& s, time32 x) { return s.tStart < x; };
  if (direction > 0) {
    const auto it = std::upper_bound(m_seq.begin(), m_seq.end(), open,
                                     [](time32 x, const TimelineSpan& s) { return x < s.tStart; });
    return it == m_seq.end() ? -1 : static_cast<int>(it - m_seq.begin());
  }
  const auto it = std::lower_bound(m_seq.begin(), m_seq.end(), open, cmp);
  return it == m_seq.begin() ? -1 : static_cast<int>(it - m_seq.begin()) - 1;
}

bool CReviewNavigator::OnEndOfRecord() {
  if (!m_bPlayAcross || Neighbour(+1) < 0) return false;
  const time32 from = m_pPlayer->OpenRecordStart();
  // Not from inside the Player's event handling: the next record opens once it has returned.
  QTimer::singleShot(0, this, [this, from] {
    if (!m_pPlayer->IsOpen() || m_pPlayer->OpenRecordStart() != from) return;
    const int next = Neighbour(+1);
    if (next < 0 || !OpenAt(next, 0, JumpMode::kPlay)) {
      if (m_pPlayer->IsOpen()) m_pPlayer->PlaybackCommand(kPlayCmdStop);  // the end as it always was
    }
  });
  return true;
}

bool CReviewNavigator::OnStepPastEnd(int direction) {
  if (!m_bPlayAcross) return false;
  const int to = Neighbour(direction);
  return to >= 0 && OpenAt(to, direction > 0 ? 0 : INT64_MAX, JumpMode::kPause);
}

void CReviewNavigator::RunGoToDialog(QWidget* parent) {
  time32 initial = 0;
  if (const std::optional<double> shown = m_pPlayer ? m_pPlayer->ShownTime() : std::nullopt)
    initial = static_cast<time32>(std::floor(*shown));
  else if (m_pPane && m_pPane->GetSelectionTime(&initial) == kSelectionNone)
    initial = m_pTimeline->Day().tStart;
  CGotoDialog dlg(parent, initial, m_pTimeline->Day().tStart);
  dlg.resolve = [this](time32 t) { return GoToTime(t); };
  dlg.sequence = &m_seq;
  dlg.open = [this](int index, bool atEnd) { return OpenAt(index, atEnd ? INT64_MAX : 0, JumpMode::kKeep); };
  dlg.exec();
}

}  // namespace vt
