// What the day timeline shows: per camera a row of recordings (blocks) and event marks, in time
// values (seconds since 1970). Several rows share one clock, one per camera shown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace vt {

// One recording.
struct TimelineSpan {
  time32 tStart = 0;
  time32 tEnd = 0;    // greater than tStart
  int32_t nKind = 0;  // kind digit of the record's file name; non-zero is an event recording
  bool operator==(const TimelineSpan&) const = default;
};

// One event recorded inside a recording's file.
struct TimelineMark {
  time32 tStart = 0;
  time32 tEnd = 0;
  bool operator==(const TimelineMark&) const = default;
};

// One camera's row.
struct TimelineRow {
  std::string strLabel;
  int nChannel = -1;                  // 0-15, -1 when unknown
  std::vector<TimelineSpan> spans;    // sorted by start
  std::vector<TimelineMark> marks;    // sorted by start
};

// A local calendar day: midnight to the next midnight (23 or 25 hours on the days the clocks
// change).
struct DayRange {
  time32 tStart = 0;
  time32 tEnd = 0;
  bool operator==(const DayRange&) const = default;
  bool Contains(double t) const { return t >= tStart && t < tEnd; }
};

// The local day that holds t.
DayRange LocalDayOf(time32 t);

}  // namespace vt
