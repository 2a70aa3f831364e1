// Which recordings a time span touches and which part of each it uses, and the parts of the span
// that nothing covers. Plain arithmetic over the record index; nothing is opened.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "export/export_time.h"
#include "recorddb/rdb_types.h"
#include "recorddb/record_db.h"

namespace vt {

struct WallInterval {
  WallTime from = 0;
  WallTime to = 0;  // exclusive
  bool operator==(const WallInterval&) const = default;
};

// One recording of a span.
struct SpanPiece {
  RDB_RECORD record{};   // as listed in the index
  std::string path;      // where its file is now
  WallTime recordStart = 0;
  WallTime recordEnd = 0;  // end as indexed (whole seconds of the file name)
  // The part of the span this recording serves: from the span's start or the recording's start,
  // to the span's end or the next recording's start, whichever comes first. A file may hold
  // frames after its indexed end; they belong to the export when no later recording has begun.
  WallTime from = 0;
  WallTime to = 0;
};

struct SpanPlan {
  WallTime from = 0;
  WallTime to = 0;
  std::vector<SpanPiece> pieces;  // in time order, without overlaps
};

using RecordPathResolver = std::function<std::string(const RDB_RECORD&)>;

// The recordings whose indexed time [tStart, tEnd) meets [from, to), wherever they are listed
// (a recording that runs past midnight is listed under its start day). resolve gives each
// record's file; null keeps the stored path.
SpanPlan PlanSpan(const RdbIndex& index, WallTime from, WallTime to, const RecordPathResolver& resolve);

// The parts of [from, to) outside every interval of covered (which may overlap and come in any
// order), in time order.
std::vector<WallInterval> UncoveredParts(WallTime from, WallTime to, std::vector<WallInterval> covered);

}  // namespace vt
