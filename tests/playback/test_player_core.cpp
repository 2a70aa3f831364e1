#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "playback/fake_media_engine.h"
#include "playback/player_core.h"
#include "playback/player_logic.h"
#include "playback/vant_writer.h"

namespace vt {
namespace {

namespace fs = std::filesystem;

// Records what the Player shows; the seek bar clamps like the real one.
class CFakeView : public IPlayerView {
 public:
  void SetSeekRange(uint32_t frames) override { range = frames; }
  void SetSeekPos(int64_t p) override {
    if (p < 1) p = 1;
    if (p > range) p = range;
    pos = static_cast<uint32_t>(p);
  }
  uint32_t GetSeekPos() const override { return pos; }
  void SetSeekEvents(std::vector<uint32_t> pairs) override { marks = std::move(pairs); }
  void ClearSeekEvents() override { marks.clear(); }
  void ShowTime(bool show) override { showTime = show; }
  void DrawTime(time32 t) override {
    shownTime = t;
    lineShown = true;
  }
  void SetSpeedText(const char* s) override { suffix = s; }
  // A repaint draws the line only while showing is on.
  void RepaintInfo() override { lineShown = lineShown && showTime; }
  void StartTimers(uint32_t period) override {
    timers = true;
    positionPeriod = period;
  }
  void StopTimers() override { timers = false; }
  void ShowPlayer() override {}
  void EnsureDefaultSize() override {}
  void ApplyZoomKeep() override { ++zooms; }
  void InvalidateAll() override {}
  void PostVideoSize(int32_t w, int32_t h) override {
    videoW = w;
    videoH = h;
  }
  void SetWindowTitle(const char* a, const char* b) override {
    title = std::string(a ? a : "<null>") + "|" + (b ? b : "<null>");
  }
  std::string LoadText(uint32_t id) override { return id == 59403 ? "The specified speed is not supported." : "?"; }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ShowLangMessage(const char* key, uint32_t) override { messages.push_back(key); }
  void ShowStatus(const std::string& text) override { status.push_back(text); }

  std::atomic<uint32_t> pos{1};
  uint32_t range = 100;
  std::vector<uint32_t> marks;
  bool showTime = false;
  std::atomic<time32> shownTime{0};
  bool lineShown = false;  // a time is on the information bar
  std::string suffix = " (x1)";
  bool timers = false;
  uint32_t positionPeriod = 0;
  int zooms = 0;
  int32_t videoW = -1, videoH = -1;
  std::string title;
  std::vector<std::string> messages;
  std::vector<std::string> status;
};

class CPostBox : public IMessageTarget {
 public:
  bool Post(uint32_t msg, WPARAM, LPARAM) override {
    posted.push_back(msg);
    return true;
  }
  LRESULT Send(uint32_t, WPARAM, LPARAM) override { return 0; }
  std::vector<uint32_t> posted;
};

constexpr time32 kStart = 1700000000;  // a record starting at 10:00:00 in the examples below
constexpr int64_t kFrame = 400000;

class PlayerCoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine.llDuration = 120 * 10000000LL;  // two minutes, 3000 frames
    engine.llFrames = 3000;
    engine.nWidth = 352;
    engine.nHeight = 288;
    core = std::make_unique<CPlayerCore>(&engine, &view, &box);
    core->SetAutoPlay(0);
    dir = fs::temp_directory_path() / ("vt_core_" + std::to_string(getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override {
    core.reset();
    fs::remove_all(dir);
  }
  // A "record" whose only content is the trailer: the fake engine does not read it.
  std::string Record(const char* name, std::vector<EVENT_RECORD> events, bool trailer = true) {
    const std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << std::string("RIFF\x04\0\0\0AVI ", 12);
    VantTrailer t;
    t.events = std::move(events);
    t.textA = "Cam";
    t.textB = "Door";
    if (trailer) AppendVantTrailer(path, t);
    return path;
  }
  void Open(const std::string& path) { ASSERT_EQ(0, core->OpenRecord(path, kStart)); }

  CFakeMediaEngine engine;
  CFakeView view;
  CPostBox box;
  std::unique_ptr<CPlayerCore> core;
  fs::path dir;
};

TEST_F(PlayerCoreTest, OpenWithoutAutoPlayShowsFirstFrameStopped) {
  engine.nWidth = 256;
  engine.nHeight = 240;
  Open(Record("a.avi", {{0, kStart + 5, kStart + 20}, {0, kStart - 10, kStart + 2}}));
  EXPECT_TRUE(core->IsOpen());
  EXPECT_EQ(kPsStopped, core->GetPlayState());
  EXPECT_EQ(3000u, view.range);
  EXPECT_EQ(kFrame, core->GetFrameTime());
  EXPECT_EQ(kStart + 120, core->GetEnd());
  EXPECT_EQ(kStart, view.shownTime);
  EXPECT_EQ(320, view.videoW);  // 256 x 240 is announced as 320 x 240
  EXPECT_EQ(240, view.videoH);
  EXPECT_EQ("Cam|Door", view.title);
  EXPECT_TRUE(view.showTime);
  EXPECT_EQ(1, view.zooms);
  // The early event's start is moved to the record start.
  EXPECT_EQ((std::vector<uint32_t>{125, 500, 0, 50}), view.marks);
  ASSERT_GE(engine.calls.size(), 2u);
  EXPECT_EQ("SetPositions 0", engine.calls[engine.calls.size() - 2]);
  EXPECT_EQ("StopWhenReady", engine.calls.back());
}

TEST_F(PlayerCoreTest, TransportStateTable) {
  Open(Record("a.avi", {}));
  const struct {
    int cmd;
    int32_t after;
    bool timers;
  } steps[] = {
      {kCmdPlay, kPsRunning, true}, {kCmdPlay, kPsPaused, false}, {kCmdPlay, kPsRunning, true},
      {kCmdPause, kPsPaused, false}, {kCmdPause, kPsPaused, false}, {kCmdStop, kPsPaused, false},
  };
  for (const auto& s : steps) {
    core->PlaybackCommand(s.cmd);
    EXPECT_EQ(s.after, core->GetPlayState()) << s.cmd;
    EXPECT_EQ(s.timers, view.timers) << s.cmd;
  }
  EXPECT_EQ(500u, view.positionPeriod);
  // Stop in the Stopped state does nothing.
  core->CloseClip();
  Open(Record("b.avi", {}));
  engine.calls.clear();
  core->PlaybackCommand(kCmdStop);
  EXPECT_TRUE(engine.calls.empty());
  EXPECT_EQ(kPsStopped, core->GetPlayState());
  // A failing Run leaves the state but starts the timers.
  engine.hrRun = E_FAIL;
  core->PlaybackCommand(kCmdPlay);
  EXPECT_EQ(kPsStopped, core->GetPlayState());
  EXPECT_TRUE(view.timers);
}

TEST_F(PlayerCoreTest, EndOfStreamRewindsAndPauses) {
  core->SetAutoPlay(1);
  Open(Record("a.avi", {}));
  EXPECT_EQ(kPsRunning, core->GetPlayState());
  engine.llPosition = 119 * 10000000LL;
  core->OnPositionTick();
  core->OnClockTick();
  EXPECT_EQ(2976u, view.pos.load());
  EXPECT_EQ(kStart + 119, view.shownTime);
  engine.RaiseEvent(EC_COMPLETE);
  ASSERT_FALSE(box.posted.empty());
  EXPECT_EQ(kMsgGraphNotify, box.posted.back());
  core->HandleGraphEvent();
  EXPECT_EQ(kPsPaused, core->GetPlayState());
  EXPECT_EQ(1u, view.pos.load());
  EXPECT_EQ(kStart, view.shownTime);
  EXPECT_EQ(0, core->GetPosition());
  EXPECT_FALSE(view.timers);
}

TEST_F(PlayerCoreTest, FailedOpenLeavesThePlayerEmptyButReadsTheRecordInfo) {
  engine.hrRender = static_cast<HRESULT>(0x80040265u);
  EXPECT_EQ(static_cast<HRESULT>(0x80040265u), core->OpenRecord(Record("a.avi", {{0, kStart + 1, kStart + 2}}), kStart));
  EXPECT_FALSE(core->IsOpen());
  EXPECT_EQ(kPsInit, core->GetPlayState());
  EXPECT_EQ("FAILED(hr=0x80040265) in m_pGB->RenderFile(wFile, NULL)\n", core->GetError());
  // The trailer is read, but nothing of the record is shown: no camera texts, no time, and the
  // reason on the status line.
  EXPECT_EQ("<null>|<null>", view.title);
  ASSERT_NE(nullptr, core->GetEvents());
  EXPECT_EQ(0, view.videoW);
  EXPECT_FALSE(view.showTime);
  EXPECT_FALSE(view.lineShown);
  ASSERT_EQ(1u, view.status.size());
  EXPECT_EQ("Cannot play a.avi: FAILED(hr=0x80040265) in m_pGB->RenderFile(wFile, NULL)", view.status[0]);
  // Commands on the empty Player do nothing.
  engine.calls.clear();
  core->PlaybackCommand(kCmdPlay);
  core->Forward();
  EXPECT_EQ(E_FAIL, core->StepFrames(1));
  EXPECT_TRUE(engine.calls.empty());
  // A path longer than the recorder's buffers is refused, not cut.
  engine.hrRender = S_OK;
  EXPECT_EQ(kHrPathTooLong, core->OpenRecord("/" + std::string(259, 'x'), kStart));
  EXPECT_FALSE(core->IsOpen());
}

TEST_F(PlayerCoreTest, SpeedsAndRateKeys) {
  Open(Record("a.avi", {}));
  core->OnSpeedCommand(32777);
  EXPECT_EQ(4.0, core->GetRate());
  EXPECT_EQ(" (x4)", view.suffix);
  core->OnSpeedCommand(32790);  // not a speed: nothing changes
  EXPECT_EQ(4.0, core->GetRate());
  engine.acceptRate = [](double r) { return r <= 8; };
  core->OnSpeedCommand(32779);
  EXPECT_EQ(4.0, core->GetRate());
  EXPECT_EQ(" (x4)", view.suffix);
  ASSERT_EQ(1u, view.messages.size());
  EXPECT_EQ("The specified speed is not supported.", view.messages[0]);
  EXPECT_EQ("The specified speed is not supported.", core->GetError());
  core->OnKey(0x28);  // down: x1
  core->OnKey(0x27);  // right: +0.25
  EXPECT_EQ(1.25, core->GetRate());
  EXPECT_EQ(32779u, RateToCommand(core->GetRate()));
  EXPECT_EQ(" (x4)", view.suffix);  // keys leave the text alone
  // The rate carries over to the next record; the volume does not.
  engine.bHasAudio = true;
  core->ToggleMute();
  EXPECT_TRUE(core->IsMuted());
  Open(Record("b.avi", {}));
  EXPECT_EQ(1.25, engine.dRate);
  EXPECT_FALSE(core->IsMuted());
}

TEST_F(PlayerCoreTest, MuteNeedsAudio) {
  Open(Record("a.avi", {}));
  EXPECT_EQ(0, core->ToggleMute());
  ASSERT_EQ(1u, view.messages.size());
  EXPECT_EQ("IDS_MSG_VIDEO_ONLY", view.messages[0]);
  engine.bHasAudio = true;
  EXPECT_EQ(S_OK, core->ToggleMute());
  EXPECT_EQ(-10000, engine.lVolume);
  core->OnKey('m');
  EXPECT_EQ(0, engine.lVolume);
  engine.hrGetVolume = E_FAIL;
  EXPECT_EQ(E_FAIL, core->ToggleMute());
  EXPECT_EQ("IDS_MSG_FAIL_READ_AUDIO_VOLUME", view.messages.back());
}

TEST_F(PlayerCoreTest, StepsTicksAndSeekThread) {
  Open(Record("a.avi", {}));
  view.pos = 5;
  EXPECT_EQ(S_OK, core->StepFrames(-9));
  EXPECT_EQ(1u, view.pos.load());
  EXPECT_EQ(0, engine.llPosition);
  core->OnKey('9');
  EXPECT_EQ(10u, view.pos.load());
  EXPECT_EQ(9 * kFrame, engine.llPosition);
  EXPECT_EQ(0, core->StepFrames(0));
  // A seek request pauses running playback, then the thread seeks to the bar's position.
  core->PlaybackCommand(kCmdPlay);
  view.pos = 2001;
  core->OnSeekRequest();
  EXPECT_EQ(kPsPaused, core->GetPlayState());
  EXPECT_FALSE(view.timers);
  for (int i = 0; i < 200 && core->GetPosition() != 2000 * kFrame; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(2000 * kFrame, core->GetPosition());
  EXPECT_EQ(kStart + 80, core->GetCurrent());
  // A failed seek leaves the position as it was.
  engine.hrSeek = E_FAIL;
  EXPECT_EQ(E_FAIL, core->SeekTo(0));
  EXPECT_EQ(2000 * kFrame, core->GetPosition());
}

// A jump right after a seek request is not undone by the seek thread finishing after it.
TEST_F(PlayerCoreTest, JumpAfterASeekRequestWaitsForTheSeekThread) {
  Open(Record("a.avi", {{0, kStart + 5, kStart + 20}}));
  engine.nSeekDelayMs = 50;
  view.pos = 26;  // frame 26 = 1 s in, before the event
  core->OnSeekRequest();
  core->Forward();  // to the event's start
  EXPECT_EQ(5 * 10000000LL, core->GetPosition());
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
  EXPECT_EQ(5 * 10000000LL, engine.llPosition);
  EXPECT_EQ(kStart + 5, core->GetCurrent());
  engine.nSeekDelayMs = 0;
}

TEST_F(PlayerCoreTest, EventJumpsKeepRunningPlayback) {
  Open(Record("a.avi", {{0, kStart + 5, kStart + 20}, {0, kStart + 60, kStart + 90}}));
  core->PlaybackCommand(kCmdPlay);
  engine.llPosition = 10 * 10000000LL;
  core->OnPositionTick();
  core->Forward();
  EXPECT_EQ(20 * 10000000LL, core->GetPosition());
  EXPECT_EQ(501u, view.pos.load());
  EXPECT_EQ(kPsRunning, core->GetPlayState());
  EXPECT_EQ(1, core->GetResume());
  EXPECT_EQ(kStart + 20, core->GetCurrent());
  core->PlaybackCommand(kCmdPause);
  core->Backward();  // exactly at the first event's end: back to its start
  EXPECT_EQ(5 * 10000000LL, core->GetPosition());
  EXPECT_EQ(kPsPaused, core->GetPlayState());
  core->Backward();  // at the first event's start: the record start
  EXPECT_EQ(0, core->GetPosition());
  EXPECT_EQ(1u, view.pos.load());
}

TEST_F(PlayerCoreTest, JumpsWithoutEventsStepFiveSeconds) {
  Open(Record("a.avi", {}, false));
  view.pos = 10;
  core->Forward();
  EXPECT_EQ(135u, view.pos.load());
  EXPECT_EQ(134 * kFrame, engine.llPosition);
  core->Backward();
  core->Backward();
  EXPECT_EQ(1u, view.pos.load());
}

TEST_F(PlayerCoreTest, ZeroLengthClipHasDefinedResults) {
  engine.llDuration = 0;
  engine.llFrames = 0;
  Open(Record("a.avi", {{0, kStart + 5, kStart + 20}}));
  EXPECT_EQ(0, core->GetFrameTime());
  EXPECT_EQ((std::vector<uint32_t>{0, 0}), view.marks);
  core->PlaybackCommand(kCmdPlay);
  EXPECT_EQ(500u, view.positionPeriod);
  core->OnPositionTick();
  core->Forward();
  core->Backward();
  EXPECT_EQ(kStart, core->GetEnd());
}

}  // namespace
}  // namespace vt

namespace vt {
namespace {

// While running, the engine's clock runs ahead of the picture. Pausing, ticking, stepping and
// capturing all take the frame on screen.
TEST_F(PlayerCoreTest, NowIsTheFrameOnScreen) {
  Open(Record("a.avi", {}));
  core->PlaybackCommand(kCmdPlay);
  // A tick: the clock says 12.3 s, the picture shows frame 300 (11.96 s).
  engine.llPosition = 123 * 1000000LL;
  engine.llShownPosition = 299 * kFrame;
  core->OnPositionTick();
  EXPECT_EQ(300u, view.pos.load());
  EXPECT_EQ(299 * kFrame, core->GetPosition());
  EXPECT_EQ(kStart + 11, view.shownTime);
  // Pause: the picture stays on frame 301 while the clock has gone on.
  engine.llPosition = 125 * 1000000LL;
  engine.llShownPosition = 300 * kFrame;
  core->PlaybackCommand(kCmdPause);
  EXPECT_EQ(301u, view.pos.load());
  EXPECT_EQ(kStart + 12, core->GetCurrent());
  EXPECT_EQ(kStart + 12, view.shownTime);
  // The next step and a capture start from there.
  EXPECT_EQ(S_OK, core->StepFrames(1));
  EXPECT_EQ(302u, view.pos.load());
  EXPECT_EQ(301 * kFrame, engine.llPosition);
  std::vector<uint8_t> shot = core->CaptureForSnapshot();
  ASSERT_GT(shot.size(), sizeof(BITMAPINFOHEADER));
  EXPECT_EQ(301 % 256, shot[sizeof(BITMAPINFOHEADER)]);
  EXPECT_EQ(kStart + 12, core->GetCurrent());
  // A key step while running starts from the picture, not from the last tick.
  core->PlaybackCommand(kCmdPlay);
  engine.llShownPosition = 400 * kFrame;
  core->OnKey('2');
  EXPECT_EQ(403u, view.pos.load());
  EXPECT_EQ(402 * kFrame, engine.llPosition);
}

// A seek request pauses playback with its target already in the seek bar: the pause must not
// put the bar back on the frame on screen.
TEST_F(PlayerCoreTest, SeekRequestKeepsItsTarget) {
  Open(Record("a.avi", {}));
  core->PlaybackCommand(kCmdPlay);
  engine.llShownPosition = 50 * kFrame;
  view.pos = 1001;
  core->OnSeekRequest();
  for (int i = 0; i < 200 && core->GetPosition() != 1000 * kFrame; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(1000 * kFrame, core->GetPosition());
  EXPECT_EQ(1001u, view.pos.load());
  EXPECT_EQ(kStart + 40, core->GetCurrent());
}

// A seek shows the frame at or before its target; position and time are that frame's.
TEST_F(PlayerCoreTest, JumpTakesTheTimeOfTheFrameItShows) {
  Open(Record("a.avi", {{0, kStart + 5, kStart + 20}}));
  engine.llLastFrame = 2999 * kFrame;
  // From 30 s, after the last event, Forward goes to the end of the record.
  ASSERT_EQ(S_OK, core->SeekTo(30 * 10000000LL));
  core->Forward();
  EXPECT_EQ(core->GetDuration(), engine.llPosition);
  EXPECT_EQ(2999 * kFrame, core->GetPosition());
  EXPECT_EQ(kStart + 119, core->GetCurrent());
  EXPECT_EQ(kStart + 119, view.shownTime);
  EXPECT_EQ(3000u, view.pos.load());
}

// A stream that fails while playing ends like the end of the stream, and says why.
TEST_F(PlayerCoreTest, StreamErrorEndsPlaybackAndIsReported) {
  core->SetAutoPlay(1);
  Open(Record("a.avi", {}));
  engine.llPosition = 20 * 10000000LL;
  core->OnPositionTick();
  static const char kReason[] = "Internal data stream error.";
  engine.RaiseEvent(EC_ERRORABORT, static_cast<intptr_t>(0x80040265u), reinterpret_cast<intptr_t>(kReason));
  core->HandleGraphEvent();
  EXPECT_EQ(kPsPaused, core->GetPlayState());
  EXPECT_FALSE(view.timers);
  EXPECT_EQ(1u, view.pos.load());
  EXPECT_EQ(kStart, view.shownTime);
  ASSERT_EQ(1u, view.status.size());
  EXPECT_EQ("Playback of a.avi stopped by an error (0x80040265): Internal data stream error.", view.status[0]);
  EXPECT_EQ(view.status[0], core->GetError());
}

// A record without video has no frame count: it gets one position per 40 ms, the seek bar
// starts at 1 and jumps step five seconds.
TEST_F(PlayerCoreTest, AudioOnlyRecordSeeksAndJumps) {
  Open(Record("a.avi", {}));
  view.pos = 2000;
  core->CloseClip();
  engine.bHasVideo = false;
  engine.bHasAudio = true;
  engine.llFrames = 0;
  engine.llDuration = 61 * 10000000LL + 5;
  Open(Record("b.avi", {}, false));
  EXPECT_TRUE(core->IsAudioOnly());
  EXPECT_EQ(1526u, view.range);  // 61 s in 40 ms steps, the last one short
  EXPECT_EQ(1u, view.pos.load());
  core->Forward();
  EXPECT_EQ(126u, view.pos.load());
  EXPECT_EQ(5 * 10000000LL, core->GetPosition());
  EXPECT_EQ(kStart + 5, core->GetCurrent());
  core->Backward();
  EXPECT_EQ(1u, view.pos.load());
  EXPECT_EQ(0, core->GetPosition());
}

// Nothing open, nothing on the information bar: not the construction time, not the time of the
// record just closed.
TEST_F(PlayerCoreTest, InformationBarIsEmptyWithNothingOpen) {
  core->CloseClip();
  EXPECT_FALSE(view.lineShown);
  Open(Record("a.avi", {}));
  EXPECT_TRUE(view.lineShown);
  core->OnKey('Q');
  EXPECT_FALSE(core->IsOpen());
  EXPECT_FALSE(view.lineShown);
  core->PlaybackCommand(kCmdPlay);  // nothing open: no effect, nothing drawn
  EXPECT_FALSE(view.lineShown);
}

// The rate is judged on the frames shown: x16 asked, the picture moving at x4 is said on the
// status line after the judging time; the text goes when playback pauses.
TEST_F(PlayerCoreTest, RateThatCannotBeHeldIsSaidOnTheStatusLine) {
  int64_t nowMs = 0;
  core->SetWallClock([&] { return nowMs; });
  Open(Record("a.avi", {}));
  core->OnSpeedCommand(kIdSpeedLast);
  core->PlaybackCommand(kCmdPlay);
  view.status.clear();
  for (int tick = 1; tick <= 6; ++tick) {
    nowMs += 500;
    engine.llShownPosition = nowMs * 4 * 10000;  // x4 in 100 ns units
    core->OnPositionTick();
  }
  ASSERT_FALSE(view.status.empty());
  EXPECT_EQ("x16 is faster than this computer can decode: playing at about x4.0", view.status.back());
  core->PlaybackCommand(kCmdPause);
  EXPECT_EQ("", view.status.back());
  // Held: nothing is said.
  view.status.clear();
  core->OnSpeedCommand(kIdSpeedNormal);
  core->PlaybackCommand(kCmdPlay);
  const int64_t start = engine.llShownPosition, startMs = nowMs;
  for (int tick = 1; tick <= 6; ++tick) {
    nowMs += 500;
    engine.llShownPosition = start + (nowMs - startMs) * 10000;
    core->OnPositionTick();
  }
  EXPECT_TRUE(view.status.empty());
}

}  // namespace
}  // namespace vt
