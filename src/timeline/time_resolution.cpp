#include "timeline/time_resolution.h"

#include <algorithm>
#include <cmath>

namespace vt {

namespace {
constexpr double kUnitsPerSecond = 10000000.0;  // 100 ns
}

TimeResolution ResolveTime(std::span<const TimelineSpan> seq, double t) {
  TimeResolution r;
  if (seq.empty()) return r;
  const auto it = std::upper_bound(seq.begin(), seq.end(), t, [](double x, const TimelineSpan& s) { return x < s.tStart; });
  const size_t after = static_cast<size_t>(it - seq.begin());
  // The latest-starting recording that still runs at t holds it; an index written by another
  // program may hold overlapping recordings, so earlier ones are looked at too.
  time32 bestEnd = 0;
  for (size_t i = after; i-- > 0;) {
    if (t < seq[i].tEnd) {
      r.kind = TimeResolution::kInside;
      r.nRecord = static_cast<int>(i);
      r.llOffset = static_cast<int64_t>(std::floor((t - seq[i].tStart) * kUnitsPerSecond));
      return r;
    }
    if (r.nBefore < 0 || seq[i].tEnd > bestEnd) {
      r.nBefore = static_cast<int>(i);
      bestEnd = seq[i].tEnd;
    }
  }
  if (after < seq.size()) r.nAfter = static_cast<int>(after);
  r.kind = after == 0 ? TimeResolution::kBeforeFirst
                      : (after == seq.size() ? TimeResolution::kAfterLast : TimeResolution::kGap);
  return r;
}

bool ClickTarget(std::span<const TimelineSpan> seq, double t, int* record, int64_t* offset) {
  const TimeResolution r = ResolveTime(seq, t);
  if (r.kind == TimeResolution::kInside) {
    *record = r.nRecord;
    *offset = r.llOffset;
    return true;
  }
  if (r.nAfter < 0) return false;
  *record = r.nAfter;
  *offset = 0;
  return true;
}

std::vector<TimelineSpan> CollectSpans(const RdbIndex& index) { return CollectSpans(index, nullptr); }

std::vector<TimelineSpan> CollectSpans(const RdbIndex& index, std::vector<const RDB_RECORD*>* records) {
  std::vector<const RDB_RECORD*> all;
  for (const auto& y : index.years)
    for (const auto& m : y.months)
      for (const auto& d : m.days)
        for (const auto& r : d.records) all.push_back(&r);
  std::stable_sort(all.begin(), all.end(), [](const RDB_RECORD* a, const RDB_RECORD* b) { return a->tStart < b->tStart; });
  std::vector<TimelineSpan> out;
  out.reserve(all.size());
  for (const RDB_RECORD* r : all) out.push_back({r->tStart, r->tEnd, r->nKind});
  if (records) *records = std::move(all);
  return out;
}

void SpansMeeting(std::span<const TimelineSpan> seq, double from, double to, size_t* first, size_t* last) {
  auto startsBefore = [](const TimelineSpan& s, double x) { return s.tStart < x; };
  size_t i = static_cast<size_t>(std::lower_bound(seq.begin(), seq.end(), from, startsBefore) - seq.begin());
  // Recordings that began earlier and still run at from (the one across midnight).
  while (i > 0 && seq[i - 1].tEnd > from) --i;
  *first = i;
  *last = std::max(i, static_cast<size_t>(std::lower_bound(seq.begin(), seq.end(), to, startsBefore) - seq.begin()));
}

int FindSpanStart(std::span<const TimelineSpan> seq, time32 tStart) {
  auto it = std::lower_bound(seq.begin(), seq.end(), tStart,
                             [](const TimelineSpan& s, time32 x) { return s.tStart < x; });
  return it != seq.end() && it->tStart == tStart ? static_cast<int>(it - seq.begin()) : -1;
}

}  // namespace vt
