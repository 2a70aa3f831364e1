#include "longwork/work_progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vt {

std::string FormatClock(double seconds) {
  const auto s = static_cast<long long>(std::llround(std::max(0.0, seconds)));
  char buf[32];
  if (s >= 3600)
    std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(buf, sizeof buf, "%lld:%02lld", s / 60, s % 60);
  return buf;
}

double EstimateSecondsLeft(double done, double total, double elapsedSeconds) {
  if (done <= 0 || elapsedSeconds <= 0 || total <= 0) return -1;
  return std::max(0.0, total - done) * elapsedSeconds / done;
}

double WorkSecondsLeft(const WorkProgress& p) {
  if (p.totalBytes > 0)
    return EstimateSecondsLeft(static_cast<double>(p.bytes), static_cast<double>(p.totalBytes), p.elapsedSeconds);
  return EstimateSecondsLeft(static_cast<double>(p.files), static_cast<double>(p.totalFiles), p.elapsedSeconds);
}

double WorkBytesPerSecond(const WorkProgress& p) {
  return p.elapsedSeconds > 0 ? static_cast<double>(p.bytes) / p.elapsedSeconds : 0;
}

std::string FormatBytes(uint64_t bytes) {
  static const char* const kUnits[] = {"KB", "MB", "GB", "TB"};
  if (bytes < 1024) return std::to_string(bytes) + " B";
  double v = static_cast<double>(bytes) / 1024;
  size_t unit = 0;
  while (v >= 1024 && unit + 1 < std::size(kUnits)) {
    v /= 1024;
    ++unit;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f %s", v, kUnits[unit]);
  return buf;
}

std::string FormatWorkProgress(const WorkProgress& p) {
  std::string text = std::to_string(p.files);
  const int64_t totalFiles = p.totalFiles > 0 ? std::max(p.totalFiles, p.files) : 0;
  if (totalFiles > 0) text += " of " + std::to_string(totalFiles);
  text += (totalFiles > 0 ? totalFiles : p.files) == 1 ? " file" : " files";
  if (p.totalBytes > 0)
    text += ", " + FormatBytes(p.bytes) + " of " + FormatBytes(std::max(p.totalBytes, p.bytes));
  else if (p.bytes > 0)
    text += ", " + FormatBytes(p.bytes);
  const double rate = WorkBytesPerSecond(p);
  if (rate > 0) text += ", " + FormatBytes(static_cast<uint64_t>(std::llround(rate))) + "/s";
  const double left = WorkSecondsLeft(p);
  if (left >= 0) text += ", " + FormatClock(left) + " left";
  return text;
}

int WorkProgressPosition(const WorkProgress& p, int scale) {
  double fraction = -1;
  if (p.totalBytes > 0)
    fraction = static_cast<double>(p.bytes) / static_cast<double>(p.totalBytes);
  else if (p.totalFiles > 0)
    fraction = static_cast<double>(p.files) / static_cast<double>(p.totalFiles);
  if (fraction < 0) return -1;
  return static_cast<int>(std::lround(std::clamp(fraction, 0.0, 1.0) * scale));
}

}  // namespace vt
