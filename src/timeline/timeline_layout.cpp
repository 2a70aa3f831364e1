#include "timeline/timeline_layout.h"

#include <algorithm>
#include <cmath>

namespace vt {

namespace {

// Adds [a, b) seconds as pixels to out, merging with the last block when nothing shows
// between them.
void AddBlock(std::vector<TimelineBlock>* out, const TimelineView& v, double a, double b, bool event) {
  const int x0 = std::clamp(static_cast<int>(std::floor(TimeToX(v, std::max(a, v.tFrom)))), 0, v.nWidth - 1);
  const int x1 = std::clamp(static_cast<int>(std::ceil(TimeToX(v, std::min(b, v.tTo)))), x0 + 1, v.nWidth);
  if (!out->empty() && x0 <= out->back().x1) {
    out->back().x1 = std::max(out->back().x1, x1);
    return;
  }
  out->push_back({x0, x1, event});
}

template <typename T, typename KindOf>
std::vector<TimelineBlock> Layout(std::span<const T> items, const TimelineView& v, KindOf isEvent) {
  std::vector<TimelineBlock> plain, events;
  if (v.nWidth <= 0 || v.Span() <= 0) return plain;
  for (const T& s : items) {
    if (s.tStart >= v.tTo) break;  // sorted by start
    if (s.tEnd <= v.tFrom || s.tEnd <= s.tStart) continue;
    const bool event = isEvent(s);
    AddBlock(event ? &events : &plain, v, s.tStart, s.tEnd, event);
  }
  plain.insert(plain.end(), events.begin(), events.end());
  return plain;
}

}  // namespace

std::vector<TimelineBlock> LayoutBlocks(std::span<const TimelineSpan> spans, const TimelineView& v) {
  return Layout(spans, v, [](const TimelineSpan& s) { return s.nKind != 0; });
}

std::vector<TimelineBlock> LayoutMarks(std::span<const TimelineMark> marks, const TimelineView& v) {
  return Layout(marks, v, [](const TimelineMark&) { return true; });
}

int CursorX(const TimelineView& v, double t) {
  if (v.nWidth <= 0 || t < v.tFrom || t > v.tTo) return -1;
  return std::clamp(static_cast<int>(std::floor(TimeToX(v, t))), 0, v.nWidth - 1);
}

}  // namespace vt
