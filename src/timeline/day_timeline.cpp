#include "timeline/day_timeline.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

#include <climits>
#include <cmath>

#include "platform/local_time.h"
#include "timeline/goto_text.h"
#include "timeline/time_resolution.h"
#include "timeline/timeline_layout.h"

namespace vt {

CDayTimeline::CDayTimeline(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("DayTimeline"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  SetDay(LocalDayOf(Now32()));
}

int CDayTimeline::LabelWidth() const {
  return fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00")) + 2 * kTimelineMargin;
}

int CDayTimeline::AxisHeight() const { return fontMetrics().height() + 6; }

QRect CDayTimeline::PlotRect() const {
  const int left = LabelWidth();
  return QRect(left, 0, std::max(1, width() - left - kTimelineMargin), height());
}

QRect CDayTimeline::RowRect(int row) const {
  const QRect plot = PlotRect();
  return QRect(plot.left(), AxisHeight() + row * (kTimelineRowHeight + 2), plot.width(), kTimelineRowHeight);
}

QSize CDayTimeline::sizeHint() const {
  const int rows = std::max<int>(1, static_cast<int>(m_rows.size()));
  return QSize(400, AxisHeight() + rows * (kTimelineRowHeight + 2) + kTimelineMargin);
}

QSize CDayTimeline::minimumSizeHint() const { return QSize(LabelWidth() + 100, sizeHint().height()); }

void CDayTimeline::SetDay(const DayRange& day) {
  if (day == m_day && m_view.nWidth > 0) return;
  m_day = day;
  m_view = WholeDayView(day, PlotRect().width());
  update();
}

void CDayTimeline::SetRows(std::vector<TimelineRow> rows) {
  const bool resize = rows.size() != m_rows.size();
  m_rows = std::move(rows);
  if (resize) updateGeometry();
  update();
}

void CDayTimeline::SetCursor(std::optional<double> t) {
  if (t == m_cursor) return;
  const int before = m_cursor ? CursorX(m_view, *m_cursor) : -1;
  m_cursor = t;
  // Follows the position while it plays out of a zoomed view (not while the user drags).
  if (t && !m_bDragging) m_view = Reveal(m_view, *t, m_day);
  const int after = t ? CursorX(m_view, *t) : -1;
  if (before != after || !t) update();
}

void CDayTimeline::SetView(const TimelineView& v) {
  m_view = v;
  update();
}

double CDayTimeline::TimeAtX(int x) const { return XToTime(m_view, x - PlotRect().left() + 0.5); }

int CDayTimeline::XOfTime(double t) const {
  return PlotRect().left() + static_cast<int>(std::floor(TimeToX(m_view, t)));
}

int CDayTimeline::RowAt(const QPoint& p) const {
  for (int r = 0; r < static_cast<int>(m_rows.size()); ++r)
    if (RowRect(r).adjusted(0, -1, 0, 1).contains(p)) return r;
  return -1;
}

QString CDayTimeline::ToolTipAt(const QPoint& p) const {
  const QRect plot = PlotRect();
  if (p.x() < plot.left() || p.x() > plot.right()) return QString();
  const double t = TimeAtX(p.x());
  if (!m_day.Contains(t)) return QString();
  QString text = QString::fromStdString(FormatLocalTime(static_cast<time32>(std::floor(t)), "%H:%M:%S"));
  const int row = RowAt(p);
  if (row >= 0) {
    const auto& spans = m_rows[static_cast<size_t>(row)].spans;
    const TimeResolution r = ResolveTime(spans, t);
    text += r.kind == TimeResolution::kInside
                ? QStringLiteral("\nRecording ") + QString::fromStdString(FormatSpanText(spans[static_cast<size_t>(r.nRecord)]))
                : QStringLiteral("\nNo recording");
  }
  return text;
}

bool CDayTimeline::event(QEvent* e) {
  if (e->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(e);
    const QString text = ToolTipAt(help->pos());
    if (text.isEmpty())
      QToolTip::hideText();
    else
      QToolTip::showText(help->globalPos(), text, this);
    return true;
  }
  return QWidget::event(e);
}

void CDayTimeline::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  const int w = PlotRect().width();
  m_view = m_view.nWidth > 0 ? Resized(m_view, w) : WholeDayView(m_day, w);
}

void CDayTimeline::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor::fromRgb(kTimelineBackColour));
  const QRect plot = PlotRect();
  const int axis = AxisHeight();
  const QFontMetrics fm = fontMetrics();
  p.setPen(QColor::fromRgb(kTimelineTextColour));
  p.drawText(QRect(kTimelineMargin, 0, LabelWidth() - kTimelineMargin, axis), Qt::AlignLeft | Qt::AlignVCenter,
             QString::fromStdString(FormatLocalTime(m_day.tStart, "%Y-%m-%d")));

  const int rowsBottom = m_rows.empty() ? axis : RowRect(static_cast<int>(m_rows.size()) - 1).bottom();
  int labelsEnd = INT_MIN;
  for (const TimelineTick& tick : TimelineTicks(m_view, m_day, kTimelineTickGap)) {
    const int x = XOfTime(tick.t);
    p.drawLine(x, axis - 4, x, axis - 1);
    p.fillRect(x, axis, 1, rowsBottom - axis + 1, QColor(255, 255, 255, 28));
    // Labels at the ends are pulled inside the strip; one that would touch the last is left out.
    const QString label = QString::fromStdString(tick.label);
    const int w = fm.horizontalAdvance(label);
    const int lx = std::clamp(x - w / 2, plot.left(), plot.right() - w);
    if (lx < labelsEnd + kTimelineMargin) continue;
    p.drawText(QRect(lx, 0, w, axis - 4), Qt::AlignCenter, label);
    labelsEnd = lx + w;
  }

  for (int r = 0; r < static_cast<int>(m_rows.size()); ++r) {
    const TimelineRow& row = m_rows[static_cast<size_t>(r)];
    const QRect rc = RowRect(r);
    p.fillRect(rc, QColor::fromRgb(kTimelineGapColour));
    for (const TimelineBlock& b : LayoutBlocks(row.spans, m_view))
      p.fillRect(plot.left() + b.x0, rc.top(), b.x1 - b.x0, rc.height(),
                 QColor::fromRgb(b.bEvent ? kTimelineEventColour : kTimelineRecordColour));
    for (const TimelineBlock& b : LayoutMarks(row.marks, m_view))
      p.fillRect(plot.left() + b.x0, rc.top(), b.x1 - b.x0, kTimelineMarkHeight, QColor::fromRgb(kTimelineMarkColour));
    if (m_rows.size() > 1 || !row.strLabel.empty()) {
      p.setPen(QColor::fromRgb(kTimelineTextColour));
      p.drawText(QRect(kTimelineMargin, rc.top(), LabelWidth() - 2 * kTimelineMargin, rc.height()),
                 Qt::AlignLeft | Qt::AlignVCenter,
                 fm.elidedText(QString::fromLocal8Bit(row.strLabel.c_str()), Qt::ElideRight,
                               LabelWidth() - 2 * kTimelineMargin));
    }
  }

  if (m_cursor) {
    const int cx = CursorX(m_view, *m_cursor);
    if (cx >= 0) {
      const int x = plot.left() + cx;
      p.fillRect(x, axis - 6, 1, rowsBottom - axis + 7, QColor::fromRgb(kTimelineCursorColour));
      const QPoint tri[3] = {QPoint(x - 4, axis - 8), QPoint(x + 4, axis - 8), QPoint(x, axis - 3)};
      p.setPen(Qt::NoPen);
      p.setBrush(QColor::fromRgb(kTimelineCursorColour));
      p.drawPolygon(tri, 3);
    }
  }
}

void CDayTimeline::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
  m_bPressed = true;
  m_bDragging = false;
  m_nPressX = m_nLastX = e->position().toPoint().x();
}

void CDayTimeline::mouseMoveEvent(QMouseEvent* e) {
  const int x = e->position().toPoint().x();
  if (!m_bPressed) return QWidget::mouseMoveEvent(e);
  if (!m_bDragging && std::abs(x - m_nPressX) >= kTimelineDragStart) {
    m_bDragging = true;
    setCursor(Qt::ClosedHandCursor);
  }
  if (m_bDragging) {
    m_view = PanBy(m_view, x - m_nLastX, m_day);
    m_nLastX = x;
    update();
  }
}

void CDayTimeline::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !m_bPressed) return QWidget::mouseReleaseEvent(e);
  m_bPressed = false;
  if (m_bDragging) {
    m_bDragging = false;
    unsetCursor();
    return;
  }
  const QPoint at = e->position().toPoint();
  const QRect plot = PlotRect();
  const int row = RowAt(at);
  if (row < 0 || at.x() < plot.left() || at.x() > plot.right()) return;
  const double t = TimeAtX(at.x());
  if (m_day.Contains(t) && onClick) onClick(row, t);
}

void CDayTimeline::wheelEvent(QWheelEvent* e) {
  const int notches = e->angleDelta().y();
  if (notches == 0) return QWidget::wheelEvent(e);
  const double factor = std::pow(kTimelineWheelFactor, notches / 120.0);
  m_view = ZoomAt(m_view, e->position().x() - PlotRect().left() + 0.5, factor, m_day);
  update();
  e->accept();
}

}  // namespace vt
