// Frame steps of the GStreamer engine on generated clips whose frames carry their number:
// forwards and backwards across key frames they show exactly the frame asked for, playing on
// after steps backwards starts from the frame on screen, and fast playback keeps showing
// pictures.
#include <gtest/gtest.h>
#include <gst/gst.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "playback/gst/frame_pack.h"
#include "playback/gst/test_media.h"
#include "playback/media_engine.h"
#include "playback/player_logic.h"

namespace vt {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr int64_t kFrameTime = 400000;  // 25 fps
constexpr int kFrames = 60;
constexpr int kGroup = 20;  // key frames at 0, 20, 40
constexpr uint32_t kMsgFrame = 0x80E0;

struct StepClip {
  const char* name;
  TestClipSpec spec;
};
const StepClip kStepClips[] = {
    {"mpeg4", {TestClipSpec::kMpeg4, 352, 288, kFrames, 25, false, 0, TestClipSpec::kTexture, kGroup}},
    {"h264", {TestClipSpec::kH264, 352, 288, kFrames, 25, false, 0, TestClipSpec::kTexture, kGroup}},
    {"mjpeg", {TestClipSpec::kMjpeg, 352, 288, kFrames, 25, false, 0, TestClipSpec::kTexture, kGroup}},
};
// Larger than a decoder can play at x16 on a small machine.
const StepClip kFastClips[] = {
    {"mjpeg_1080", {TestClipSpec::kMjpeg, 1920, 1080, 100, 25, false, 0, TestClipSpec::kTexture, 50}},
    {"h264_640", {TestClipSpec::kH264, 640, 480, 150, 25, false, 0, TestClipSpec::kTexture, 50}},
};

// Records every frame that goes on screen, as the window would paint it.
class CShownFrames : public IMessageTarget {
 public:
  explicit CShownFrames(IMediaEngine* e) : engine(e) {}
  bool Post(uint32_t msg, WPARAM, LPARAM) override {
    if (msg != kMsgFrame) return true;
    std::shared_ptr<const VideoFrame> f = engine->LatestFrame();
    std::lock_guard<std::mutex> lock(m);
    if (f && (pts.empty() || pts.back() != f->pts)) {
      pts.push_back(f->pts);
      at.push_back(Clock::now());
    }
    return true;
  }
  LRESULT Send(uint32_t, WPARAM, LPARAM) override { return 0; }
  IMediaEngine* engine;
  std::mutex m;
  std::vector<int64_t> pts;
  std::vector<Clock::time_point> at;
};

class GstStepTest : public ::testing::TestWithParam<StepClip> {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(gst_init_check(nullptr, nullptr, nullptr));
    s_dir = fs::temp_directory_path() / ("vt_steps_" + std::to_string(getpid()));
    fs::create_directories(s_dir);
  }
  static void TearDownTestSuite() { fs::remove_all(s_dir); }
  void SetUp() override {
    path = (s_dir / (std::string(GetParam().name) + ".avi")).string();
    if (!fs::exists(path)) {
      std::string err;
      ASSERT_TRUE(MakeTestClip(GetParam().spec, path, &err)) << err;
    }
    engine = CreateGstEngine();
    shown = std::make_unique<CShownFrames>(engine.get());
    engine->SetFrameNotify(shown.get(), kMsgFrame);
    ASSERT_EQ(S_OK, engine->RenderFile(path));
  }
  void TearDown() override {
    engine->SetFrameNotify(nullptr, 0);
    engine->Close();
  }
  // Goes to 0-based frame n as the Player's seek thread does, and returns the number the
  // captured picture carries; the painted frame and the shown position must agree with it.
  int Show(int64_t n) {
    EXPECT_EQ(S_OK, engine->SetPositions(FrameToTime(n + 1, kFrameTime)));
    EXPECT_EQ(S_OK, engine->StopWhenReady());
    int64_t pos = -1;
    EXPECT_EQ(S_OK, engine->GetShownPosition(&pos));
    std::shared_ptr<const VideoFrame> painted = engine->LatestFrame();
    int32_t size = 0;
    if (engine->GetCurrentImage(&size, nullptr) != S_OK) return -2;
    std::vector<uint8_t> buf(static_cast<size_t>(size));
    if (engine->GetCurrentImage(&size, buf.data()) != S_OK) return -3;
    const int number = ReadFrameNumber(buf.data(), buf.size());
    EXPECT_EQ(number * kFrameTime, pos) << "shown position of frame " << n;
    EXPECT_TRUE(painted && painted->pts == number * kFrameTime) << "painted frame for frame " << n;
    return number;
  }

  static fs::path s_dir;
  std::string path;
  std::unique_ptr<IMediaEngine> engine;
  std::unique_ptr<CShownFrames> shown;
};
fs::path GstStepTest::s_dir;

TEST_P(GstStepTest, StepsBothWaysAcrossKeyFramesShowTheFrameAskedFor) {
  if (GetParam().spec.codec != TestClipSpec::kMjpeg) {
    EXPECT_EQ((std::vector<int>{0, kGroup, 2 * kGroup}), ReadKeyFrames(path));
  }
  EXPECT_EQ(14, Show(14));
  // Next Frame over the key frame at 20 and beyond.
  for (int n = 15; n <= 25; ++n) EXPECT_EQ(n, Show(n));
  // Previous Frame back over it, into the group before.
  for (int n = 24; n >= 12; --n) EXPECT_EQ(n, Show(n));
  // Forward again through frames kept from the steps back, then on from the pipeline.
  for (int n = 13; n <= 27; ++n) EXPECT_EQ(n, Show(n));
  // Steps of several frames (the keys 1-9) and back.
  for (int n : {30, 39, 41, 40, 33, 36}) EXPECT_EQ(n, Show(n));
}

TEST_P(GstStepTest, TheLastFrameIsAsFarAsStepsGo) {
  EXPECT_EQ(kFrames - 3, Show(kFrames - 3));
  EXPECT_EQ(kFrames - 2, Show(kFrames - 2));
  EXPECT_EQ(kFrames - 1, Show(kFrames - 1));
  // Past the end: the last frame stays, the end of the stream is not reached while paused.
  EXPECT_EQ(kFrames - 1, Show(kFrames));
  EXPECT_EQ(kFrames - 1, Show(kFrames + 5));
  EXPECT_EQ(kFrames - 2, Show(kFrames - 2));
  int32_t code = 0;
  intptr_t p1 = 0, p2 = 0;
  EXPECT_EQ(E_FAIL, engine->GetEvent(&code, &p1, &p2, 0));
}

TEST_P(GstStepTest, PlayingOnAfterStepsBackStartsFromTheFrameOnScreen) {
  EXPECT_EQ(30, Show(30));
  for (int n = 29; n >= 26; --n) EXPECT_EQ(n, Show(n));
  {
    std::lock_guard<std::mutex> lock(shown->m);
    shown->pts.clear();
  }
  ASSERT_EQ(S_OK, engine->Run());
  const auto end = Clock::now() + std::chrono::seconds(5);
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(shown->m);
      if (shown->pts.size() >= 3) break;
    }
    ASSERT_LT(Clock::now(), end) << "playback did not go on";
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  engine->Pause();
  std::lock_guard<std::mutex> lock(shown->m);
  // The frame on screen again (the seek that puts the pipeline there), then the ones after it.
  ASSERT_GE(shown->pts.size(), 3u);
  EXPECT_LE(shown->pts[0], 27 * kFrameTime);
  EXPECT_GE(shown->pts[0], 26 * kFrameTime);
  for (size_t i = 1; i < shown->pts.size(); ++i) EXPECT_GT(shown->pts[i], shown->pts[i - 1]);
}

// The window paints the frame on screen straight from the decoder's buffer: a frame it still
// holds keeps its picture while the engine steps and plays on (the buffer is not reused).
TEST_P(GstStepTest, AFrameStillHeldKeepsItsPictureWhileTheEngineMovesOn) {
  EXPECT_EQ(10, Show(10));
  std::shared_ptr<const VideoFrame> held = engine->LatestFrame();
  ASSERT_TRUE(held);
  for (int n = 11; n <= 16; ++n) EXPECT_EQ(n, Show(n));
  ASSERT_EQ(S_OK, engine->Run());
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  engine->Pause();
  EXPECT_EQ(10 * kFrameTime, held->pts);
  const std::vector<uint8_t> packed = PackBitmap(*held);
  EXPECT_EQ(10, ReadFrameNumber(packed.data(), packed.size()));
}

INSTANTIATE_TEST_SUITE_P(Clips, GstStepTest, ::testing::ValuesIn(kStepClips),
                         [](const auto& info) { return std::string(info.param.name); });

class GstFastPlayTest : public GstStepTest {};

// At x16 the picture keeps moving: pictures keep reaching the window, however far decoding is
// from keeping up, until the end of the recording.
TEST_P(GstFastPlayTest, X16KeepsShowingPictures) {
  ASSERT_EQ(S_OK, engine->PutRate(16.0));
  ASSERT_EQ(S_OK, engine->StopWhenReady());
  {
    std::lock_guard<std::mutex> lock(shown->m);
    shown->pts.clear();
    shown->at.clear();
  }
  const auto t0 = Clock::now();
  ASSERT_EQ(S_OK, engine->Run());
  const int64_t lastStart = (GetParam().spec.frames - 1) * kFrameTime;
  while (Clock::now() - t0 < std::chrono::seconds(6)) {
    {
      std::lock_guard<std::mutex> lock(shown->m);
      if (!shown->pts.empty() && shown->pts.back() >= lastStart) break;
      int64_t pos = 0;
      engine->GetCurrentPosition(&pos);
      if (pos >= lastStart + kFrameTime) break;  // the end of the stream
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  engine->Pause();
  std::lock_guard<std::mutex> lock(shown->m);
  ASSERT_FALSE(shown->pts.empty());
  // 100 frames at x16 last 0.25 s: a decoder that cannot keep up still shows some of them.
  EXPECT_GE(shown->pts.size(), 5u);
  // Frames that would come late may be dropped up to the very end.
  EXPECT_GE(shown->pts.back(), lastStart - 12 * kFrameTime) << "the end of the recording was not reached in 6 s";
  // Never a frozen picture: no second without a new one.
  std::chrono::milliseconds longest{0};
  for (size_t i = 1; i < shown->at.size(); ++i)
    longest = std::max(longest, std::chrono::duration_cast<std::chrono::milliseconds>(shown->at[i] - shown->at[i - 1]));
  EXPECT_LT(longest.count(), 1000);
}

INSTANTIATE_TEST_SUITE_P(Clips, GstFastPlayTest, ::testing::ValuesIn(kFastClips),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vt
