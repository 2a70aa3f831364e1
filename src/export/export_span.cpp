#include "export/export_span.h"

#include <algorithm>
#include <cstring>

namespace vt {

SpanPlan PlanSpan(const RdbIndex& index, WallTime from, WallTime to, const RecordPathResolver& resolve) {
  SpanPlan plan;
  plan.from = from;
  plan.to = to;
  if (to <= from) return plan;
  std::vector<const RDB_RECORD*> hits;
  for (const RdbYear& y : index.years)
    for (const RdbMonth& m : y.months)
      for (const RdbDay& d : m.days)
        for (const RDB_RECORD& r : d.records)
          if (WallFromTime32(r.tStart) < to && WallFromTime32(r.tEnd) > from && r.tEnd > r.tStart) hits.push_back(&r);
  std::stable_sort(hits.begin(), hits.end(), [](const RDB_RECORD* a, const RDB_RECORD* b) { return a->tStart < b->tStart; });
  for (size_t i = 0; i < hits.size(); ++i) {
    const RDB_RECORD& r = *hits[i];
    SpanPiece p;
    p.record = r;
    p.path = resolve ? resolve(r) : std::string(r.szFilePath, strnlen(r.szFilePath, sizeof r.szFilePath));
    p.recordStart = WallFromTime32(r.tStart);
    p.recordEnd = WallFromTime32(r.tEnd);
    p.from = std::max(from, p.recordStart);
    p.to = i + 1 < hits.size() ? std::min(to, WallFromTime32(hits[i + 1]->tStart)) : to;
    // An index written elsewhere may hold overlapping recordings: the earlier one keeps the time.
    if (!plan.pieces.empty()) p.from = std::max(p.from, plan.pieces.back().to);
    if (p.to > p.from) plan.pieces.push_back(std::move(p));
  }
  return plan;
}

std::vector<WallInterval> UncoveredParts(WallTime from, WallTime to, std::vector<WallInterval> covered) {
  std::vector<WallInterval> out;
  std::sort(covered.begin(), covered.end(), [](const WallInterval& a, const WallInterval& b) { return a.from < b.from; });
  WallTime at = from;
  for (const WallInterval& c : covered) {
    if (c.to <= at || c.to <= c.from) continue;
    if (c.from >= to) break;
    if (c.from > at) out.push_back({at, c.from});
    at = std::max(at, c.to);
    if (at >= to) break;
  }
  if (at < to) out.push_back({at, to});
  return out;
}

}  // namespace vt
