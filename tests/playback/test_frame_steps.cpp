// The arithmetic and bookkeeping behind frame steps: which way the engine reaches a frame, the
// cache of decoded frames, and the judging of the rate reached.
#include <gtest/gtest.h>

#include "playback/frame_cache.h"
#include "playback/frame_move.h"
#include "playback/rate_watch.h"

namespace vt {
namespace {

TEST(FrameMoveTest, FrameIndexRoundsToTheNearestStart) {
  EXPECT_EQ(0, FrameIndexOf(0, 400000));
  EXPECT_EQ(0, FrameIndexOf(199999, 400000));
  EXPECT_EQ(1, FrameIndexOf(200000, 400000));
  EXPECT_EQ(10, FrameIndexOf(10 * 333666, 333667));  // a frame time rounded down still finds frame 10
  EXPECT_EQ(-1, FrameIndexOf(-1, 400000));
  EXPECT_EQ(-1, FrameIndexOf(400000, 0));
}

TEST(FrameMoveTest, CheapestWayFirst) {
  struct Case {
    const char* what;
    FrameMoveState s;
    int64_t target;
    FrameMove move;
    int64_t amount;
  } cases[] = {
      {"on screen", {100, 100, 749, false, false}, 100, FrameMove::kStay, 0},
      {"cached", {100, 100, 749, true, false}, 99, FrameMove::kShowCached, 0},
      {"held next frame", {100, 101, 749, false, false}, 101, FrameMove::kShowPipeline, 0},
      {"next frame", {100, 100, 749, false, false}, 101, FrameMove::kStep, 1},
      {"nine ahead", {100, 100, 749, false, false}, 109, FrameMove::kStep, 9},
      {"ten ahead", {100, 100, 749, false, false}, 110, FrameMove::kSeek, 0},
      {"ahead of a held frame", {100, 101, 749, false, false}, 103, FrameMove::kStep, 2},
      {"past the last frame", {748, 748, 748, false, false}, 749, FrameMove::kSeek, 0},
      {"onto the last frame", {747, 747, 748, false, false}, 748, FrameMove::kStep, 1},
      {"pipeline unknown", {100, -1, 749, false, false}, 101, FrameMove::kSeek, 0},
      {"one back", {100, 100, 749, false, false}, 99, FrameMove::kFillBack, 0},
      {"nine back", {100, 100, 749, false, false}, 91, FrameMove::kFillBack, 0},
      {"ten back", {100, 100, 749, false, false}, 90, FrameMove::kSeek, 0},
      {"one back, intra only", {100, 100, 749, false, true}, 99, FrameMove::kFillBack, 0},
      {"ten back, intra only", {100, 100, 749, false, true}, 90, FrameMove::kSeek, 0},
      {"two ahead, intra only", {100, 100, 749, false, true}, 102, FrameMove::kStep, 2},
      {"three ahead, intra only", {100, 100, 749, false, true}, 103, FrameMove::kSeek, 0},
      {"from a cached frame back to the pipeline's", {90, 100, 749, false, false}, 100, FrameMove::kShowPipeline, 0},
      {"from a cached frame, behind the pipeline", {90, 100, 749, false, false}, 95, FrameMove::kSeek, 0},
      {"nothing on screen", {-1, -1, 749, false, false}, 5, FrameMove::kSeek, 0},
  };
  for (const Case& c : cases) {
    const FrameMovePlan p = PlanFrameMove(c.s, c.target);
    EXPECT_EQ(static_cast<int>(c.move), static_cast<int>(p.move)) << c.what;
    if (c.move == FrameMove::kStep) {
      EXPECT_EQ(c.amount, p.amount) << c.what;
    }
  }
}

std::shared_ptr<const VideoFrame> Frame(size_t bytes, int64_t pts = 0) {
  auto f = std::make_shared<VideoFrame>();
  f->data.resize(bytes);
  f->pts = pts;
  return f;
}

TEST(FrameCacheTest, BoundedInBytesLeastRecentlyUsedGoesFirst) {
  const size_t frame = 1000;
  CFrameCache cache(3 * (frame + sizeof(VideoFrame)));
  EXPECT_EQ(3u, cache.CapacityFrames(frame));
  for (int64_t i = 0; i < 3; ++i) cache.Put(i, Frame(frame, i));
  ASSERT_TRUE(cache.Get(0));  // 0 is now the most recently used
  cache.Put(3, Frame(frame, 3));
  EXPECT_TRUE(cache.Has(0));
  EXPECT_FALSE(cache.Has(1));
  EXPECT_TRUE(cache.Has(2));
  EXPECT_TRUE(cache.Has(3));
  EXPECT_EQ(3u, cache.Count());
  EXPECT_EQ(3, cache.Get(3)->pts);
  // The same number again replaces the frame without growing the total.
  cache.Put(3, Frame(frame, 33));
  EXPECT_EQ(33, cache.Get(3)->pts);
  EXPECT_EQ(3u, cache.Count());
  EXPECT_EQ(3 * (frame + sizeof(VideoFrame)), cache.Bytes());
  // A frame larger than the whole budget is not kept and drops nothing.
  cache.Put(9, Frame(10 * frame));
  EXPECT_FALSE(cache.Has(9));
  EXPECT_EQ(3u, cache.Count());
  cache.Clear();
  EXPECT_EQ(0u, cache.Count());
  EXPECT_EQ(0u, cache.Bytes());
  EXPECT_FALSE(cache.Get(0));
}

TEST(FrameCacheTest, FramesStayValidAfterTheCacheDropsThem) {
  CFrameCache cache(2 * (100 + sizeof(VideoFrame)));
  cache.Put(1, Frame(100, 1));
  std::shared_ptr<const VideoFrame> shown = cache.Get(1);
  cache.Clear();
  ASSERT_TRUE(shown);
  EXPECT_EQ(100u, shown->data.size());
}

TEST(RateWatchTest, JudgedOverTheWindowOnly) {
  struct Case {
    const char* what;
    double rate;
    double reached;  // recording seconds per wall second, steady
    bool held;
  } cases[] = {
      {"x16 at x16", 16, 16, true},
      {"x16 at x13", 16, 13, true},
      {"x16 at x12", 16, 12, false},
      {"x16 at x3", 16, 3, false},
      {"x1 at x1", 1, 1, true},
      {"x1/16 at x1/16", 0.0625, 0.0625, true},
  };
  for (const Case& c : cases) {
    CRateWatch w;
    w.Start(c.rate, 1000, 0);
    CRateWatch::Verdict v = w.Update(1000 + kRateJudgeMs - 1, static_cast<int64_t>(c.reached * (kRateJudgeMs - 1) * 10000));
    EXPECT_FALSE(v.judged) << c.what;
    v = w.Update(1000 + kRateJudgeMs, static_cast<int64_t>(c.reached * kRateJudgeMs * 10000));
    EXPECT_TRUE(v.judged) << c.what;
    EXPECT_EQ(c.held, v.held) << c.what;
    EXPECT_NEAR(c.reached, v.reached, 1e-6) << c.what;
  }
}

TEST(RateWatchTest, ASlowStretchPassesOutOfTheWindow) {
  CRateWatch w;
  w.Start(4, 0, 0);
  int64_t pos = 0;
  // 3 s at x1, then x4: after one window of x4 the rate counts as held again.
  for (int64_t ms = 500; ms <= 3000; ms += 500) EXPECT_TRUE(w.Update(ms, pos += 500 * 10000).held == (ms < kRateJudgeMs));
  CRateWatch::Verdict v;
  for (int64_t ms = 3500; ms <= 3000 + kRateJudgeMs + 500; ms += 500) v = w.Update(ms, pos += 4 * 500 * 10000);
  EXPECT_TRUE(v.judged);
  EXPECT_TRUE(v.held);
  EXPECT_NEAR(4.0, v.reached, 1e-6);
  EXPECT_EQ("x4 is faster than this computer can decode: playing at about x1.0", RateNotHeldText(4, 1.0));
}

}  // namespace
}  // namespace vt
