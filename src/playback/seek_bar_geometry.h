// The seek bar's arithmetic: where the track lies, where the thumb stands for a position, which
// position a drag means, which strip the moving thumb uncovers and where the event marks go.
// Positions are frame numbers from 1 to the range; x values are pixels in the bar.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace vt {

// Sizes of the bar's bitmaps that the geometry depends on.
struct SeekBarSizes {
  int leftCap = 0;
  int rightCap = 0;
  int prev = 0;   // one frame of the previous element
  int next = 0;   // one frame of the next element
  int thumb = 0;  // one frame of the thumb
};

struct SeekTrack {
  int trackStart = 100;  // thumb's left edge at position 1
  int trackEnd = 0;      // thumb's left edge at the last position
  int trackLen = 100;    // trackEnd - trackStart
  double step = 100.0;   // pixels per position
  int nextX = 0;         // x of the next element
};

// Track of a bar cx wide for the given range. A range of 0 or 1, or a track of no length (a bar
// narrower than its caps and elements), gives a step of 0 instead of a division by zero.
SeekTrack ComputeSeekTrack(int cx, const SeekBarSizes& sizes, uint32_t range);

// x of the thumb's left edge: trackEnd at the last position, else (pos - 1) * step from
// trackStart, never left of trackStart.
int SeekThumbX(const SeekTrack& track, uint32_t pos, uint32_t range);

// Position for a drag to cursor x, the press offset taken off, before clamping to the range
// (so it may exceed range; never below 1).
uint32_t SeekPosFromX(const SeekTrack& track, int x, int dragOffset, uint32_t range);

// A click on the bare track: the position whose thumb centre lies nearest to x, 1 to range.
uint32_t SeekPosAtTrackX(const SeekTrack& track, int x, int thumbWidth, uint32_t range);
// True when x lies on the track, where the thumb can stand (between the previous and next
// elements).
inline bool SeekOnTrack(const SeekTrack& track, int x, int thumbWidth) {
  return x >= track.trackStart && x < track.trackEnd + thumbWidth;
}

// The strip (x, width) the thumb (thumbWidth wide) leaves when it moves from a to b; none when it
// did not move.
struct SeekStrip {
  int x = 0;
  int width = 0;
  bool operator==(const SeekStrip&) const = default;
};
std::optional<SeekStrip> SeekTrailStrip(int a, int b, int thumbWidth);

// Event marks along the top edge: the green baseline and a red span per (start, end) pair of
// 0-based frame numbers; a mark is cut at trackEnd.
struct SeekMarkRect {
  int left = 0;
  int right = 0;
  bool operator==(const SeekMarkRect&) const = default;
};
struct SeekMarks {
  SeekMarkRect baseline;
  std::vector<SeekMarkRect> marks;
};
constexpr int kSeekMarkHeight = 2;
SeekMarks ComputeSeekMarks(const SeekTrack& track, int thumbWidth, const std::vector<std::pair<uint32_t, uint32_t>>& events);

// The previous/next element's new position on a press: previous moves back while above 1, next
// moves forward (the caller clamps to the range).
inline uint32_t SeekPrevPos(uint32_t pos) { return pos >= 2 ? pos - 1 : pos; }
// The Next Frame command stops one position before the last.
inline bool SeekNextFrameMoves(uint32_t pos, uint32_t range) { return static_cast<uint64_t>(pos) + 1 < range; }

}  // namespace vt
