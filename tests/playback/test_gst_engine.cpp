#include <gtest/gtest.h>
#include <gst/gst.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

#include "playback/engine_errors.h"
#include "playback/gst/gst_engine.h"
#include "playback/gst/test_media.h"
#include "playback/media_engine.h"
#include "playback/player_logic.h"
#include "playback/record_info.h"
#include "playback/vant_writer.h"
#include "snapshot/snapshot_picture.h"

namespace vt {
namespace {

namespace fs = std::filesystem;
constexpr int kFrames = 50;
constexpr int64_t kFrameTime = 400000;  // 25 fps

struct Clip {
  const char* name;
  TestClipSpec spec;
  bool trailer;
};
const Clip kClips[] = {
    {"mjpeg352", {TestClipSpec::kMjpeg, 352, 288, kFrames, 25, false}, true},
    {"mjpeg720", {TestClipSpec::kMjpeg, 720, 576, kFrames, 25, false}, true},
    {"mpeg4_352", {TestClipSpec::kMpeg4, 352, 288, kFrames, 25, false}, true},
    {"mpeg4_720", {TestClipSpec::kMpeg4, 720, 576, kFrames, 25, false}, true},
    {"mjpeg352_audio", {TestClipSpec::kMjpeg, 352, 288, kFrames, 25, true}, true},
    {"plain", {TestClipSpec::kMjpeg, 352, 288, kFrames, 25, false}, false},
};
// Clips for playing and pausing: one frame a second (a paused picture one frame off is a second
// off) and the 25 fps ones above.
constexpr int kSlowFrames = 12;
constexpr int64_t kSlowFrameTime = 10000000;
const Clip kSlowClips[] = {
    {"mjpeg_1fps", {TestClipSpec::kMjpeg, 352, 288, kSlowFrames, 1, false}, false},
    {"mpeg4_1fps", {TestClipSpec::kMpeg4, 352, 288, kSlowFrames, 1, false}, false},
};
// Plain-coloured pictures of odd and even sizes: red 0x30, green 0x60, blue 0xC0.
constexpr uint32_t kPlainColour = 0xFF3060C0;
const Clip kPlainClips[] = {
    {"odd_mjpeg", {TestClipSpec::kMjpeg, 353, 289, 3, 25, false, kPlainColour}, false},
    {"odd_mpeg4", {TestClipSpec::kMpeg4, 353, 289, 3, 25, false, kPlainColour}, false},
    {"odd_width", {TestClipSpec::kMjpeg, 175, 144, 3, 25, false, kPlainColour}, false},
    {"even_mjpeg", {TestClipSpec::kMjpeg, 352, 288, 3, 25, false, kPlainColour}, false},
};
// Ten seconds, for a stream that breaks while playing.
const Clip kLongClip = {"long_mjpeg", {TestClipSpec::kMjpeg, 352, 288, 250, 25, false}, false};

VantTrailer ClipTrailer() {
  VantTrailer t;
  t.events = {{0, 1000000001, 1000000002}};
  t.textA = "Camera 1";
  t.textB = "Gate";
  return t;
}

// Collects the posted notifications from the engine's threads.
class CTarget : public IMessageTarget {
 public:
  bool Post(uint32_t msg, WPARAM, LPARAM lParam) override {
    std::lock_guard<std::mutex> lock(m);
    ++counts[msg];
    lastLParam = lParam;
    cv.notify_all();
    return true;
  }
  LRESULT Send(uint32_t, WPARAM, LPARAM) override { return 0; }
  bool WaitFor(uint32_t msg, int n, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m);
    return cv.wait_for(lock, timeout, [&] { return counts[msg] >= n; });
  }
  std::mutex m;
  std::condition_variable cv;
  std::map<uint32_t, int> counts;
  LPARAM lastLParam = -1;
};

class GstEngineTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(gst_init_check(nullptr, nullptr, nullptr));
    s_dir = fs::temp_directory_path() / ("vt_engine_" + std::to_string(getpid()));
    fs::create_directories(s_dir);
    std::vector<Clip> all(std::begin(kClips), std::end(kClips));
    all.insert(all.end(), std::begin(kSlowClips), std::end(kSlowClips));
    all.insert(all.end(), std::begin(kPlainClips), std::end(kPlainClips));
    all.push_back(kLongClip);
    for (const Clip& c : all) {
      std::string err;
      const std::string path = Path(c.name);
      ASSERT_TRUE(MakeTestClip(c.spec, path, &err)) << c.name << ": " << err;
      if (c.trailer) {
        ASSERT_TRUE(AppendVantTrailer(path, ClipTrailer()));
      }
    }
  }
  static void TearDownTestSuite() { fs::remove_all(s_dir); }
  static std::string Path(const std::string& name) { return (s_dir / (name + ".avi")).string(); }

  void SetUp() override {
    m_engine = CreateGstEngine();
    ASSERT_TRUE(m_engine);
  }
  // Shows frame n (1-based) and returns the number its picture carries (0-based).
  int ShowFrame(int64_t n) {
    EXPECT_EQ(S_OK, m_engine->SetPositions(FrameToTime(n, kFrameTime)));
    EXPECT_EQ(S_OK, m_engine->StopWhenReady());
    int32_t size = 0;
    if (m_engine->GetCurrentImage(&size, nullptr) != S_OK) return -2;
    std::vector<uint8_t> buf(static_cast<size_t>(size));
    if (m_engine->GetCurrentImage(&size, buf.data()) != S_OK) return -3;
    return ReadFrameNumber(buf.data(), buf.size());
  }

  // Number carried by the captured frame, or a negative value.
  int CapturedNumber() {
    int32_t size = 0;
    if (m_engine->GetCurrentImage(&size, nullptr) != S_OK) return -2;
    std::vector<uint8_t> buf(static_cast<size_t>(size));
    if (m_engine->GetCurrentImage(&size, buf.data()) != S_OK) return -3;
    return ReadFrameNumber(buf.data(), buf.size());
  }
  int64_t Shown() {
    int64_t t = -1;
    EXPECT_EQ(S_OK, m_engine->GetShownPosition(&t));
    return t;
  }
  CGstEngine* Gst() { return dynamic_cast<CGstEngine*>(m_engine.get()); }
  // Runs until the clock has rendered at least n frames (at most 10 s).
  bool RunUntilRendered(uint64_t n) {
    EXPECT_EQ(S_OK, m_engine->Run());
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (Gst()->RenderedFrames() < n && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return Gst()->RenderedFrames() >= n;
  }

  static fs::path s_dir;
  std::unique_ptr<IMediaEngine> m_engine;
};
fs::path GstEngineTest::s_dir;

TEST_F(GstEngineTest, LengthSizeAndStreams) {
  for (const Clip& c : kClips) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(S_OK, m_engine->RenderFile(Path(c.name))) << m_engine->ErrorText();
    int64_t dur = 0, frames = 0;
    EXPECT_EQ(S_OK, m_engine->GetDuration(&dur));
    EXPECT_EQ(S_OK, m_engine->GetFrameCount(&frames));
    EXPECT_EQ(kFrames * kFrameTime, dur);
    EXPECT_EQ(kFrames, frames);
    int32_t w = 0, h = 0;
    EXPECT_EQ(S_OK, m_engine->GetVideoSize(&w, &h));
    EXPECT_EQ(c.spec.width, w);
    EXPECT_EQ(c.spec.height, h);
    int32_t vol = 1;
    EXPECT_EQ(c.spec.audio ? S_OK : E_NOTIMPL, m_engine->GetVolume(&vol));
    int32_t state = -1;
    EXPECT_EQ(S_OK, m_engine->GetState(1000, &state));
    EXPECT_EQ(State_Paused, state);
  }
}

TEST_F(GstEngineTest, ExactSeekShowsAndCapturesTheFrame) {
  for (const Clip& c : kClips) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(S_OK, m_engine->RenderFile(Path(c.name))) << m_engine->ErrorText();
    for (int64_t n : {1, 2, 17, 26, 13, 49, 50, 3}) EXPECT_EQ(n - 1, ShowFrame(n)) << "frame " << n;
    // Past the end: the last frame, not an empty picture.
    EXPECT_EQ(kFrames - 1, ShowFrame(kFrames + 10));
    int32_t size = 0;
    ASSERT_EQ(S_OK, m_engine->GetCurrentImage(&size, nullptr));
    std::vector<uint8_t> buf(static_cast<size_t>(size));
    ASSERT_EQ(S_OK, m_engine->GetCurrentImage(&size, buf.data()));
    BITMAPINFOHEADER bih;
    std::memcpy(&bih, buf.data(), sizeof bih);
    EXPECT_EQ(MakeFourCC('I', '4', '2', '0'), bih.biCompression);
    EXPECT_EQ(12, bih.biBitCount);
    EXPECT_EQ(c.spec.width, bih.biWidth);
    auto frame = m_engine->LatestFrame();
    ASSERT_TRUE(frame);
    EXPECT_EQ(c.spec.width, frame->width);
    EXPECT_EQ((kFrames - 1) * kFrameTime, frame->pts);
  }
}

TEST_F(GstEngineTest, PlayToEndOfStreamAndRewind) {
  ASSERT_EQ(S_OK, m_engine->RenderFile(Path("mjpeg352_audio")));
  CTarget target;
  m_engine->SetNotifyWindow(&target, kMsgGraphNotify, 0);
  m_engine->SetFrameNotify(&target, kWmApp + 100);
  ASSERT_EQ(S_OK, m_engine->PutRate(4.0));
  ASSERT_EQ(S_OK, m_engine->Run());
  int32_t state = -1;
  m_engine->GetState(1000, &state);
  EXPECT_EQ(State_Running, state);
  ASSERT_TRUE(target.WaitFor(kMsgGraphNotify, 1, std::chrono::seconds(10)));
  EXPECT_EQ(0, target.lastLParam);
  int32_t code = 0;
  intptr_t p1 = 0, p2 = 0;
  ASSERT_EQ(S_OK, m_engine->GetEvent(&code, &p1, &p2, 0));
  EXPECT_EQ(EC_COMPLETE, code);
  EXPECT_EQ(E_FAIL, m_engine->GetEvent(&code, &p1, &p2, 0));
  EXPECT_GT(target.counts[kWmApp + 100], 0);
  // The Player's stop: stop, rewind, pause on the first frame.
  EXPECT_EQ(S_OK, m_engine->Stop());
  EXPECT_EQ(S_OK, m_engine->SetPositions(0));
  EXPECT_EQ(S_OK, m_engine->Pause());
  EXPECT_EQ(S_OK, m_engine->GetState(2000, &state));
  EXPECT_EQ(State_Paused, state);
  int64_t pos = -1;
  m_engine->GetCurrentPosition(&pos);
  EXPECT_EQ(0, pos);
  EXPECT_EQ(0, ShowFrame(1));
  // And it plays again after the end.
  ASSERT_EQ(S_OK, m_engine->Run());
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  m_engine->GetCurrentPosition(&pos);
  EXPECT_GT(pos, 0);
}

TEST_F(GstEngineTest, EveryTableRateWithAndWithoutAudio) {
  for (const char* name : {"mjpeg352", "mjpeg352_audio"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(S_OK, m_engine->RenderFile(Path(name)));
    for (const auto& s : kSpeedTable) {
      SCOPED_TRACE(s.menuText);
      ASSERT_EQ(S_OK, m_engine->SetPositions(FrameToTime(10, kFrameTime)));
      ASSERT_EQ(S_OK, m_engine->StopWhenReady());
      ASSERT_EQ(S_OK, m_engine->PutRate(s.rate));
      double rate = 0;
      m_engine->GetRate(&rate);
      EXPECT_EQ(s.rate, rate);
      int64_t before = 0, after = 0;
      m_engine->GetCurrentPosition(&before);
      const auto t0 = std::chrono::steady_clock::now();
      ASSERT_EQ(S_OK, m_engine->Run());
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
      m_engine->GetCurrentPosition(&after);
      const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      ASSERT_EQ(S_OK, m_engine->Pause());
      EXPECT_GT(after, before);
      // No more than the rate allows in the time that passed (plus two frames).
      EXPECT_LE(after - before, static_cast<int64_t>(s.rate * wall * 1.05e7) + 2 * kFrameTime);
      // The rate sticks across seeks.
      ASSERT_EQ(S_OK, m_engine->SetPositions(0));
      m_engine->GetRate(&rate);
      EXPECT_EQ(s.rate, rate);
    }
    for (double bad : {0.0, -1.0, 16.25}) {
      EXPECT_TRUE(Failed(m_engine->PutRate(bad))) << bad;
      double rate = 0;
      m_engine->GetRate(&rate);
      EXPECT_EQ(16.0, rate);
    }
  }
}

TEST_F(GstEngineTest, VolumeOnlyWithAudio) {
  ASSERT_EQ(S_OK, m_engine->RenderFile(Path("mjpeg352_audio")));
  int32_t vol = 1;
  ASSERT_EQ(S_OK, m_engine->GetVolume(&vol));
  EXPECT_EQ(0, vol);
  EXPECT_EQ(S_OK, m_engine->PutVolume(-10000));
  EXPECT_EQ(S_OK, m_engine->GetVolume(&vol));
  EXPECT_EQ(-10000, vol);
  EXPECT_TRUE(Failed(m_engine->PutVolume(1)));
  ASSERT_EQ(S_OK, m_engine->RenderFile(Path("mjpeg352")));
  EXPECT_EQ(E_NOTIMPL, m_engine->GetVolume(&vol));
  EXPECT_EQ(E_NOTIMPL, m_engine->PutVolume(-10000));
  bool visible = false;
  EXPECT_EQ(S_OK, m_engine->GetVisible(&visible));
}

TEST_F(GstEngineTest, UnplayableFileLeavesTheEngineEmpty) {
  const std::string text = (s_dir / "notes.avi").string();
  std::ofstream(text) << "not a video at all\n";
  const std::string empty = (s_dir / "empty.avi").string();
  std::ofstream{empty};
  // An AVI header the demuxer refuses: it reports an error but leaves the state change pending.
  const std::string broken = (s_dir / "broken.avi").string();
  std::ofstream(broken, std::ios::binary) << std::string("RIFF\x40\0\0\0AVI LIST\x30\0\0\0hdrlavih", 28)
                                          << std::string(64, '\xEE');
  const struct {
    std::string path;
    const char* error;
  } cases[] = {
      {text, "FAILED(hr=0x80040265) in m_pGB->RenderFile(wFile, NULL)\n"},
      {empty, "FAILED(hr=0x80040265) in m_pGB->RenderFile(wFile, NULL)\n"},
      {broken, "FAILED(hr=0x80040265) in m_pGB->RenderFile(wFile, NULL)\n"},
      {(s_dir / "missing.avi").string(), "FAILED(hr=0x80070002) in m_pGB->RenderFile(wFile, NULL)\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    ASSERT_EQ(S_OK, m_engine->RenderFile(Path("plain")));
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_TRUE(Failed(m_engine->RenderFile(c.path)));
    // Told when the file is refused, not after the ten seconds a slow file may take to open.
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
    EXPECT_FALSE(m_engine->IsLoaded());
    EXPECT_EQ(c.error, m_engine->ErrorText());
    int64_t dur = 0;
    EXPECT_EQ(E_FAIL, m_engine->GetDuration(&dur));
    int32_t size = 0;
    EXPECT_EQ(E_FAIL, m_engine->GetCurrentImage(&size, nullptr));
    EXPECT_EQ(E_FAIL, m_engine->Run());
  }
}

// Pausing keeps the frame that is on screen: the sink's next frame, prerolled by the pause, is
// shown only when playing goes on. The position of the frame on screen is that of its pixels.
TEST_F(GstEngineTest, PauseKeepsTheFrameOnScreen) {
  const struct {
    const char* clip;
    int64_t frameTime;
    double rate;
  } cases[] = {
      {"mjpeg_1fps", kSlowFrameTime, 1.0}, {"mpeg4_1fps", kSlowFrameTime, 1.0},  {"mjpeg_1fps", kSlowFrameTime, 16.0},
      {"mpeg4_1fps", kSlowFrameTime, 4.0}, {"mjpeg352", kFrameTime, 1.0},        {"mpeg4_352", kFrameTime, 4.0},
      {"mjpeg352", kFrameTime, 16.0},      {"mpeg4_352", kFrameTime, 16.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.clip) + " x" + std::to_string(c.rate));
    ASSERT_EQ(S_OK, m_engine->RenderFile(Path(c.clip))) << m_engine->ErrorText();
    EXPECT_EQ(0, Shown());
    ASSERT_EQ(S_OK, m_engine->PutRate(c.rate));
    ASSERT_TRUE(RunUntilRendered(2));
    const int64_t before = Shown();
    const uint64_t rendered = Gst()->RenderedFrames();
    ASSERT_EQ(S_OK, m_engine->Pause());
    int32_t state = -1;
    ASSERT_EQ(S_OK, m_engine->GetState(5000, &state));
    const int64_t after = Shown();
    // Only a frame whose time had come (rendered) may have replaced the one on screen.
    if (Gst()->RenderedFrames() == rendered) {
      EXPECT_EQ(before, after);
    }
    EXPECT_EQ(0, after % c.frameTime);
    EXPECT_EQ(after / c.frameTime, CapturedNumber());
    auto frame = m_engine->LatestFrame();
    ASSERT_TRUE(frame);
    EXPECT_EQ(after, frame->pts);
    // Changing the rate while paused does not move the picture either.
    ASSERT_EQ(S_OK, m_engine->PutRate(c.rate == 1.0 ? 2.0 : 1.0));
    ASSERT_EQ(S_OK, m_engine->GetState(5000, &state));
    EXPECT_EQ(after, Shown());
    EXPECT_EQ(after / c.frameTime, CapturedNumber());
  }
}

// The held frame is not lost: playing on shows it next.
TEST_F(GstEngineTest, PlayingOnShowsTheFrameAfterThePausedOne) {
  for (const char* clip : {"mjpeg_1fps", "mpeg4_1fps"}) {
    SCOPED_TRACE(clip);
    ASSERT_EQ(S_OK, m_engine->RenderFile(Path(clip)));
    ASSERT_TRUE(RunUntilRendered(1));  // frame 0, shown again by the clock
    ASSERT_EQ(S_OK, m_engine->Pause());
    int32_t state = -1;
    ASSERT_EQ(S_OK, m_engine->GetState(5000, &state));
    const int64_t paused = Shown();
    const uint64_t rendered = Gst()->RenderedFrames();
    ASSERT_TRUE(RunUntilRendered(rendered + 1));
    EXPECT_EQ(paused + kSlowFrameTime, Shown());
    EXPECT_EQ(paused / kSlowFrameTime + 1, CapturedNumber());
  }
}

// Frames that leave the video decoder, counted from the last flush (a seek).
class CDecodedFrames {
 public:
  explicit CDecodedFrames(GstElement* pipeline) {
    GstIterator* it = gst_bin_iterate_recurse(GST_BIN(pipeline));
    GValue item = G_VALUE_INIT;
    while (!m_pad && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
      auto* e = GST_ELEMENT(g_value_get_object(&item));
      GstElementFactory* f = gst_element_get_factory(e);
      if (f && std::strcmp(GST_OBJECT_NAME(f), "jpegdec") == 0) m_pad = gst_element_get_static_pad(e, "src");
      g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    if (m_pad)
      m_probe = gst_pad_add_probe(m_pad, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_FLUSH),
                                  &CDecodedFrames::OnData, this, nullptr);
  }
  ~CDecodedFrames() {
    if (m_pad) {
      gst_pad_remove_probe(m_pad, m_probe);
      gst_object_unref(m_pad);
    }
  }
  bool Found() const { return m_pad != nullptr; }
  int Count() const { return m_count.load(); }

 private:
  static GstPadProbeReturn OnData(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* self = static_cast<CDecodedFrames*>(data);
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER)
      ++self->m_count;
    else if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_FLUSH_STOP)
      self->m_count = 0;
    return GST_PAD_PROBE_OK;
  }
  GstPad* m_pad = nullptr;
  gulong m_probe = 0;
  std::atomic<int> m_count{0};
};

// Paused, a seek on an intra-only stream decodes the frame it shows and nothing ahead of it
// (the next seek's flush would wait for that decode); a step lets the decoder run ahead again,
// and playing goes on from there.
TEST_F(GstEngineTest, APausedSeekDecodesOnlyItsFrameUntilAStep) {
  using std::chrono::milliseconds;
  for (const char* clip : {"mjpeg352", "mjpeg352_audio"}) {
    SCOPED_TRACE(clip);
    ASSERT_EQ(S_OK, m_engine->RenderFile(Path(clip))) << m_engine->ErrorText();
    CDecodedFrames decoded(Gst()->Pipeline());
    ASSERT_TRUE(decoded.Found());
    int32_t state = -1;
    for (int64_t n : {30, 10, 45, 11}) {
      SCOPED_TRACE(n);
      ASSERT_EQ(S_OK, m_engine->SetPositions(FrameToTime(n, kFrameTime)));
      ASSERT_EQ(S_OK, m_engine->GetState(5000, &state));
      std::this_thread::sleep_for(milliseconds(200));
      EXPECT_EQ(n - 1, CapturedNumber());
      EXPECT_EQ(1, decoded.Count());
    }
    // Next Frame: the next picture, and frames decoded ahead again for the steps after it.
    EXPECT_EQ(11, ShowFrame(12));
    std::this_thread::sleep_for(milliseconds(200));
    EXPECT_GE(decoded.Count(), 4);
    EXPECT_EQ(1, ShowFrame(2));
    EXPECT_EQ(S_OK, m_engine->GetState(5000, &state));
    ASSERT_TRUE(RunUntilRendered(5));
    EXPECT_EQ(S_OK, m_engine->Pause());
    EXPECT_GT(Shown(), 1 * kFrameTime);
  }
}

// A frame whose size the chroma planes do not divide keeps the colour of its last row and its
// last column in the snapshot picture.
TEST_F(GstEngineTest, FramesOfAnySizeKeepTheirColoursInTheSnapshot) {
  for (const Clip& c : kPlainClips) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(S_OK, m_engine->RenderFile(Path(c.name))) << m_engine->ErrorText();
    int32_t size = 0;
    ASSERT_EQ(S_OK, m_engine->GetCurrentImage(&size, nullptr));
    std::vector<uint8_t> frame(static_cast<size_t>(size));
    ASSERT_EQ(S_OK, m_engine->GetCurrentImage(&size, frame.data()));
    EXPECT_EQ(0, ReadFrameNumber(frame.data(), frame.size()));
    PackedDib picture = MakeSnapshotPicture(frame.data(), frame.size());
    ASSERT_FALSE(picture.empty());
    BITMAPINFOHEADER h;
    std::memcpy(&h, picture.data(), sizeof h);
    ASSERT_EQ(c.spec.width, h.biWidth);
    ASSERT_EQ(c.spec.height, h.biHeight);
    const size_t stride = (static_cast<size_t>(h.biWidth) * 3 + 3) & ~size_t{3};
    // (x, y) from the top; the picture is bottom-up, blue, green, red.
    auto pixel = [&](int x, int y) { return picture.data() + 40 + (h.biHeight - 1 - y) * stride + 3 * x; };
    const int w = h.biWidth, ht = h.biHeight;
    const std::pair<int, int> edges[] = {{0, ht - 1}, {w / 2, ht - 1}, {w - 1, ht - 1}, {w - 1, ht / 2}, {w - 1, ht - 2}};
    for (auto [x, y] : edges) {
      const uint8_t* p = pixel(x, y);
      SCOPED_TRACE("pixel " + std::to_string(x) + "," + std::to_string(y));
      EXPECT_NEAR(0xC0, p[0], 12);
      EXPECT_NEAR(0x60, p[1], 12);
      EXPECT_NEAR(0x30, p[2], 12);
    }
  }
}

// A stream that breaks while playing is reported once as EC_ERRORABORT with the element's reason;
// after a seek the file plays again, and a new break is reported again.
TEST_F(GstEngineTest, StreamErrorWhilePlayingIsReported) {
  ASSERT_EQ(S_OK, m_engine->RenderFile(Path(kLongClip.name)));
  CTarget target;
  m_engine->SetNotifyWindow(&target, kMsgGraphNotify, 0);
  ASSERT_EQ(S_OK, m_engine->PutRate(4.0));
  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    ASSERT_TRUE(FailStreamAfter(Gst()->Pipeline(), 20));
    ASSERT_EQ(S_OK, m_engine->Run());
    ASSERT_TRUE(target.WaitFor(kMsgGraphNotify, round, std::chrono::seconds(10)));
    int32_t code = 0;
    intptr_t p1 = 0, p2 = 0;
    ASSERT_EQ(S_OK, m_engine->GetEvent(&code, &p1, &p2, 0));
    EXPECT_EQ(EC_ERRORABORT, code);
    EXPECT_TRUE(Failed(static_cast<HRESULT>(p1)));
    ASSERT_NE(0, p2);
    EXPECT_STRNE("", reinterpret_cast<const char*>(p2));
    EXPECT_EQ(S_OK, m_engine->FreeEventParams(code, p1, p2));
    // The Player's stop: the file is shown from its first frame again.
    EXPECT_EQ(S_OK, m_engine->Stop());
    EXPECT_EQ(S_OK, m_engine->SetPositions(0));
    EXPECT_EQ(S_OK, m_engine->Pause());
    int32_t state = -1;
    EXPECT_EQ(S_OK, m_engine->GetState(5000, &state));
    EXPECT_EQ(0, Shown());
    EXPECT_EQ(0, CapturedNumber());
  }
  // Plays on to the end without another error.
  ASSERT_EQ(S_OK, m_engine->PutRate(16.0));
  ASSERT_EQ(S_OK, m_engine->Run());
  ASSERT_TRUE(target.WaitFor(kMsgGraphNotify, 3, std::chrono::seconds(10)));
  int32_t code = 0;
  intptr_t p1 = 0, p2 = 0;
  ASSERT_EQ(S_OK, m_engine->GetEvent(&code, &p1, &p2, 0));
  EXPECT_EQ(EC_COMPLETE, code);
}

TEST_F(GstEngineTest, TrailerIsReadFromThePlayableFile) {
  std::unique_ptr<CEventList> events;
  std::string title;
  ReadRecordInfo(Path("mpeg4_720"), nullptr, nullptr, &events,
                 [&](const char* a, const char* b) { title = ComposeWindowTitle("P", a, b); });
  ASSERT_TRUE(events);
  EXPECT_EQ(1u, events->GetCount());
  EXPECT_EQ("P (Camera 1 - Gate)", title);
  events.reset();
  title = "unchanged";
  ReadRecordInfo(Path("plain"), nullptr, nullptr, &events, [&](const char*, const char*) { title = "set"; });
  EXPECT_FALSE(events);
  EXPECT_EQ("unchanged", title);
}

}  // namespace
}  // namespace vt
