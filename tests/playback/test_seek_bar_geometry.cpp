#include "playback/seek_bar_geometry.h"

#include <gtest/gtest.h>

namespace vt {
namespace {

// Caps 4, previous and next 10, thumb 8: track from 14 to cx - 26.
const SeekBarSizes kSizes{4, 4, 10, 10, 8};

TEST(SeekTrack, FromTheBarWidthAndRange) {
  const SeekTrack t = ComputeSeekTrack(222, kSizes, 101);
  EXPECT_EQ(t.trackStart, 14);
  EXPECT_EQ(t.trackEnd, 200);
  EXPECT_EQ(t.trackLen, 186);
  EXPECT_EQ(t.nextX, 208);
  EXPECT_DOUBLE_EQ(t.step, 1.86);
}

TEST(SeekTrack, DegenerateRangesAndBarsNeverDivideByZero) {
  for (uint32_t range : {0u, 1u}) {
    const SeekTrack t = ComputeSeekTrack(222, kSizes, range);
    EXPECT_EQ(t.step, 0.0);
    EXPECT_EQ(SeekThumbX(t, range, range), t.trackEnd);  // position = range: at the track end
    EXPECT_GE(SeekPosFromX(t, 300, 0, range), 1u);
  }
  // Narrower than caps and elements: negative track, no step.
  const SeekTrack narrow = ComputeSeekTrack(20, kSizes, 100);
  EXPECT_LT(narrow.trackLen, 0);
  EXPECT_EQ(narrow.step, 0.0);
  EXPECT_EQ(SeekThumbX(narrow, 50, 100), narrow.trackStart);
  EXPECT_EQ(SeekPosFromX(narrow, 0, 0, 100), 1u);
  EXPECT_EQ(SeekPosFromX(narrow, 500, 0, 100), 100u);
  const SeekTrack flat = ComputeSeekTrack(36, kSizes, 100);  // track of no length
  EXPECT_EQ(flat.trackLen, 0);
  EXPECT_EQ(SeekPosFromX(flat, 20, 0, 100), 100u);
}

// A click on the track goes to the position whose thumb centre is under the mouse: where the
// thumb of every position is drawn, a click there comes back to that very position.
TEST(SeekTrackClick, EveryThumbCentreClicksBackToItsPosition) {
  for (uint32_t range : {2u, 25u, 101u, 186u}) {
    const SeekTrack t = ComputeSeekTrack(222, kSizes, range);
    for (uint32_t p = 1; p <= range; ++p)
      EXPECT_EQ(SeekPosAtTrackX(t, SeekThumbX(t, p, range) + kSizes.thumb / 2, kSizes.thumb, range), p)
          << range << " " << p;
  }
  // More positions than pixels: still in order and within the range.
  const SeekTrack dense = ComputeSeekTrack(222, kSizes, 5000);
  uint32_t last = 1;
  for (int x = 0; x < 240; ++x) {
    const uint32_t p = SeekPosAtTrackX(dense, x, kSizes.thumb, 5000);
    EXPECT_GE(p, last);
    EXPECT_LE(p, 5000u);
    last = p;
  }
  EXPECT_EQ(last, 5000u);
  for (uint32_t range : {0u, 1u}) EXPECT_EQ(SeekPosAtTrackX(ComputeSeekTrack(222, kSizes, range), 100, 8, range), 1u);
  // The track runs from the thumb's first place to the end of its last one.
  const SeekTrack t = ComputeSeekTrack(222, kSizes, 101);
  EXPECT_FALSE(SeekOnTrack(t, 13, kSizes.thumb));
  EXPECT_TRUE(SeekOnTrack(t, 14, kSizes.thumb));
  EXPECT_TRUE(SeekOnTrack(t, 207, kSizes.thumb));
  EXPECT_FALSE(SeekOnTrack(t, 208, kSizes.thumb));
}

TEST(SeekThumbX, PositionsOneRangeAndBetween) {
  const SeekTrack t = ComputeSeekTrack(222, kSizes, 101);
  struct Case {
    uint32_t pos;
    int want;
  };
  const Case cases[] = {
      {1, 14}, {2, 15}, {3, 17}, {51, 107}, {100, 198}, {101, 200},
  };
  for (const Case& c : cases) EXPECT_EQ(SeekThumbX(t, c.pos, 101), c.want) << c.pos;
  // Non-integral steps truncate; the last position is exactly the track end, not (range-1)*step.
  const SeekTrack odd = ComputeSeekTrack(222, kSizes, 7);  // step 31
  EXPECT_EQ(SeekThumbX(odd, 7, 7), 200);
  const SeekTrack third = ComputeSeekTrack(223, kSizes, 4);  // 187 / 3 = 62.33
  EXPECT_EQ(SeekThumbX(third, 2, 4), 14 + 62);
  EXPECT_EQ(SeekThumbX(third, 4, 4), 201);
}

TEST(SeekPosFromX, DragTakesThePressOffsetOffAndIsClampedByTheCaller) {
  const SeekTrack t = ComputeSeekTrack(222, kSizes, 101);
  struct Case {
    int x, offset;
    uint32_t want;
  };
  const Case cases[] = {
      {14, 0, 1},    {0, 0, 1},       {-500, 3, 1},  // left of the track: position 1
      {17, 3, 1},    {107, 0, 51},    {200, 0, 102},  // (186 / 186) * 101 + 1, clamped later
      {5000, 0, 2708},
  };
  for (const Case& c : cases) EXPECT_EQ(SeekPosFromX(t, c.x, c.offset, 101), c.want) << c.x;
}

TEST(SeekTrailStrip, BothDirections) {
  struct Case {
    int a, b, w;
    std::optional<SeekStrip> want;
  };
  const Case cases[] = {
      {50, 50, 8, std::nullopt},
      {50, 53, 8, SeekStrip{50, 3}},   // right, overlapping: the uncovered left part
      {50, 58, 8, SeekStrip{50, 8}},   // right, by a whole thumb: the old thumb
      {50, 90, 8, SeekStrip{50, 8}},
      {50, 47, 8, SeekStrip{55, 4}},   // left, overlapping: from the new right edge, one extra pixel
      {50, 42, 8, SeekStrip{50, 8}},   // left, by a whole thumb
      {50, 10, 8, SeekStrip{50, 8}},
  };
  for (const Case& c : cases) EXPECT_EQ(SeekTrailStrip(c.a, c.b, c.w), c.want) << c.a << "->" << c.b;
}

TEST(SeekMarks, RedOverGreenCutAtTheTrackEnd) {
  const SeekTrack t = ComputeSeekTrack(222, kSizes, 101);  // step 1.86, start 14, end 200
  const SeekMarks m = ComputeSeekMarks(t, 8, {{0, 10}, {50, 60}, {90, 500}, {0xFFFFFFF0u, 0xFFFFFFFFu}});
  EXPECT_EQ(m.baseline, (SeekMarkRect{18, 204}));
  ASSERT_EQ(m.marks.size(), 4u);
  EXPECT_EQ(m.marks[0], (SeekMarkRect{18, 18 + 18}));  // 10 * 1.86 = 18.6 -> 18
  EXPECT_EQ(m.marks[1], (SeekMarkRect{18 + 93, 18 + 111}));
  EXPECT_EQ(m.marks[2], (SeekMarkRect{18 + 167, 200}));  // cut at the track end
  EXPECT_EQ(m.marks[3].right, 200);                        // huge frames saturate, no overflow
  EXPECT_GE(m.marks[3].left, m.marks[3].right);            // drawn as nothing
}

TEST(SeekSteps, PreviousStopsAtOneNextFrameBeforeTheLast) {
  EXPECT_EQ(SeekPrevPos(1), 1u);
  EXPECT_EQ(SeekPrevPos(2), 1u);
  EXPECT_TRUE(SeekNextFrameMoves(98, 100));
  EXPECT_FALSE(SeekNextFrameMoves(99, 100));
  EXPECT_FALSE(SeekNextFrameMoves(1, 1));
  EXPECT_FALSE(SeekNextFrameMoves(0xFFFFFFFFu, 0xFFFFFFFFu));
}

}  // namespace
}  // namespace vt
