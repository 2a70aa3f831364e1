// Progress of long work over files (copying, deleting, scanning): what is done of the total,
// the speed and the time left, as plain values and the text the progress dialog shows.
#pragma once

#include <cstdint>
#include <string>

namespace vt {

struct WorkProgress {
  int64_t files = 0;
  int64_t totalFiles = 0;  // 0: not known (a scan)
  uint64_t bytes = 0;
  uint64_t totalBytes = 0;  // 0: the work is counted in files only
  double elapsedSeconds = 0;
};

// "m:ss", or "h:mm:ss" from an hour on; negative counts as 0.
std::string FormatClock(double seconds);
// Seconds left for done of total at the rate so far; -1 when there is nothing to go on yet.
double EstimateSecondsLeft(double done, double total, double elapsedSeconds);
// By bytes when their total is known, else by files; -1 without a total.
double WorkSecondsLeft(const WorkProgress& p);
// Bytes per second so far; 0 before any time has passed.
double WorkBytesPerSecond(const WorkProgress& p);
// "1.5 MB" (powers of 1024, one decimal from KB on).
std::string FormatBytes(uint64_t bytes);
// "3 of 12 files, 1.5 MB of 6.0 MB, 2.0 MB/s, 0:03 left"; parts without a total or a rate are
// left out ("41 files" while a scan counts).
std::string FormatWorkProgress(const WorkProgress& p);
// Position of the progress bar in 0..scale; -1 when the total is not known (a busy bar).
int WorkProgressPosition(const WorkProgress& p, int scale);

}  // namespace vt
