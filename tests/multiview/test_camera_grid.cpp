// The grid on real engines and generated recordings (grid_fixture.h): after go to time, play,
// pause, frame steps both ways and rate changes, every tile shows the frame that covers the
// common time, read from the picture's barcode; recordings switch at their ends and beginnings
// while the others play; a tile that falls behind is sought alone; Windows index paths and
// read-only review mode.
#include <gst/gst.h>

#include <chrono>
#include <thread>

#include "multiview/grid_fixture.h"
#include "platform/data_policy.h"
#include "playback/player_logic.h"

namespace vt::test {
namespace {

constexpr int64_t kSec = kTicksPerSecond;
constexpr int64_t kMs = kSec / 1000;

int64_t At(int s, int ms = 0) { return TicksOf(GridUtc(10, 0, 0)) + s * kSec + ms * kMs; }

// Number in the tile's picture (-1 none): the engine's capture of the frame on screen.
int ShownNumber(const CCameraGrid& grid, int tile) {
  IMediaEngine* e = grid.Engine(tile);
  if (!e) return -1;
  int32_t size = 0;
  if (Failed(e->GetCurrentImage(&size, nullptr))) return -1;
  std::vector<uint8_t> buf(static_cast<size_t>(size));
  if (Failed(e->GetCurrentImage(&size, buf.data()))) return -1;
  return ReadFrameNumber(buf.data(), buf.size());
}

class CameraGrid : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(gst_init_check(nullptr, nullptr, nullptr)); }
  void SetUp() override {
    ASSERT_TRUE(GridData::Get().Ok()) << GridData::Get().Error();
    Show({0, 1, 2, 3});
  }

  void Show(std::vector<int> cams) {
    cams_ = std::move(cams);
    std::vector<std::optional<CameraEntry>> list;
    for (int c : cams_) list.push_back(c < 0 ? std::nullopt : std::optional<CameraEntry>(GridData::Get().Camera(c)));
    grid_.SetCameras(list);
  }
  // Every tile shows the frame of its camera that covers the grid's time, or is dark.
  void ExpectCovering(const char* when) {
    const int64_t t = grid_.Now();
    for (int i = 0; i < grid_.TileCount(); ++i) {
      if (cams_[static_cast<size_t>(i)] < 0) {
        EXPECT_EQ(grid_.State(i), TileState::kNoCamera);
        continue;
      }
      const int want = GridData::ExpectedNumber(cams_[static_cast<size_t>(i)], t);
      if (want < 0) {
        EXPECT_EQ(grid_.State(i), TileState::kNoRecording) << when << " tile " << i;
        continue;
      }
      EXPECT_EQ(grid_.State(i), TileState::kPicture) << when << " tile " << i << ": " << grid_.FailureText(i);
      EXPECT_EQ(ShownNumber(grid_, i), want) << when << " tile " << i << " at +" << (t - At(0)) / kMs << " ms";
    }
  }
  // Plays until the clock has passed t (at most timeoutMs), ticking as the window does.
  bool PlayUntil(int64_t t, int timeoutMs = 15000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (grid_.Now() < t) {
      if (std::chrono::steady_clock::now() > end) return false;
      grid_.Tick();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }

  ScopedTz tz_{"UTC0"};
  std::vector<int> cams_;
  CCameraGrid grid_{[] { return CreateGstEngine(EngineOptions{true}); }};
};

TEST_F(CameraGrid, GoToTimeShowsTheFrameThatCoversItOnEveryTile) {
  const int64_t times[] = {
      At(0),            // C1 only
      At(1, 990),       // inside frames; C4 at 12.5 fps mid-frame
      At(2),            // C2 begins exactly
      At(3, 500),       // C3 in its gap
      At(5, 79),        // C3's second recording; C4 frame 50 (79 ms in: still the frame of 5.0)
      At(6, 999),       // last moments of C3 and C4
      At(7, 500),       // C2 alone
      At(9),            // nothing at all
  };
  for (int64_t t : times) {
    grid_.GoTo(t);
    EXPECT_EQ(grid_.Now(), t);
    ExpectCovering("go to");
  }
}

TEST_F(CameraGrid, PlayThenPauseAcrossBeginningsEndsAndAGap) {
  grid_.GoTo(At(1, 700));
  grid_.Play();
  EXPECT_TRUE(grid_.IsPlaying());
  // Over C2's beginning (2 s) and C3's end (3 s); then pause somewhere after 3.2 s.
  ASSERT_TRUE(PlayUntil(At(3, 200)));
  EXPECT_EQ(grid_.State(1), TileState::kPicture);
  grid_.Pause();
  EXPECT_FALSE(grid_.IsPlaying());
  EXPECT_GT(grid_.Now(), At(3, 200));
  ExpectCovering("paused after playing");
  // On over C3's gap into its second recording.
  grid_.GoTo(At(4, 800));
  grid_.Play();
  ASSERT_TRUE(PlayUntil(At(5, 300)));
  grid_.Pause();
  ExpectCovering("paused after the gap");
  EXPECT_EQ(grid_.Recording(2), 1);
  // While playing every tile showed pictures.
  for (int i = 0; i < 4; ++i) EXPECT_GT(grid_.Stats(i).nFramesShown, 0) << i;
}

TEST_F(CameraGrid, FrameStepsBothWaysMoveEveryTileByWallClockTime) {
  grid_.GoTo(At(0, 920));
  std::vector<int64_t> visited{grid_.Now()};
  for (int i = 0; i < 6; ++i) {
    ASSERT_TRUE(grid_.Step(+1));
    visited.push_back(grid_.Now());
    ExpectCovering("next frame");
  }
  // The fastest camera sets the pace: 25 fps steps, C3 and C4 beginning at 1 s.
  EXPECT_EQ(visited[1], At(0, 960));
  EXPECT_EQ(visited[2], At(1));
  EXPECT_EQ(visited[3], At(1, 40));
  for (size_t i = visited.size() - 1; i-- > 1;) {
    ASSERT_TRUE(grid_.Step(-1));
    EXPECT_EQ(grid_.Now(), visited[i]);
    ExpectCovering("previous frame");
  }
  // Steps from the last frames of everything: over the end, then nothing more.
  grid_.GoTo(At(7, 960));
  ASSERT_TRUE(grid_.Step(-1));
  EXPECT_EQ(grid_.Now(), At(7, 920));
  EXPECT_FALSE(grid_.Step(+1) && grid_.Step(+1));
  // C4 alone (frames at 1.00, 1.08, ... s): 12.5 fps steps of 80 ms.
  Show({-1, -1, -1, 3});
  grid_.GoTo(At(6));
  ASSERT_TRUE(grid_.Step(+1));
  EXPECT_EQ(grid_.Now(), At(6, 40));
  ExpectCovering("12.5 fps step");
  ASSERT_TRUE(grid_.Step(-1));
  ASSERT_TRUE(grid_.Step(-1));
  EXPECT_EQ(grid_.Now(), At(5, 880));
  ExpectCovering("12.5 fps step back");
}

TEST_F(CameraGrid, RateChangesWhilePlayingKeepEveryTileOnTheClock) {
  grid_.GoTo(At(1));
  grid_.Play();
  int64_t from = At(1);
  for (double rate : {4.0, 0.5, 16.0, 0.0625, 2.0}) {
    grid_.SetRate(rate);
    EXPECT_EQ(grid_.Rate(), rate);
    // A little clock time at every rate (x1/16 needs a while for two 12.5 fps frames).
    ASSERT_TRUE(PlayUntil(from + static_cast<int64_t>(rate >= 1 ? 300 * kMs : 100 * kMs))) << rate;
    grid_.Pause();
    ExpectCovering("rate change");
    from = grid_.Now();
    if (from > At(6)) grid_.GoTo(from = At(1, 500));
    grid_.Play();
  }
  grid_.Pause();
}

// The real engine, except that its first RunAt leaves it paused: the tile falls behind.
class CStallingEngine : public IMediaEngine {
 public:
  explicit CStallingEngine(int* stalls) : m_e(CreateGstEngine(EngineOptions{true})), m_pStalls(stalls) {}
  HRESULT RunAt(int64_t position, double rate, int64_t dueNs, bool keyOnly) override {
    if (*m_pStalls > 0) {
      --*m_pStalls;
      return m_e->Pause();
    }
    return m_e->RunAt(position, rate, dueNs, keyOnly);
  }
  HRESULT RenderFile(const std::string& p) override { return m_e->RenderFile(p); }
  void Close() override { m_e->Close(); }
  bool IsLoaded() const override { return m_e->IsLoaded(); }
  HRESULT Run() override { return m_e->Run(); }
  HRESULT Pause() override { return m_e->Pause(); }
  HRESULT Stop() override { return m_e->Stop(); }
  HRESULT StopWhenReady() override { return m_e->StopWhenReady(); }
  HRESULT GetState(int32_t ms, int32_t* s) override { return m_e->GetState(ms, s); }
  HRESULT SetPositions(int64_t t) override { return m_e->SetPositions(t); }
  HRESULT GetCurrentPosition(int64_t* t) override { return m_e->GetCurrentPosition(t); }
  HRESULT GetShownPosition(int64_t* t) override { return m_e->GetShownPosition(t); }
  HRESULT GetDuration(int64_t* d) override { return m_e->GetDuration(d); }
  HRESULT GetFrameCount(int64_t* f) override { return m_e->GetFrameCount(f); }
  HRESULT PutRate(double r) override { return m_e->PutRate(r); }
  HRESULT GetRate(double* r) override { return m_e->GetRate(r); }
  HRESULT GetVolume(int32_t* v) override { return m_e->GetVolume(v); }
  HRESULT PutVolume(int32_t v) override { return m_e->PutVolume(v); }
  HRESULT GetVideoSize(int32_t* w, int32_t* h) override { return m_e->GetVideoSize(w, h); }
  HRESULT GetVisible(bool* v) override { return m_e->GetVisible(v); }
  HRESULT GetCurrentImage(int32_t* s, uint8_t* b) override { return m_e->GetCurrentImage(s, b); }
  std::shared_ptr<const VideoFrame> LatestFrame() override { return m_e->LatestFrame(); }
  HRESULT SetNotifyWindow(IMessageTarget* t, uint32_t m, LPARAM l) override { return m_e->SetNotifyWindow(t, m, l); }
  void SetFrameNotify(IMessageTarget* t, uint32_t m) override { m_e->SetFrameNotify(t, m); }
  HRESULT GetEvent(int32_t* c, intptr_t* a, intptr_t* b, int32_t ms) override { return m_e->GetEvent(c, a, b, ms); }
  HRESULT FreeEventParams(int32_t c, intptr_t a, intptr_t b) override { return m_e->FreeEventParams(c, a, b); }
  const std::string& ErrorText() const override { return m_e->ErrorText(); }

 private:
  std::unique_ptr<IMediaEngine> m_e;
  int* m_pStalls;
};

TEST(CameraGridDrift, ATileThatFallsBehindIsSoughtAloneWhileTheOthersPlayOn) {
  ASSERT_TRUE(gst_init_check(nullptr, nullptr, nullptr));
  ASSERT_TRUE(GridData::Get().Ok()) << GridData::Get().Error();
  ScopedTz utc("UTC0");
  int stalls = 0;
  int made = 0;
  // The first engine made (tile 0's) stalls on its first start.
  CCameraGrid grid([&] {
    if (made++ == 0) return std::unique_ptr<IMediaEngine>(new CStallingEngine(&stalls));
    return CreateGstEngine(EngineOptions{true});
  });
  grid.SetCameras({GridData::Get().Camera(0), GridData::Get().Camera(3), std::nullopt, std::nullopt});
  grid.GoTo(At(1, 500));
  stalls = 1;
  grid.Play();
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (grid.Stats(0).nResyncs == 0 && std::chrono::steady_clock::now() < end) {
    grid.Tick();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(grid.Stats(0).nResyncs, 1);
  EXPECT_FALSE(grid.Stats(0).bKeyOnly);
  // Meanwhile the stalled tile showed nothing new, and the other plays on: on a loaded machine
  // its first frame may come only after the resync.
  EXPECT_EQ(grid.Stats(0).nFramesShown, 0);
  const auto shown = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (grid.Stats(1).nFramesShown == 0 && std::chrono::steady_clock::now() < shown) {
    grid.Tick();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_GT(grid.Stats(1).nFramesShown, 0);
  // The stalled tile plays again, the other goes on.
  const int64_t before = grid.Stats(0).nFramesShown;
  const int64_t other = grid.Stats(1).nFramesShown;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while ((grid.Stats(0).nFramesShown <= before + 3 || grid.Stats(1).nFramesShown <= other) &&
         std::chrono::steady_clock::now() < until && grid.Now() < At(5, 900)) {
    grid.Tick();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_GT(grid.Stats(0).nFramesShown, before + 3);
  EXPECT_GT(grid.Stats(1).nFramesShown, other);
  grid.Pause();
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(ShownNumber(grid, i), GridData::ExpectedNumber(i == 0 ? 0 : 3, grid.Now())) << i;
}

TEST(CameraGridData, WindowsIndexPathsAndReadOnlyDataAreShownWithoutWritingAnything) {
  ASSERT_TRUE(gst_init_check(nullptr, nullptr, nullptr));
  ASSERT_TRUE(GridData::Get().Ok()) << GridData::Get().Error();
  ScopedTz utc("UTC0");
  TempDir copy("vt_grid_windows");
  // A copy of C3's folder with the index a Windows recorder wrote.
  const fs::path cam = fs::path(copy.path()) / "camera03";
  fs::copy(GridData::Get().CameraFolder(2), cam, fs::copy_options::recursive);
  ASSERT_TRUE(WriteWindowsIndex(cam, 2));
  // And a copy of C4's folder without an index, reviewed read-only.
  const fs::path cam4 = fs::path(copy.path()) / "camera04";
  fs::copy(GridData::Get().CameraFolder(3), cam4, fs::copy_options::recursive);
  const auto stamp = [](const fs::path& p) {
    std::string s;
    for (const auto& e : fs::recursive_directory_iterator(p))
      s += e.path().string() + ":" + std::to_string(e.is_regular_file() ? e.file_size() : 0) + ":" +
           std::to_string(fs::last_write_time(e).time_since_epoch().count()) + "\n";
    return s;
  };
  const std::string before = stamp(copy.path());
  SetReadOnlyData(true);
  {
    CCameraGrid grid([] { return CreateGstEngine(EngineOptions{true}); });
    grid.SetCameras({CameraEntry{2, "C3:Door", cam.string()}, CameraEntry{3, "C4:Lane", cam4.string()}});
    for (int64_t t : {At(1, 500), At(5, 500)}) {
      grid.GoTo(t);
      EXPECT_EQ(ShownNumber(grid, 0), GridData::ExpectedNumber(2, t));
      EXPECT_EQ(ShownNumber(grid, 1), GridData::ExpectedNumber(3, t));
    }
    grid.Play();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    grid.Tick();
    grid.Pause();
    EXPECT_EQ(ShownNumber(grid, 0), GridData::ExpectedNumber(2, grid.Now()));
  }
  SetReadOnlyData(false);
  EXPECT_EQ(stamp(copy.path()), before);
  EXPECT_FALSE(fs::exists(cam4 / "rdb.ndx"));
}

// The engine following an outside clock: frames never ahead of it, key frames only when asked,
// and an ordinary pause and run afterwards going on from the frame reached.
class EngineRunAt : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(gst_init_check(nullptr, nullptr, nullptr));
    s_dir = new TempDir("vt_runat");
    TestClipSpec spec{TestClipSpec::kMpeg4, 192, 144, 75, 25, false};
    spec.keyInterval = 10;
    std::string error;
    ASSERT_TRUE(MakeTestClip(spec, *s_dir / "gop10.avi", &error)) << error;
  }
  static void TearDownTestSuite() {
    delete s_dir;
    s_dir = nullptr;
  }
  // Watches the picture until enough frames were shown or for at most ms: every frame shown and
  // whether any came before its time.
  std::vector<int64_t> Watch(IMediaEngine& e, int64_t pos, int64_t due, double rate, int ms, bool* early,
                             size_t enough) {
    std::vector<int64_t> shown;
    const int64_t end = SteadyNowNs() + ms * 1000000LL;
    while (SteadyNowNs() < end && shown.size() < enough) {
      int64_t p = -1;
      const int64_t now = SteadyNowNs();
      if (Succeeded(e.GetShownPosition(&p)) && (shown.empty() || shown.back() != p)) {
        shown.push_back(p);
        // The clock's position now, with a millisecond of slack for the reading.
        const int64_t clock = pos + static_cast<int64_t>(static_cast<double>(now - due) * rate / 100.0);
        if (now >= due && p > clock + kMs) *early = true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return shown;
  }
  static TempDir* s_dir;
};
TempDir* EngineRunAt::s_dir = nullptr;

TEST_F(EngineRunAt, FramesComeAtTheirTimeAndKeyFramesOnlyWhenAsked) {
  auto e = CreateGstEngine(EngineOptions{true});
  ASSERT_EQ(e->RenderFile(*s_dir / "gop10.avi"), S_OK);
  bool early = false;
  int64_t due = SteadyNowNs() + 200 * 1000000LL;
  ASSERT_EQ(e->RunAt(100 * kMs, 2.0, due, true), S_OK);
  std::vector<int64_t> shown = Watch(*e, 100 * kMs, due, 2.0, 1400, &early, 4);
  EXPECT_FALSE(early);
  // Before the start the frame on screen stays (the first one, 0); then key frames alone.
  ASSERT_GE(shown.size(), 3u);
  EXPECT_EQ(shown.front(), 0);
  for (size_t i = 1; i < shown.size(); ++i) EXPECT_EQ(shown[i] % (10 * 400000), 0) << shown[i];

  ASSERT_EQ(e->Pause(), S_OK);
  int64_t paused = 0;
  ASSERT_EQ(e->GetShownPosition(&paused), S_OK);
  due = SteadyNowNs() + 100 * 1000000LL;
  ASSERT_EQ(e->RunAt(paused, 1.0, due, false), S_OK);
  shown = Watch(*e, paused, due, 1.0, 1500, &early, 6);
  EXPECT_FALSE(early);
  EXPECT_GE(shown.size(), 5u);  // every frame again
  // An ordinary pause and run go on from the frame reached, not from the outside clock's time.
  ASSERT_EQ(e->Pause(), S_OK);
  int32_t state = 0;
  e->GetState(5000, &state);
  ASSERT_EQ(e->GetShownPosition(&paused), S_OK);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_EQ(e->Run(), S_OK);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  int64_t now = 0;
  ASSERT_EQ(e->GetShownPosition(&now), S_OK);
  EXPECT_GT(now, paused);
  EXPECT_LT(now, paused + 400 * kMs);  // not the 500 ms the outside clock went on meanwhile
}

}  // namespace
}  // namespace vt::test
