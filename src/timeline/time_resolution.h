// Which recording a time belongs to: the one that holds it, or the nearest ones before and
// after it. One camera's recordings in start order, across day folders (a recording that runs
// past midnight holds times of the next day).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "recorddb/record_db.h"
#include "timeline/timeline_types.h"

namespace vt {

struct TimeResolution {
  enum Kind { kEmpty, kInside, kGap, kBeforeFirst, kAfterLast };
  Kind kind = kEmpty;
  int nRecord = -1;      // kInside: the recording that holds the time
  int nBefore = -1;      // nearest recording that ended at or before the time (kGap, kAfterLast)
  int nAfter = -1;       // nearest recording that starts after the time (kGap, kBeforeFirst)
  int64_t llOffset = 0;  // kInside: 100 ns from the recording's start
  bool operator==(const TimeResolution&) const = default;
};

// seq sorted by start; t in seconds (fractions allowed).
TimeResolution ResolveTime(std::span<const TimelineSpan> seq, double t);

// What a click at t opens: the recording that holds t at that point, else the next one after
// the gap at its start. False when nothing comes after t.
bool ClickTarget(std::span<const TimelineSpan> seq, double t, int* record, int64_t* offset);

// Every recording of the index, sorted by start (the tree's day order is the same except
// around clock changes).
std::vector<TimelineSpan> CollectSpans(const RdbIndex& index);
// The same, with each span's record of the index in *records (same order; valid while the index
// is not changed).
std::vector<TimelineSpan> CollectSpans(const RdbIndex& index, std::vector<const RDB_RECORD*>* records);

// Indexes [*first, *last) of the recordings that meet [from, to).
void SpansMeeting(std::span<const TimelineSpan> seq, double from, double to, size_t* first, size_t* last);

// Index of the recording that starts at tStart, -1 when none.
int FindSpanStart(std::span<const TimelineSpan> seq, time32 tStart);

}  // namespace vt
