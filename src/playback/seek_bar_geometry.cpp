#include "playback/seek_bar_geometry.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace vt {

namespace {

// double -> int by truncation, saturated so huge frame numbers cannot overflow.
int ClampToInt(double v) {
  if (!(v == v)) return 0;
  if (v >= static_cast<double>(INT_MAX / 2)) return INT_MAX / 2;
  if (v <= static_cast<double>(INT_MIN / 2)) return INT_MIN / 2;
  return static_cast<int>(v);
}

}  // namespace

SeekTrack ComputeSeekTrack(int cx, const SeekBarSizes& s, uint32_t range) {
  SeekTrack t;
  t.trackStart = s.leftCap + s.prev;
  t.nextX = cx - s.next - s.rightCap;
  t.trackEnd = cx - s.next - s.thumb - s.rightCap;
  t.trackLen = t.trackEnd - t.trackStart;
  t.step = (range > 1 && t.trackLen > 0) ? static_cast<double>(t.trackLen) / static_cast<double>(range - 1) : 0.0;
  return t;
}

int SeekThumbX(const SeekTrack& t, uint32_t pos, uint32_t range) {
  if (pos == range) return t.trackEnd;
  const double x = (static_cast<double>(pos) - 1.0) * t.step + t.trackStart;
  return std::max(ClampToInt(x), t.trackStart);
}

uint32_t SeekPosFromX(const SeekTrack& t, int x, int dragOffset, uint32_t range) {
  int64_t d = static_cast<int64_t>(x) - dragOffset;
  d = d >= t.trackStart ? d - t.trackStart : 0;
  if (t.trackLen <= 0) return d > 0 ? std::max<uint32_t>(range, 1) : 1;
  const double p = static_cast<double>(d) / t.trackLen * range;
  if (p >= static_cast<double>(UINT32_MAX - 1)) return UINT32_MAX;
  return static_cast<uint32_t>(p) + 1;
}

uint32_t SeekPosAtTrackX(const SeekTrack& t, int x, int thumbWidth, uint32_t range) {
  if (range <= 1 || t.step <= 0) return std::max<uint32_t>(range, 1);
  const double guess = std::round((x - thumbWidth / 2.0 - t.trackStart) / t.step) + 1;
  const uint32_t p = static_cast<uint32_t>(std::clamp(guess, 1.0, static_cast<double>(range)));
  // Thumbs stand at whole pixels: of the neighbours, the one drawn nearest to x.
  uint32_t best = p;
  int bestDistance = INT_MAX;
  for (uint32_t q = p > 1 ? p - 1 : p; q <= std::min(p + 1, range); ++q) {
    const int distance = std::abs(SeekThumbX(t, q, range) + thumbWidth / 2 - x);
    if (distance < bestDistance) {
      best = q;
      bestDistance = distance;
    }
  }
  return best;
}

std::optional<SeekStrip> SeekTrailStrip(int a, int b, int w) {
  if (a == b) return std::nullopt;
  if (b < a) {
    if (b + w <= a) return SeekStrip{a, w};
    return SeekStrip{b + w, a - b + 1};
  }
  if (b >= a + w) return SeekStrip{a, w};
  return SeekStrip{a, b - a};
}

SeekMarks ComputeSeekMarks(const SeekTrack& t, int thumbWidth, const std::vector<std::pair<uint32_t, uint32_t>>& events) {
  SeekMarks m;
  const int half = thumbWidth / 2;
  const int base = t.trackStart + half;
  m.baseline = {base, t.trackEnd + half};
  m.marks.reserve(events.size());
  for (const auto& [s, e] : events) {
    const int left = ClampToInt(std::trunc(s * t.step) + base);
    const int right = std::min(ClampToInt(std::trunc(e * t.step) + base), t.trackEnd);
    m.marks.push_back({left, right});
  }
  return m;
}

}  // namespace vt
