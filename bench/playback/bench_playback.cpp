// Playback benchmark on generated 720 x 576 clips (MJPEG and MPEG-4 Part 2, 25 fps, GOP 50):
//  - seek: from the seek-request (Player pauses, wakes its seek thread, which seeks) until the
//    new frame is ready to paint, against the same exact seek on a bare playbin + appsink;
//  - step: a one-frame step (StepFrames(1)) against the bare pipeline's exact seek to the next
//    frame;
//  - x16: recording seconds advanced per wall second when the MJPEG clip plays at x16.
// Prints medians and the ratios Player / bare (goal <= 2) and the x16 speed (goal >= 15.5).
// Usage: bench_playback [seeks per clip, default 60]
#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "playback/gst/test_media.h"
#include "playback/media_engine.h"
#include "playback/player_core.h"
#include "playback/player_logic.h"

namespace {

using namespace vt;
using Clock = std::chrono::steady_clock;
constexpr int64_t kFrame = 400000;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The Player's bars as the seek thread sees them; DrawTime marks the end of a seek.
class CBenchView : public IPlayerView {
 public:
  void SetSeekRange(uint32_t frames) override { range = frames; }
  void SetSeekPos(int64_t p) override { pos = static_cast<uint32_t>(std::clamp<int64_t>(p, 1, range)); }
  uint32_t GetSeekPos() const override { return pos; }
  void SetSeekEvents(std::vector<uint32_t>) override {}
  void ClearSeekEvents() override {}
  void ShowTime(bool) override {}
  // Counts only the seek thread's redraws: the GUI thread's pause redraws too.
  void DrawTime(time32) override {
    if (std::this_thread::get_id() == gui) return;
    std::lock_guard<std::mutex> lock(m);
    ++draws;
    cv.notify_all();
  }
  void SetSpeedText(const char*) override {}
  void RepaintInfo() override {}
  void StartTimers(uint32_t) override {}
  void StopTimers() override {}
  void ShowPlayer() override {}
  void EnsureDefaultSize() override {}
  void ApplyZoomKeep() override {}
  void InvalidateAll() override {}
  void PostVideoSize(int32_t, int32_t) override {}
  void SetWindowTitle(const char*, const char*) override {}
  std::string LoadText(uint32_t) override { return {}; }
  void ShowMessage(const std::string&) override {}
  void ShowLangMessage(const char*, uint32_t) override {}
  void ShowStatus(const std::string&) override {}

  std::atomic<uint32_t> pos{1};
  uint32_t range = 1;
  std::thread::id gui = std::this_thread::get_id();
  std::mutex m;
  std::condition_variable cv;
  int draws = 0;
};

class CNullTarget : public IMessageTarget {
 public:
  bool Post(uint32_t, WPARAM, LPARAM) override { return true; }
  LRESULT Send(uint32_t, WPARAM, LPARAM) override { return 0; }
};

struct Latency {
  std::vector<double> seek, step;
  int wrong = 0;  // frames shown that were not the target
};

// The Player on the GStreamer engine, driven as the seek bar and the step commands drive it.
class CPlayerRun {
 public:
  explicit CPlayerRun(const std::string& path) : m_engine(CreateGstEngine()), m_core(m_engine.get(), &m_view, &m_target) {
    m_core.SetAutoPlay(0);
    if (m_core.OpenRecord(path, 0) != 0) {
      std::fprintf(stderr, "cannot open %s\n", path.c_str());
      std::exit(1);
    }
  }
  void Seek(int64_t n, Latency* out) {
    int before;
    {
      std::lock_guard<std::mutex> lock(m_view.m);
      before = m_view.draws;
    }
    m_view.pos = static_cast<uint32_t>(n);
    const auto t0 = Clock::now();
    m_core.OnSeekRequest();
    std::unique_lock<std::mutex> lock(m_view.m);
    m_view.cv.wait(lock, [&] { return m_view.draws > before; });
    out->seek.push_back(Ms(Clock::now() - t0));
    lock.unlock();
    Check(n, out);
  }
  // One-frame step on the calling thread, as the key and menu commands do.
  void Step(int64_t n, Latency* out) {
    const auto t0 = Clock::now();
    m_core.StepFrames(1);
    out->step.push_back(Ms(Clock::now() - t0));
    Check(n + 1, out);
  }

 private:
  void Check(int64_t n, Latency* out) {
    auto f = m_engine->LatestFrame();
    if (!f || f->pts != (n - 1) * kFrame) ++out->wrong;
  }
  std::unique_ptr<IMediaEngine> m_engine;
  CBenchView m_view;
  CNullTarget m_target;
  CPlayerCore m_core;
};

// The same playbin/appsink set-up without the Player.
class CBareRun {
 public:
  explicit CBareRun(const std::string& path) {
    m_pipe = gst_element_factory_make("playbin", nullptr);
    GstElement* bin = gst_parse_bin_from_description(
        "videoconvert ! appsink name=s caps=\"video/x-raw,format={I420,YV12,YUY2,UYVY,YVYU,BGRx,BGRA}\" sync=true "
        "qos=true max-lateness=20000000 max-buffers=1 drop=true",
        TRUE, nullptr);
    m_sink = gst_bin_get_by_name(GST_BIN(bin), "s");
    gchar* uri = gst_filename_to_uri(path.c_str(), nullptr);
    g_object_set(m_pipe, "uri", uri, "video-sink", bin, "flags", 0x53, "audio-sink",
                 gst_element_factory_make("fakesink", nullptr), nullptr);
    g_free(uri);
    gst_element_set_state(m_pipe, GST_STATE_PAUSED);
    gst_element_get_state(m_pipe, nullptr, nullptr, GST_CLOCK_TIME_NONE);
  }
  ~CBareRun() {
    gst_element_set_state(m_pipe, GST_STATE_NULL);
    gst_object_unref(m_sink);
    gst_object_unref(m_pipe);
  }
  void Seek(int64_t n, Latency* out) { SeekTo(n, &out->seek, out); }
  void Step(int64_t n, Latency* out) { SeekTo(n + 1, &out->step, out); }

 private:
  void SeekTo(int64_t n, std::vector<double>* into, Latency* out) {
    const auto t0 = Clock::now();
    gst_element_seek(m_pipe, 1.0, GST_FORMAT_TIME,
                     static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), GST_SEEK_TYPE_SET,
                     (n - 1) * kFrame * 100, GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE);
    gst_element_get_state(m_pipe, nullptr, nullptr, GST_CLOCK_TIME_NONE);
    GstSample* s = gst_app_sink_pull_preroll(GST_APP_SINK(m_sink));
    into->push_back(Ms(Clock::now() - t0));
    if (!s || GST_BUFFER_PTS(gst_sample_get_buffer(s)) != static_cast<GstClockTime>((n - 1) * kFrame * 100))
      ++out->wrong;
    if (s) gst_sample_unref(s);
  }
  GstElement* m_pipe = nullptr;
  GstElement* m_sink = nullptr;
};

double MeasureX16(const std::string& path) {
  auto engine = CreateGstEngine();
  CBenchView view;
  CNullTarget target;
  CPlayerCore core(engine.get(), &view, &target);
  core.SetAutoPlay(0);
  core.OpenRecord(path, 0);
  core.OnSpeedCommand(kIdSpeedLast);
  core.PlaybackCommand(kCmdPlay);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // past the start-up
  int64_t p0 = 0, p1 = 0;
  engine->GetCurrentPosition(&p0);
  const auto t0 = Clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(2000));
  engine->GetCurrentPosition(&p1);
  const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
  return (p1 - p0) / 1e7 / wall;
}

}  // namespace

int main(int argc, char** argv) {
  const int seeks = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
  setenv("VT_AUDIO_SINK", "fakesink", 0);
  if (!gst_init_check(nullptr, nullptr, nullptr)) return 1;
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("vt_bench_" + std::to_string(getpid()));
  fs::create_directories(dir);
  struct Clip {
    const char* name;
    TestClipSpec::Codec codec;
    int frames;
  } clips[] = {{"MJPEG 720x576", TestClipSpec::kMjpeg, 1500}, {"MPEG-4 720x576", TestClipSpec::kMpeg4, 250}};
  std::mt19937 rng(7);
  int wrong = 0;
  bool goals = true;
  std::string mjpeg;
  for (const Clip& c : clips) {
    TestClipSpec spec{c.codec, 720, 576, c.frames, 25, false};
    const std::string path = (dir / (std::string(c.codec == TestClipSpec::kMjpeg ? "mjpeg" : "mpeg4") + ".avi")).string();
    std::string err;
    if (!MakeTestClip(spec, path, &err)) {
      std::fprintf(stderr, "clip: %s\n", err.c_str());
      return 1;
    }
    if (c.codec == TestClipSpec::kMjpeg) mjpeg = path;
    std::vector<int64_t> targets;
    for (int i = 0; i < seeks; ++i) targets.push_back(1 + static_cast<int64_t>(rng() % (c.frames - 1)));
    // Interleaved, so that the load of the machine weighs on both alike.
    Latency bare, player;
    {
      CBareRun bareRun(path);
      CPlayerRun playerRun(path);
      for (int64_t n : targets) {
        bareRun.Seek(n, &bare);
        playerRun.Seek(n, &player);
        bareRun.Step(n, &bare);
        playerRun.Step(n, &player);
      }
    }
    wrong += bare.wrong + player.wrong;
    const double seekRatio = Median(player.seek) / Median(bare.seek);
    const double stepRatio = Median(player.step) / Median(bare.step);
    std::printf("%-15s frames off target: player %d, bare %d\n", c.name, player.wrong, bare.wrong);
    std::printf("%-15s seek: player %.2f ms, bare %.2f ms, ratio %.2f | step: player %.2f ms, bare %.2f ms, ratio %.2f\n",
                c.name, Median(player.seek), Median(bare.seek), seekRatio, Median(player.step), Median(bare.step),
                stepRatio);
    goals = goals && seekRatio <= 2.0 && stepRatio <= 2.0;
  }
  const double x16 = MeasureX16(mjpeg);
  std::printf("x16 MJPEG 720x576: %.2f recording seconds per second (goal >= 15.5)\n", x16);
  std::printf("frames not at their target: %d\n", wrong);
  goals = goals && x16 >= 15.5 && wrong == 0;
  std::printf("goals %s\n", goals ? "met" : "NOT met");
  fs::remove_all(dir);
  return 0;
}
