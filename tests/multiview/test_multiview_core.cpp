// The side-by-side grid's arithmetic: cells over an area and the grid as one picture, the common
// clock (lead, rates, pause), which recording and frame of each camera a time falls on, where
// the grid's frame steps go across cameras with different frame rates and gaps, and when a tile
// that falls behind is sought or put on key frames.
#include <gtest/gtest.h>

#include <vector>

#include "multiview/camera_frames.h"
#include "multiview/common_clock.h"
#include "multiview/drift_watch.h"
#include "multiview/grid_choice.h"
#include "multiview/grid_geometry.h"
#include "multiview/grid_texts.h"
#include "common/scoped_tz.h"
#include "common/temp_dir.h"

#include <fstream>

namespace vt {
namespace {

constexpr int64_t kSec = kTicksPerSecond;
constexpr int64_t kMs = kSec / 1000;
constexpr int64_t kNsPerMs = 1000000;
constexpr time32 kS = 1715335200;  // 2024-05-10 10:00:00 UTC
constexpr int64_t S = static_cast<int64_t>(kS) * kSec;

TEST(GridGeometry, TileCountsRoundUpToTheSquareSizes) {
  const int cases[][3] = {{-3, 1, 1}, {0, 1, 1}, {1, 1, 1}, {2, 4, 2}, {4, 4, 2}, {5, 9, 3}, {9, 9, 3}, {10, 16, 4}, {16, 16, 4}, {40, 16, 4}};
  for (const auto& c : cases) {
    EXPECT_EQ(NormalizeGridSize(c[0]), c[1]) << c[0];
    EXPECT_EQ(GridColumns(c[0]), c[2]) << c[0];
  }
}

TEST(GridGeometry, CellsFillTheAreaExactlyWithGapsBetween) {
  const GridRect areas[] = {{0, 0, 100, 100}, {10, 20, 101, 50}, {5, 5, 641, 479}};
  for (const GridRect& area : areas) {
    for (int tiles : kGridSizes) {
      const int cols = GridColumns(tiles);
      long long covered = 0;
      for (int i = 0; i < tiles; ++i) {
        const GridRect c = GridCell(area, tiles, kGridGap, i);
        covered += static_cast<long long>(c.w) * c.h;
        const int col = i % cols, row = i / cols;
        if (col == 0) { EXPECT_EQ(c.x, area.x); }
        if (row == 0) { EXPECT_EQ(c.y, area.y); }
        if (col == cols - 1) { EXPECT_EQ(c.x + c.w, area.x + area.w) << tiles << " " << i; }
        if (row == cols - 1) { EXPECT_EQ(c.y + c.h, area.y + area.h); }
        if (col > 0) {
          const GridRect left = GridCell(area, tiles, kGridGap, i - 1);
          EXPECT_EQ(c.x, left.x + left.w + kGridGap);
        }
        if (row > 0) {
          const GridRect up = GridCell(area, tiles, kGridGap, i - cols);
          EXPECT_EQ(c.y, up.y + up.h + kGridGap);
        }
        // Sizes differ by one pixel at most.
        EXPECT_LE(std::abs(c.w - GridCell(area, tiles, kGridGap, 0).w), 1);
      }
      const int free = area.w - (cols - 1) * kGridGap, freeH = area.h - (cols - 1) * kGridGap;
      EXPECT_EQ(covered, static_cast<long long>(std::max(0, free)) * std::max(0, freeH)) << tiles;
    }
  }
  EXPECT_TRUE(GridCell({0, 0, 100, 100}, 4, kGridGap, 4).Empty());
  EXPECT_TRUE(GridCell({0, 0, 100, 100}, 4, kGridGap, -1).Empty());
  EXPECT_TRUE(GridCell({0, 0, 0, 100}, 4, kGridGap, 0).Empty());
  // Too small for the gaps: no cell reaches outside the area.
  for (int i = 0; i < 16; ++i) {
    const GridRect c = GridCell({0, 0, 3, 3}, 16, kGridGap, i);
    EXPECT_TRUE(c.Empty() || (c.x + c.w <= 3 && c.y + c.h <= 3)) << i;
  }
}

TEST(GridGeometry, TheCellUnderAPointAndNoneInAGap) {
  const GridRect area{0, 0, 102, 102};  // 2 x 2 cells of 50, gap 2 at 50..51
  struct {
    int x, y, cell;
  } cases[] = {{0, 0, 0}, {49, 49, 0}, {50, 10, -1}, {52, 10, 1}, {10, 52, 2}, {101, 101, 3}, {102, 10, -1}, {-1, 0, -1}};
  for (const auto& c : cases) EXPECT_EQ(GridCellAt(area, 4, kGridGap, c.x, c.y), c.cell) << c.x << "," << c.y;
}

TEST(GridGeometry, PicturesKeepTheirShapeCentredInTheCell) {
  struct {
    GridRect cell;
    int w, h;
    GridRect fit;
  } cases[] = {
      {{0, 0, 400, 200}, 720, 576, {75, 0, 250, 200}},    // pillarbox
      {{10, 10, 360, 400}, 720, 576, {10, 66, 360, 288}},  // letterbox
      {{0, 0, 352, 288}, 352, 288, {0, 0, 352, 288}},      // exact
      {{0, 0, 100, 100}, 0, 576, {}},
      {{0, 0, 0, 100}, 720, 576, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(FitPicture(c.cell, c.w, c.h), c.fit) << c.w << "x" << c.h;
}

TEST(GridGeometry, TheGridPictureTakesTheLargestTile) {
  const PictureSize mixed[] = {{720, 576}, {352, 288}, {0, 0}, {704, 600}};
  const GridPictureLayout l = GridPictureSize(4, mixed, kGridGap);
  EXPECT_EQ(l.cellWidth, 720);
  EXPECT_EQ(l.cellHeight, 600);
  EXPECT_EQ(l.width, 2 * 720 + kGridGap);
  EXPECT_EQ(l.height, 2 * 600 + kGridGap);
  const GridPictureLayout none = GridPictureSize(9, {}, kGridGap);
  EXPECT_EQ(none.cellWidth, kGridPictureDefaultWidth);
  EXPECT_EQ(none.width, 3 * kGridPictureDefaultWidth + 2 * kGridGap);
}

TEST(CommonClock, HoldsForTheLeadThenRunsAtTheRate) {
  for (double rate : {0.0625, 0.125, 0.25, 0.5, 1.0, 2.0, 4.0, 8.0, 16.0}) {
    CCommonClock c;
    c.Set(S + 123);
    EXPECT_FALSE(c.IsRunning());
    const int64_t mono = 5'000'000'000;
    const int64_t due = c.Run(mono, rate, 250 * kNsPerMs);
    EXPECT_EQ(due, mono + 250 * kNsPerMs);
    EXPECT_EQ(c.Now(mono + 100 * kNsPerMs), S + 123);  // still held
    // An hour later, exact to the 100 ns unit.
    const int64_t hour = 3600LL * 1000 * kNsPerMs;
    EXPECT_EQ(c.Now(due + hour), S + 123 + static_cast<int64_t>(3600 * kSec * rate)) << rate;
    EXPECT_EQ(c.MonoAt(S + 123 + static_cast<int64_t>(3600 * kSec * rate)), due + hour) << rate;
    EXPECT_EQ(c.MonoAt(S), due);  // before the start: the start
  }
}

TEST(CommonClock, PauseFreezesAndARateChangeGoesOnFromTheSameTime) {
  CCommonClock c;
  c.Set(S);
  const int64_t due = c.Run(0, 1.0, 100 * kNsPerMs);
  const int64_t paused = c.Pause(due + 1000 * kNsPerMs);
  EXPECT_EQ(paused, S + kSec);
  EXPECT_EQ(c.Now(due + 5000 * kNsPerMs), S + kSec);  // frozen
  const int64_t due2 = c.Run(due + 6000 * kNsPerMs, 1.0, 0);
  EXPECT_EQ(c.Now(due2 + 500 * kNsPerMs), S + kSec + 500 * kMs);
  // x4 while running: the time reached stays for the lead, then runs four times as fast.
  const int64_t at = due2 + 1000 * kNsPerMs;
  const int64_t due3 = c.Run(at, 4.0, 200 * kNsPerMs);
  EXPECT_EQ(c.Now(at + 100 * kNsPerMs), S + 2 * kSec);
  EXPECT_EQ(c.Now(due3 + 1000 * kNsPerMs), S + 6 * kSec);
  EXPECT_EQ(c.Rate(), 4.0);
}

TEST(CommonClock, SecondsOfTicksRoundDown) {
  EXPECT_EQ(SecondsOf(S), kS);
  EXPECT_EQ(SecondsOf(S - 1), kS - 1);
  EXPECT_EQ(SecondsOf(S + kSec - 1), kS);
  EXPECT_EQ(SecondsOf(-1), -1);
}

// Four cameras: A at 25 fps 10:00:00-10:00:10; B at 12.5 fps 10:00:01-10:00:05 and, after a gap,
// 10:00:07-10:00:09; C at 25 fps from 10:00:03 to 10:00:06; D nothing.
class GridSteps : public ::testing::Test {
 protected:
  std::vector<TimelineSpan> a_{{kS, kS + 10, 0}};
  std::vector<TimelineSpan> b_{{kS + 1, kS + 5, 0}, {kS + 7, kS + 9, 0}};
  std::vector<TimelineSpan> c_{{kS + 3, kS + 6, 0}};
  std::vector<TimelineSpan> d_;
  std::vector<CameraFrames> Cams() const {
    CameraFrames a{a_, -1, {}, 400000}, b{b_, -1, {}, 800000}, c{c_, -1, {}, 400000}, d{d_, -1, {}, 400000};
    return {a, b, c, d};
  }
};

TEST_F(GridSteps, TheRecordingAndFrameThatCoverATime) {
  struct {
    const std::vector<TimelineSpan>* seq;
    int64_t t;
    int rec;
  } cases[] = {{&b_, S, -1},           {&b_, S + kSec, 0},     {&b_, S + 5 * kSec - 1, 0}, {&b_, S + 5 * kSec, -1},
               {&b_, S + 7 * kSec, 1}, {&b_, S + 9 * kSec, -1}, {&d_, S, -1}};
  for (const auto& c : cases) EXPECT_EQ(RecordingAt(*c.seq, c.t), c.rec) << c.t - S;
  EXPECT_EQ(RecordingAfter(b_, S), 0);
  EXPECT_EQ(RecordingAfter(b_, S + kSec), 1);  // one that starts exactly at t is not after it
  EXPECT_EQ(RecordingAfter(b_, S + 7 * kSec), -1);

  const RecordFrames f = FramesOf(b_[0], 800000);
  EXPECT_EQ(f.llFrames, 50);
  EXPECT_EQ(f.FrameAt(S + kSec), 0);
  EXPECT_EQ(f.FrameAt(S + kSec + 799999), 0);
  EXPECT_EQ(f.FrameAt(S + kSec + 800000), 1);
  EXPECT_EQ(f.FrameAt(S + 5 * kSec), -1);
  // A file of 40 frames in a 4 s span: its last frame stays to the end of the span.
  const RecordFrames shortFile = FramesOf(b_[0], 800000, 40);
  EXPECT_EQ(shortFile.FrameAt(S + 4 * kSec + 900 * kMs), 39);
  // A file longer than its span shows the frames that begin inside the span.
  EXPECT_EQ(FramesOf(b_[0], 800000, 80).llFrames, 50);
  EXPECT_EQ(FramesOf(b_[0], 0).llFrameTime, kAssumedFrameTime);
}

TEST_F(GridSteps, NextFrameGoesToTheFastestCamerasNextFrameOrABeginningRecording) {
  const std::vector<CameraFrames> cams = Cams();
  struct {
    int64_t from, to;
  } cases[] = {
      {S, S + 40 * kMs},                              // A's next frame
      {S + 960 * kMs, S + kSec},                      // A's frame 25 and B's first
      {S + 990 * kMs, S + kSec},                      // from inside a frame
      {S + 9 * kSec + 960 * kMs, -1},                 // A's last frame, nothing after: none
  };
  for (const auto& c : cases) {
    const std::optional<int64_t> n = NextStepTime(cams, c.from);
    if (c.to < 0) {
      EXPECT_FALSE(n) << c.from - S;
    } else {
      EXPECT_EQ(n.value_or(0), c.to) << c.from - S;
    }
  }
  // B alone: its 12.5 fps frames, and over the gap to its next recording.
  const std::vector<CameraFrames> bOnly{Cams()[1]};
  EXPECT_EQ(NextStepTime(bOnly, S + kSec), S + kSec + 80 * kMs);
  EXPECT_EQ(NextStepTime(bOnly, S + 4 * kSec + 920 * kMs), S + 7 * kSec);
  EXPECT_EQ(NextStepTime(bOnly, S + 6 * kSec), S + 7 * kSec);
  EXPECT_EQ(NextStepTime(bOnly, S), S + kSec);
}

TEST_F(GridSteps, PreviousFrameAlwaysChangesAPicture) {
  const std::vector<CameraFrames> bOnly{Cams()[1]};
  struct {
    const std::vector<CameraFrames> cams;
    int64_t from, to;
  } cases[] = {
      {Cams(), S + kSec + 40 * kMs, S + kSec},            // at A's frame start
      {Cams(), S + kSec + 20 * kMs, S + 960 * kMs},      // inside: back from where the pictures began
      {Cams(), S + 40 * kMs, S},
      {Cams(), S + 20 * kMs, -1},                         // nothing before the first frame
      {bOnly, S + 7 * kSec, S + kSec + 49 * 80 * kMs},    // over the gap: the last frame before it
      {bOnly, S + 6 * kSec, S + kSec + 49 * 80 * kMs},    // from the gap
      {bOnly, S + 7 * kSec + 80 * kMs, S + 7 * kSec},
  };
  for (const auto& c : cases) {
    const std::optional<int64_t> p = PrevStepTime(c.cams, c.from);
    if (c.to < 0) {
      EXPECT_FALSE(p) << c.from - S;
    } else {
      EXPECT_EQ(p.value_or(0), c.to) << c.from - S;
    }
  }
}

TEST_F(GridSteps, StepsBackRetraceStepsForward) {
  const std::vector<CameraFrames> cams = Cams();
  std::vector<int64_t> path{S + 900 * kMs};
  while (const std::optional<int64_t> n = NextStepTime(cams, path.back())) path.push_back(*n);
  EXPECT_EQ(path.back(), S + 9 * kSec + 960 * kMs);  // A's last frame
  // Every frame start of every camera in the range is visited, in order, once.
  for (size_t i = 1; i < path.size(); ++i) ASSERT_GT(path[i], path[i - 1]);
  EXPECT_NE(std::find(path.begin(), path.end(), S + 3 * kSec), path.end());       // C begins
  EXPECT_NE(std::find(path.begin(), path.end(), S + kSec + 80 * kMs), path.end());  // a B frame
  int64_t t = path.back();
  for (size_t i = path.size() - 1; i-- > 1;) {
    t = *PrevStepTime(cams, t);
    ASSERT_EQ(t, path[i]) << i;
  }
}

TEST_F(GridSteps, TheOpenFilesFramesWinOverTheAssumedOnes) {
  CameraFrames b = Cams()[1];
  b.llFrameTime = 400000;  // assumed 25 fps ...
  b.nKnown = 0;
  b.known = FramesOf(b_[0], 800000, 50);  // ... but the open file says 12.5
  const std::vector<CameraFrames> one{b};
  EXPECT_EQ(NextStepTime(one, S + kSec), S + kSec + 80 * kMs);
  // The second recording is not open: it is assumed at 25 fps.
  EXPECT_EQ(NextStepTime(one, S + 7 * kSec), S + 7 * kSec + 40 * kMs);
}

TEST(DriftWatch, PictureAgainstTheClock) {
  const int64_t fd = 400000;
  struct {
    int64_t clock, shown, behind, lag;
  } cases[] = {
      {S, S, 0, 0},
      {S + fd - 1, S, 0, 0},
      {S + fd, S, 1, 0},                       // the next frame is due
      {S + 2 * fd + 5, S, 2, fd + 5},          // two behind
      {S, S + 1, -1, -1},                      // ahead
      {S, S + fd, -1, -fd},
      {S, S + fd + 1, -2, -fd - 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FramesBehind(c.clock, c.shown, fd), c.behind) << c.clock - c.shown;
    EXPECT_EQ(PictureLag(c.clock, c.shown, fd), c.lag) << c.clock - c.shown;
  }
}

TEST(DriftWatch, ALateTileIsSoughtThenPutOnKeyFrames) {
  CDriftWatch w;
  const int64_t ms = kNsPerMs;
  w.Restart(1000 * ms);
  const int64_t late = kResyncLagNs + 1;
  EXPECT_EQ(w.Judge(1000 * ms + kStartGraceNs - 1, late), DriftAction::kNone);  // still starting
  EXPECT_EQ(w.Judge(1000 * ms + kStartGraceNs, kResyncLagNs), DriftAction::kNone);
  int64_t now = 1000 * ms + kStartGraceNs;
  for (int i = 0; i < kResyncsBeforeKeyOnly; ++i) {
    EXPECT_EQ(w.Judge(now, late), DriftAction::kResync) << i;
    w.Resynced(now, now + 300 * ms, false);
    EXPECT_EQ(w.Judge(now + 300 * ms, late), DriftAction::kNone);  // its own grace
    now += 300 * ms + kStartGraceNs;
  }
  EXPECT_EQ(w.Judge(now, late), DriftAction::kKeyFramesOnly);
  w.Resynced(now, now + 300 * ms, true);
  EXPECT_TRUE(w.KeyFramesOnly());
  // Key frames seconds apart are no reason to seek.
  EXPECT_EQ(w.Judge(now + 10 * kStartGraceNs, 100 * late), DriftAction::kNone);
  // After a while every frame is tried again.
  EXPECT_EQ(w.Judge(now + kKeyOnlyRetryNs + 1, 0), DriftAction::kAllFrames);
  w.Resynced(now + kKeyOnlyRetryNs + 1, now + kKeyOnlyRetryNs + 300 * ms, false);
  EXPECT_FALSE(w.KeyFramesOnly());
  // A new start of the grid goes back to every frame.
  w.Resynced(now, now, true);
  EXPECT_TRUE(w.KeyFramesOnly());
  w.Restart(now);
  EXPECT_FALSE(w.KeyFramesOnly());
}

TEST(DriftWatch, ResyncsFarApartNeverLeadToKeyFrames) {
  CDriftWatch w;
  w.Restart(0);
  int64_t now = kStartGraceNs;
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(w.Judge(now, kResyncLagNs + 1), DriftAction::kResync) << i;
    w.Resynced(now, now, false);
    now += kKeyOnlyWindowNs + kStartGraceNs + 1;
  }
}

TEST(GridChoice, RememberedCamerasReadBackAndNewTilesTakeUnshownCameras) {
  struct {
    const char* text;
    int tiles;
    std::vector<int> channels;
  } cases[] = {
      {"1,2,3,4", 4, {0, 1, 2, 3}},
      {"1,0,16", 4, {0, -1, 15, -1}},          // shorter than the grid
      {"3,17,x,,2", 4, {2, -1, -1, -1}},       // not channels
      {"1,2,3,4,5", 1, {0}},
      {"", 0, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseTileChannels(c.text, c.tiles), c.channels) << c.text;
  EXPECT_EQ(FormatTileChannels({0, -1, 15, 3}), "1,0,16,4");
  EXPECT_EQ(ParseTileChannels(FormatTileChannels({4, -1, 9}), 3), (std::vector<int>{4, -1, 9}));
  const std::vector<int> cams{0, 1, 2, 5};
  EXPECT_EQ(FillTileChannels({}, 4, cams), (std::vector<int>{0, 1, 2, 5}));
  EXPECT_EQ(FillTileChannels({5, -1, 0, 2}, 9, cams), (std::vector<int>{5, -1, 0, 2, 1, -1, -1, -1, -1}));
  EXPECT_EQ(FillTileChannels({5, 1, 0, 2}, 1, cams), (std::vector<int>{5}));
}

TEST(GridTexts, TimeNamesAndTheDriftLine) {
  test::ScopedTz utc("UTC0");
  EXPECT_EQ(FormatGridTime(S + 1234 * kMs + 5), "2024-05-10 10:00:01.234");
  EXPECT_EQ(TileSnapshotName(S + 999 * kMs, 3), "20240510-100000-C3.jpg");
  test::TempDir dir("vt_grid_names");
  EXPECT_EQ(UniqueFileName(dir.path(), "a.jpg"), "a.jpg");
  std::ofstream(dir / "a.jpg") << "x";
  std::ofstream(dir / "a-1.jpg") << "x";
  EXPECT_EQ(UniqueFileName(dir.path(), "a.jpg"), "a-2.jpg");

  EXPECT_EQ(DriftSummary({}, {}), "");
  TileStats a, b;
  a.nSamples = 10;
  a.llWorstLag = 12 * kMs;
  b.nSamples = 10;
  b.llWorstLag = 300 * kMs;
  b.nResyncs = 2;
  b.bKeyOnly = true;
  const TileStats both[] = {a, b};
  const int64_t frames[] = {400000, 800000};
  EXPECT_EQ(DriftSummary(both, frames), "Worst drift 300 ms (3.8 frames), 1 tile caught up by seeking, 1 tile on key frames only");
}

}  // namespace
}  // namespace vt
