#include "timeline/timeline_geometry.h"

#include <algorithm>
#include <cmath>

#include "platform/local_time.h"

namespace vt {

DayRange LocalDayOf(time32 t) {
  LocalFields f;
  if (!SplitLocalTime(t, &f)) return {};
  // The day after normalises through mktime (month and year ends, clock changes).
  return {MakeLocalTime(f.year, f.month, f.day, 0, 0, 0), MakeLocalTime(f.year, f.month, f.day + 1, 0, 0, 0)};
}

double TimeToX(const TimelineView& v, double t) {
  const double span = v.Span();
  if (span <= 0 || v.nWidth <= 0) return 0;
  return (t - v.tFrom) * v.nWidth / span;
}

double XToTime(const TimelineView& v, double x) {
  if (v.nWidth <= 0) return v.tFrom;
  return v.tFrom + x * v.Span() / v.nWidth;
}

TimelineView WholeDayView(const DayRange& day, int width) {
  return {static_cast<double>(day.tStart), static_cast<double>(day.tEnd), width};
}

namespace {

// A view of span seconds starting near from, held inside the day.
TimelineView Held(double from, double span, int width, const DayRange& day) {
  const double daySpan = static_cast<double>(day.tEnd) - day.tStart;
  if (daySpan <= 0) return {from, from + span, width};
  if (span >= daySpan) return WholeDayView(day, width);
  from = std::max(from, static_cast<double>(day.tStart));
  from = std::min(from, static_cast<double>(day.tEnd) - span);
  return {from, from + span, width};
}

}  // namespace

TimelineView ZoomAt(const TimelineView& v, double x, double factor, const DayRange& day) {
  if (factor <= 0 || v.nWidth <= 0) return v;
  const double daySpan = static_cast<double>(day.tEnd) - day.tStart;
  const double minSpan = std::min(kTimelineMinSpan, daySpan);
  const double span = std::clamp(v.Span() / factor, minSpan, daySpan);
  const double anchor = XToTime(v, x);
  return Held(anchor - x / v.nWidth * span, span, v.nWidth, day);
}

TimelineView PanBy(const TimelineView& v, double dx, const DayRange& day) {
  if (v.nWidth <= 0) return v;
  return Held(v.tFrom - dx * v.Span() / v.nWidth, v.Span(), v.nWidth, day);
}

TimelineView Reveal(const TimelineView& v, double t, const DayRange& day) {
  if (!day.Contains(t) || (t >= v.tFrom && t <= v.tTo)) return v;
  return Held(t - v.Span() / 2, v.Span(), v.nWidth, day);
}

TimelineView Resized(const TimelineView& v, int width) { return {v.tFrom, v.tTo, width}; }

std::vector<TimelineTick> TimelineTicks(const TimelineView& v, const DayRange& day, int minGapPx) {
  static constexpr int kSteps[] = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600};
  std::vector<TimelineTick> ticks;
  if (v.nWidth <= 0 || v.Span() <= 0) return ticks;
  const double pxPerSecond = v.nWidth / v.Span();
  int step = kSteps[std::size(kSteps) - 1];
  for (int s : kSteps) {
    if (s * pxPerSecond >= minGapPx) {
      step = s;
      break;
    }
  }
  const char* format = step >= 60 ? "%H:%M" : "%H:%M:%S";
  const double first = std::ceil(v.tFrom);
  if (first > INT32_MAX || v.tTo < INT32_MIN) return ticks;
  time32 t = static_cast<time32>(first);
  // Round local times: ticks are re-aligned after a clock change moves the local hour.
  for (int guard = 0; t <= v.tTo && guard < 100000; ++guard) {
    LocalFields f;
    if (!SplitLocalTime(t, &f)) break;
    const int rem = (f.hour * 3600 + f.minute * 60 + f.second) % step;
    if (rem != 0) {
      t += step - rem;
      continue;
    }
    ticks.push_back({static_cast<double>(t), day.tEnd > 0 && t >= day.tEnd ? "24:00" : FormatLocalTime(t, format)});
    if (t > INT32_MAX - step) break;
    t += step;
  }
  return ticks;
}

}  // namespace vt
