// Where the day timeline draws a row: recordings as pixel blocks (neighbours closer than a
// pixel merge, so a thousand recordings give at most a block per pixel and kind; any gap of a
// pixel or more stays visible), and event marks the same way.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "timeline/timeline_geometry.h"

namespace vt {

struct TimelineBlock {
  int x0 = 0;        // first pixel
  int x1 = 0;        // one past the last pixel (x1 > x0)
  bool bEvent = false;  // event recordings (kind != 0) get their own colour
  bool operator==(const TimelineBlock&) const = default;
};

// Blocks of the spans (sorted by start) that meet the view, clipped to [0, nWidth). Plain
// recordings come first, then event recordings, so events drawn last stay visible.
std::vector<TimelineBlock> LayoutBlocks(std::span<const TimelineSpan> spans, const TimelineView& v);
// The same for event marks (all of one kind).
std::vector<TimelineBlock> LayoutMarks(std::span<const TimelineMark> marks, const TimelineView& v);

// x of the position cursor, or -1 when t lies outside the view.
int CursorX(const TimelineView& v, double t);

}  // namespace vt
