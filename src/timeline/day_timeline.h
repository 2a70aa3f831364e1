// The day timeline strip: the hours of one local day, one row of recordings per camera (plain
// and event recordings in their own colours, event marks along the top of a row, gaps left
// dark), the position cursor, and the time under the mouse as a tooltip. A click reports the
// time; the wheel zooms between the whole day and about a minute; dragging pans.
#pragma once

#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

#include "timeline/timeline_geometry.h"

namespace vt {

inline constexpr QRgb kTimelineBackColour = 0xFF202020;
inline constexpr QRgb kTimelineGapColour = 0xFF3A3A3A;
inline constexpr QRgb kTimelineRecordColour = 0xFF2E9E3A;  // the tree's green film strip
inline constexpr QRgb kTimelineEventColour = 0xFFD03030;   // the tree's red film strip
inline constexpr QRgb kTimelineMarkColour = 0xFFFFC020;
inline constexpr QRgb kTimelineCursorColour = 0xFFFFFFFF;
inline constexpr QRgb kTimelineTextColour = 0xFFC8C8C8;
inline constexpr int kTimelineRowHeight = 18;
inline constexpr int kTimelineMarkHeight = 4;
inline constexpr int kTimelineMargin = 4;
inline constexpr int kTimelineTickGap = 48;   // least pixels between two labelled ticks
inline constexpr int kTimelineDragStart = 4;  // pixels the mouse moves before a press is a drag

class CDayTimeline : public QWidget {
 public:
  explicit CDayTimeline(QWidget* parent = nullptr);

  // The day shown; another day goes back to the whole day, the same day keeps the zoom.
  void SetDay(const DayRange& day);
  const DayRange& Day() const { return m_day; }
  void SetRows(std::vector<TimelineRow> rows);
  const std::vector<TimelineRow>& Rows() const { return m_rows; }
  // Position cursor (seconds); none hides it. The view scrolls to keep it visible.
  void SetCursor(std::optional<double> t);
  std::optional<double> Cursor() const { return m_cursor; }
  const TimelineView& View() const { return m_view; }
  void SetView(const TimelineView& v);

  // Where the strip draws time: x of the view's 0 and its width.
  QRect PlotRect() const;
  // Where row r is drawn.
  QRect RowRect(int row) const;
  // Row under a point, -1 when none.
  int RowAt(const QPoint& p) const;
  double TimeAtX(int x) const;
  int XOfTime(double t) const;
  // The tooltip for a point: its time, and the recording under it.
  QString ToolTipAt(const QPoint& p) const;

  // A click (not a drag) in a row: the row and the time under the mouse.
  std::function<void(int row, double t)> onClick;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;

 private:
  int LabelWidth() const;
  int AxisHeight() const;

  DayRange m_day;
  TimelineView m_view;
  std::vector<TimelineRow> m_rows;
  std::optional<double> m_cursor;
  bool m_bPressed = false;
  bool m_bDragging = false;
  int m_nPressX = 0;
  int m_nLastX = 0;
};

}  // namespace vt
