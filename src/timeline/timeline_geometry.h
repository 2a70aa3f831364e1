// Time <-> x arithmetic of the day timeline: the visible span of the day across a number of
// pixels, zoom around a point, panning, and the labelled ticks of the time axis. Times are
// seconds as doubles, so a deep zoom can place sub-second positions.
#pragma once

#include <string>
#include <vector>

#include "timeline/timeline_types.h"

namespace vt {

// The deepest zoom shows about one minute across the strip; the widest, the whole day.
inline constexpr double kTimelineMinSpan = 60.0;
// One wheel notch zooms by this factor.
inline constexpr double kTimelineWheelFactor = 1.25;

struct TimelineView {
  double tFrom = 0;  // time at x = 0
  double tTo = 0;    // time at x = nWidth
  int nWidth = 0;    // pixels
  double Span() const { return tTo - tFrom; }
  bool operator==(const TimelineView&) const = default;
};

double TimeToX(const TimelineView& v, double t);
double XToTime(const TimelineView& v, double x);

// The whole day across width pixels.
TimelineView WholeDayView(const DayRange& day, int width);
// Zoomed by factor (> 1 zooms in) so that the time under x stays under x; the span is held
// between kTimelineMinSpan (or the day, if shorter) and the day, and the view inside the day.
TimelineView ZoomAt(const TimelineView& v, double x, double factor, const DayRange& day);
// Moved by dx pixels (positive: the picture follows a drag to the right, showing earlier
// times), held inside the day.
TimelineView PanBy(const TimelineView& v, double dx, const DayRange& day);
// The same span, moved so that t is visible (centred when it was outside); unchanged when t
// already shows or lies outside the day.
TimelineView Reveal(const TimelineView& v, double t, const DayRange& day);
// The same view over another width (a resized strip): the span is kept.
TimelineView Resized(const TimelineView& v, int width);

struct TimelineTick {
  double t = 0;
  std::string label;  // "HH:MM" or "HH:MM:SS"; "24:00" at the end of the day
};
// Ticks at round local times, at least minGapPx apart, inside the view.
std::vector<TimelineTick> TimelineTicks(const TimelineView& v, const DayRange& day, int minGapPx);

}  // namespace vt
