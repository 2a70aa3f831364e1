#include <gtest/gtest.h>

#include "playback/event_list.h"
#include "playback/player_logic.h"

namespace vt {
namespace {

TEST(PlayerLogic, SpeedTableAndRateToCommand) {
  for (const auto& s : kSpeedTable) EXPECT_EQ(s.id, RateToCommand(s.rate)) << s.menuText;
  EXPECT_EQ(32779u, RateToCommand(1.25));  // reachable with the rate keys
  EXPECT_EQ(32779u, RateToCommand(0.0));
  EXPECT_EQ(32775u, RateToCommand(1.0));
  ASSERT_NE(nullptr, FindSpeed(32771));
  EXPECT_STREQ(" (x1/16)", FindSpeed(32771)->suffix);
  EXPECT_EQ(nullptr, FindSpeed(32780));
  EXPECT_EQ(nullptr, FindSpeed(32770));
}

TEST(PlayerLogic, TimerPeriodsAndPositions) {
  EXPECT_EQ(500u, PositionTimerPeriodMs(400000));    // 40 ms frames
  EXPECT_EQ(1000u, PositionTimerPeriodMs(10000000));  // 1 s frames
  EXPECT_EQ(500u, PositionTimerPeriodMs(0));
  EXPECT_EQ(500u, PositionTimerPeriodMs(-5));
  // 100 frames of 40 ms: the seek bar position of a frame's start, rounded to the nearest start
  // (a timestamp a little off its frame's start keeps the frame), within 1 ... frames.
  const int64_t dur = 40000000, frames = 100;
  const struct {
    int64_t position, frameTime, frames, seekPos;
  } positions[] = {
      {0, 400000, frames, 1},         {399999, 400000, frames, 2},   {400000, 400000, frames, 2},
      {199999, 400000, frames, 1},    {39600000, 400000, frames, 100}, {dur, 400000, frames, 100},
      {-400000, 400000, frames, 1},   {400000, 0, 0, 1},             {10000000 * 3 - 1, 10000000, 12, 4},
  };
  for (const auto& p : positions)
    EXPECT_EQ(p.seekPos, FrameOfPosition(p.position, p.frameTime, p.frames)) << p.position << " " << p.frameTime;
  // Without a frame count, one position every 40 ms up to the end.
  EXPECT_EQ(100, SeekGridOf(dur, frames).frames);
  EXPECT_EQ(400000, SeekGridOf(dur, frames).frameTime);
  EXPECT_EQ(101, SeekGridOf(dur + 1, 0).frames);
  EXPECT_EQ(kNominalFrameTime, SeekGridOf(dur + 1, 0).frameTime);
  EXPECT_EQ(0, SeekGridOf(0, 0).frames);
  EXPECT_EQ(0, SeekGridOf(0, 0).frameTime);
  EXPECT_EQ(400000, FrameTimeOf(dur, frames));
  EXPECT_EQ(0, FrameTimeOf(dur, 0));
  EXPECT_EQ(0, FrameToTime(1, 400000));
  EXPECT_EQ(400000 * 9, FrameToTime(10, 400000));
  EXPECT_EQ(3, WholeSeconds(39999999));
  EXPECT_EQ(-1, WholeSeconds(-10000001));
  EXPECT_EQ(1003, AddSeconds(1000, 39999999));
}

TEST(PlayerLogic, StepTargetNeverBeforeFirstFrame) {
  EXPECT_EQ(6, StepTarget(5, 1));
  EXPECT_EQ(1, StepTarget(5, -5));
  EXPECT_EQ(1, StepTarget(5, -125));
  EXPECT_EQ(130, StepTarget(5, 125));
}

TEST(PlayerLogic, EventMarksCorrectEarlyEvents) {
  const time32 start = 1000;
  const EVENT_RECORD ev[] = {
      {0, 1002, 1004},  // inside the record
      {0, 990, 1001},   // starts before the record: start moved to the record start
      {0, 980, 990},    // wholly before: start = record start, end = start + 1
  };
  CEventList list;
  list.Assign(ev, 3);
  const std::vector<uint32_t> marks = BuildEventMarks(&list, start, 400000);
  EXPECT_EQ((std::vector<uint32_t>{50, 100, 0, 25, 0, 0}), marks);
  uint32_t i = 1;
  EXPECT_EQ(1000, list.GetNext(&i)->tStart);
  const EVENT_RECORD* third = list.GetNext(&i);
  EXPECT_EQ(1000, third->tStart);
  EXPECT_EQ(1001, third->tEnd);
  // A zero frame time gives frame 0 rather than a division by zero.
  EXPECT_EQ((std::vector<uint32_t>{0, 0, 0, 0, 0, 0}), BuildEventMarks(&list, start, 0));
  EXPECT_TRUE(BuildEventMarks(nullptr, start, 400000).empty());
}

TEST(PlayerLogic, ZoomRule) {
  const struct {
    bool zoom;
    int32_t width;
    int32_t num, den;
  } cases[] = {{false, 352, 1, 1}, {false, 360, 1, 1}, {false, 361, 1, 2}, {false, 720, 1, 2},
               {true, 352, 2, 1},  {true, 360, 2, 1},  {true, 361, 1, 1},  {true, 720, 1, 1}};
  for (const auto& c : cases) {
    Scale s = ZoomScale(c.zoom, c.width);
    EXPECT_EQ(c.num, s.num) << c.zoom << " " << c.width;
    EXPECT_EQ(c.den, s.den) << c.zoom << " " << c.width;
  }
  int32_t w = 256, h = 240;
  NormalizeNativeSize(&w, &h);
  EXPECT_EQ(320, w);
  EXPECT_EQ(240, h);
  w = 256, h = 241;
  NormalizeNativeSize(&w, &h);
  EXPECT_EQ(256, w);
}

TEST(PlayerLogic, FitVideoClampsToScreenKeepingAspect) {
  VideoFitInput in;
  in.nativeWidth = 720;
  in.nativeHeight = 576;
  in.scale = {1, 1};
  in.screenWidth = 1024;
  in.screenHeight = 768;
  in.borderWidth = 20;
  in.fixedHeight = 100;
  in.extraWidth = 200;
  in.extraHeight = 150;
  // Width first: 720 + 20 + 200 fits 1024; height 100 + 576 + 150 = 826 > 768 -> 518 high.
  VideoFit f = FitVideo(in);
  EXPECT_EQ(518, f.videoHeight);
  EXPECT_EQ(720 * 518 / 576, f.videoWidth);
  EXPECT_EQ(20 + f.videoWidth, f.wndWidth);
  EXPECT_EQ(100 + 518, f.wndHeight);
  // Zoomed 352 x 288 on a narrow screen: the width rule shrinks first.
  in.nativeWidth = 352;
  in.nativeHeight = 288;
  in.scale = {2, 1};
  in.screenWidth = 800;
  in.screenHeight = 2000;
  f = FitVideo(in);
  EXPECT_EQ(580, f.videoWidth);
  EXPECT_EQ(576 * 580 / 704, f.videoHeight);
  // Fits: unchanged.
  in.screenWidth = 4000;
  f = FitVideo(in);
  EXPECT_EQ(704, f.videoWidth);
  EXPECT_EQ(576, f.videoHeight);
  // Zero native size or a screen smaller than the frame: defined, no division by zero.
  in.nativeWidth = in.nativeHeight = 0;
  in.screenWidth = 10;
  in.screenHeight = 10;
  f = FitVideo(in);
  EXPECT_EQ(0, f.videoWidth);
  EXPECT_EQ(0, f.videoHeight);
}

// Video narrower than the button bar keeps its size in a Player as wide as the bar needs.
TEST(PlayerLogic, NarrowVideoKeepsItsSizeInAWiderPlayer) {
  VideoFitInput in;
  in.scale = {1, 1};
  in.screenWidth = 1280;
  in.screenHeight = 1024;
  in.borderWidth = 12;
  in.fixedHeight = 90;
  in.minWndWidth = 300;
  const struct {
    int32_t w, h, wndWidth;
  } cases[] = {{176, 144, 300}, {160, 120, 300}, {288, 240, 300}, {352, 288, 364}};
  for (const auto& c : cases) {
    in.nativeWidth = c.w;
    in.nativeHeight = c.h;
    const VideoFit f = FitVideo(in);
    EXPECT_EQ(c.w, f.videoWidth) << c.w;
    EXPECT_EQ(c.h, f.videoHeight) << c.w;
    EXPECT_EQ(c.wndWidth, f.wndWidth) << c.w;
  }
}

TEST(PlayerLogic, LayoutAndDefaultSize) {
  PlayerLayout l = LayoutPlayer(352, 288, 6, 7, 20, 24, 16, 40);
  EXPECT_EQ(6, l.videoX);
  EXPECT_EQ(20, l.videoY);
  EXPECT_EQ(365, l.wndWidth);
  EXPECT_EQ(20 + 288 + 24 + 16 + 40, l.wndHeight);
  EXPECT_EQ(l.wndHeight - 40, l.barY);
  EXPECT_EQ(l.barY - 16, l.seekY);
  EXPECT_EQ(l.seekY - 24, l.infoY);
  EXPECT_EQ(20 + 288, l.infoY);
  int32_t w = 0, h = 5;
  DefaultSize(&w, &h, 24, 16, 40);
  EXPECT_EQ(240, w);
  EXPECT_EQ(200, h);
  w = 300;
  DefaultSize(&w, &h, 1, 1, 1);
  EXPECT_EQ(300, w);
  EXPECT_EQ(200, h);
}

TEST(PlayerLogic, KeyTable) {
  const struct {
    WPARAM key;
    KeyAction action;
    int frames;
  } cases[] = {
      {0x20, KeyAction::kStepFrames, 1}, {0x25, KeyAction::kRateDown, 0}, {0x27, KeyAction::kRateUp, 0},
      {0x28, KeyAction::kRateNormal, 0}, {'1', KeyAction::kStepFrames, 1}, {'9', KeyAction::kStepFrames, 9},
      {'0', KeyAction::kNone, 0},        {'M', KeyAction::kToggleMute, 0},  {'m', KeyAction::kToggleMute, 0},
      {'P', KeyAction::kPause, 0},       {'S', KeyAction::kPause, 0},       {0x70, KeyAction::kPause, 0},  // F1
      {0x71, KeyAction::kClose, 0},      {'X', KeyAction::kClose, 0},       {0x7B, KeyAction::kClose, 0},  // F2, F12
      {0x7C, KeyAction::kNone, 0},       {0x1B, KeyAction::kNone, 0},       {0x26, KeyAction::kNone, 0},
      {0x161, KeyAction::kNone, 0},
  };
  for (const auto& c : cases) {
    KeyCommand k = MapPlayerKey(c.key);
    EXPECT_EQ(c.action, k.action) << std::hex << c.key;
    EXPECT_EQ(c.frames, k.frames) << std::hex << c.key;
  }
}

// Which keys the Player takes from the main window: its table, except the keys the main
// window's keyboard table owns (Left, Right; Space unless paused).
TEST(PlayerLogic, KeysThePlayerTakes) {
  const struct {
    WPARAM key;
    int32_t state;
    bool takes;
  } cases[] = {
      {0x20, kPsPaused, true},   {0x20, kPsRunning, false}, {0x20, kPsStopped, false}, {0x25, kPsPaused, false},
      {0x27, kPsRunning, false}, {0x28, kPsRunning, true},  {'5', kPsRunning, true},    {'M', kPsStopped, true},
      {'P', kPsRunning, true},   {'Q', kPsPaused, true},    {0x7B, kPsPaused, true},    {'0', kPsPaused, false},
      {0x26, kPsPaused, false},  {0x61, kPsPaused, false},  // VK_NUMPAD1 folds to 'A', not in the table
  };
  for (const auto& c : cases) EXPECT_EQ(c.takes, PlayerTakesKey(c.key, c.state)) << std::hex << c.key << " " << c.state;
}

}  // namespace
}  // namespace vt
