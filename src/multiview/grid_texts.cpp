#include "multiview/grid_texts.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "platform/local_time.h"

namespace vt {

std::string FormatGridTime(int64_t t) {
  const time32 s = SecondsOf(t);
  char ms[8];
  std::snprintf(ms, sizeof ms, ".%03d", static_cast<int>((t - TicksOf(s)) / (kTicksPerSecond / 1000)));
  return FormatLocalTime(s, "%Y-%m-%d %H:%M:%S") + ms;
}

std::string TileSnapshotName(int64_t t, int channel) {
  return FormatLocalTime(SecondsOf(t), "%Y%m%d-%H%M%S") + "-C" + std::to_string(channel) + ".jpg";
}

std::string UniqueFileName(const std::string& folder, const std::string& name) {
  const size_t dot = name.rfind('.');
  const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
  const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
  std::string candidate = name;
  struct stat st {};
  for (int n = 1; ::lstat((folder + "/" + candidate).c_str(), &st) == 0; ++n) candidate = stem + "-" + std::to_string(n) + ext;
  return candidate;
}

std::string DriftSummary(std::span<const TileStats> stats, std::span<const int64_t> frameTimes) {
  int64_t worst = 0, samples = 0;
  double worstFrames = 0;
  int sought = 0, keyOnly = 0;
  for (size_t i = 0; i < stats.size(); ++i) {
    const TileStats& s = stats[i];
    samples += s.nSamples;
    worst = std::max(worst, s.llWorstLag);
    if (i < frameTimes.size() && frameTimes[i] > 0)
      worstFrames = std::max(worstFrames, static_cast<double>(s.llWorstLag) / static_cast<double>(frameTimes[i]));
    if (s.nResyncs > 0) ++sought;
    if (s.bKeyOnly) ++keyOnly;
  }
  if (samples == 0) return {};
  char line[160];
  std::snprintf(line, sizeof line, "Worst drift %lld ms (%.1f frames)", static_cast<long long>(worst / 10000), worstFrames);
  std::string out = line;
  if (sought) out += ", " + std::to_string(sought) + (sought == 1 ? " tile" : " tiles") + " caught up by seeking";
  if (keyOnly) out += ", " + std::to_string(keyOnly) + (keyOnly == 1 ? " tile" : " tiles") + " on key frames only";
  return out;
}

}  // namespace vt
