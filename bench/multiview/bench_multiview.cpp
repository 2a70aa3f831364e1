// Cameras side by side: the grid playing 720 x 576 MPEG-4 recordings (a panning textured scene
// with sensor noise, a key frame every 250 frames, 25 fps) on one clock, every new picture scaled
// into its tile (as the window paints it) when its engine says it is there, against the same
// files played by separate `gst-launch-1.0 filesrc ! avidemux ! avdec_mpeg4 ! fakesink sync=true`
// processes started by this program. Ours and the reference alternate in rounds; each round
// measures a steady window after a warm-up: the CPU time of this process (ours) or of the
// reference processes.
//
// For every configuration it prints how the tiles kept up:
//  - drift: how late a picture was against the common clock when its engine rendered it, and
//    when its tile painted it (clock time, in frames of 40 ms);
//  - behind: the longest a picture stayed past the end of its own frame (clock time), which
//    grows when a tile shows fewer frames;
//  - pictures shown against the frames the clock passed, over all tiles; the tiles sought alone
//    and those that fell back to key frames.
// Configurations and goals: four tiles at x1 (drift when rendered and when painted <= 1 frame;
// CPU ours/ref <= kGoalCpuRatio, ours painting every picture besides), sixteen tiles at x1
// (reference: sixteen processes) and four tiles at x4 (no reference: the pipelines cannot play
// faster than real time); for these two the goal is that pictures are never late, drift when
// rendered <= 1 frame, however many are dropped. The clip is made once and kept in
// $XDG_CACHE_HOME/vtplayer-bench.
// Usage: bench_multiview [--rounds N] [--only 4x1|16x1|4x4]
#include <gst/gst.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_clip.h"
#include "bench_report.h"
#include "multiview/camera_grid.h"
#include "playback/frame_paint.h"
#include "playback/gst/test_media.h"

extern char** environ;

namespace {

using namespace vt;
using namespace vt::bench;
namespace fs = std::filesystem;

constexpr int kClipVersion = 1;
constexpr int kFrames = 750;  // 30 s
constexpr int kGroup = 250;
constexpr int kFps = 25;
constexpr int64_t kFrameTime = kTicksPerSecond / kFps;
constexpr double kWarmupS = 1.5;
constexpr double kWindowS = 5.0;
constexpr int kTickMs = 20;
// Tile picture sizes of a 1280 x 960 grid.
constexpr int kGridWidth = 1280, kGridHeight = 960;
constexpr double kGoalDriftFrames = 1.0;
constexpr double kGoalCpuRatio = 2.0;  // ours paints every picture into its tile too
constexpr time32 kStart = 1715335200;  // 2024-05-10 10:00:00 UTC

fs::path EnsureClip() {
  const fs::path path = BenchCacheDir() / ("mpeg4_720x576_" + std::to_string(kFrames) + "f_gop" + std::to_string(kGroup) +
                                           "_v" + std::to_string(kClipVersion) + ".avi");
  TestClipSpec spec;
  spec.codec = TestClipSpec::kMpeg4;
  spec.width = 720;
  spec.height = 576;
  spec.frames = kFrames;
  spec.fps = kFps;
  spec.pattern = TestClipSpec::kTexture;
  spec.keyInterval = kGroup;
  std::string err;
  if (!EnsureCachedClip(spec, path, &err)) {
    std::fprintf(stderr, "clip: %s\n", err.c_str());
    std::exit(2);
  }
  return path;
}

// Camera folders with one recording each, the same file under every one (hard links).
std::vector<CameraEntry> MakeCameras(const fs::path& root, const fs::path& clip, int n) {
  std::vector<CameraEntry> cams;
  for (int i = 0; i < n; ++i) {
    const fs::path day = root / ("cam" + std::to_string(i + 1)) / "2024-05-10";
    fs::create_directories(day);
    const fs::path file = day / "00100000100030000.avi";
    std::error_code ec;
    if (!fs::exists(file)) {
      fs::create_hard_link(clip, file, ec);
      if (ec) fs::copy_file(clip, file);
    }
    cams.push_back({i, "C" + std::to_string(i + 1), (root / ("cam" + std::to_string(i + 1))).string()});
  }
  return cams;
}

double CpuSecondsSelf() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double CpuSecondsOf(pid_t pid) {
  std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
  std::string s((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  const size_t close = s.rfind(')');
  if (close == std::string::npos) return 0;
  std::vector<std::string> fields;
  size_t pos = close + 2;
  while (pos < s.size()) {
    const size_t sp = s.find(' ', pos);
    fields.push_back(s.substr(pos, sp == std::string::npos ? std::string::npos : sp - pos));
    if (sp == std::string::npos) break;
    pos = sp + 1;
  }
  // utime and stime are fields 14 and 15 of the line, 12 and 13 after the name.
  if (fields.size() < 13) return 0;
  return (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void SleepS(double s) { std::this_thread::sleep_for(std::chrono::microseconds(static_cast<int64_t>(s * 1e6))); }

struct Outcome {
  double cpuS = 0;           // CPU seconds in the window
  double driftFrames = 0;    // worst lateness of a picture when its tile painted it, in frames
  double renderFrames = 0;   // worst lateness of a picture when its engine rendered it, in frames
  double behindFrames = 0;   // worst time a picture stayed past its frame, in frames
  double shownShare = 0;     // pictures shown / frames the clock passed, over all tiles
  int resyncs = 0, keyOnly = 0;
};

// Frame notifications of every tile, as the window's tiles receive them (posted from the
// engines' threads), waited for by the painting loop.
class CFrameQueue {
 public:
  explicit CFrameQueue(const CCameraGrid* grid) : m_pGrid(grid) {}
  // Posted by an engine's streaming thread right after it rendered a frame: how late that frame
  // is against the common clock is taken there and then. (The grid is only read meanwhile, and
  // its tiles keep their engines: each camera has one recording.)
  class Target : public IMessageTarget {
   public:
    Target(CFrameQueue* q, int tile) : m_q(q), m_tile(tile) {}
    bool Post(uint32_t, WPARAM, LPARAM) override {
      m_q->Push(m_tile);
      return true;
    }
    LRESULT Send(uint32_t, WPARAM, LPARAM) override { return 0; }

   private:
    CFrameQueue* m_q;
    int m_tile;
  };
  void Push(int tile) {
    const int64_t t = m_pGrid->Now();
    const std::optional<int64_t> s = m_pGrid->ShownFrameStart(tile);
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_tiles.push_back(tile);
      if (s && m_bMeasure) m_llWorstRender = std::max(m_llWorstRender, t - *s);
    }
    m_cv.notify_one();
  }
  void Measure(bool on) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bMeasure = on;
  }
  int64_t WorstRender() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_llWorstRender;
  }
  // Tiles with a new frame, waiting at most until deadline.
  std::vector<int> Take(Clock::time_point deadline) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cv.wait_until(lock, deadline, [this] { return !m_tiles.empty(); });
    std::vector<int> out(m_tiles.begin(), m_tiles.end());
    m_tiles.clear();
    return out;
  }

 private:
  const CCameraGrid* m_pGrid;
  std::mutex m_mutex;
  std::condition_variable m_cv;
  std::deque<int> m_tiles;
  bool m_bMeasure = false;
  int64_t m_llWorstRender = 0;
};

// Our grid: tiles cameras at rate; every new picture scaled into its tile when its engine says
// it is there, as the window paints it.
Outcome RunOurs(const std::vector<CameraEntry>& cams, int tiles, double rate) {
  CCameraGrid grid([] { return CreateGstEngine(EngineOptions{true}); });
  std::vector<std::optional<CameraEntry>> list(cams.begin(), cams.begin() + tiles);
  grid.SetCameras(list);
  grid.SetRate(rate);
  grid.GoTo(TicksOf(kStart));
  const int cols = tiles == 16 ? 4 : tiles == 9 ? 3 : tiles == 4 ? 2 : 1;
  const int tw = kGridWidth / cols, th = tw * 576 / 720;
  std::vector<uint32_t> paint(static_cast<size_t>(tw) * th);
  CFrameQueue queue(&grid);
  std::vector<std::unique_ptr<CFrameQueue::Target>> targets;
  for (int i = 0; i < tiles; ++i) {
    targets.push_back(std::make_unique<CFrameQueue::Target>(&queue, i));
    grid.SetFrameNotify(i, targets.back().get(), 1);
  }
  std::vector<std::optional<int64_t>> last(static_cast<size_t>(tiles));
  Outcome o;
  int64_t shown = 0;
  int64_t worstDrift = 0;
  grid.Play();
  const auto start = Clock::now();
  const auto windowStart = start + std::chrono::microseconds(static_cast<int64_t>(kWarmupS * 1e6));
  const auto windowEnd = windowStart + std::chrono::microseconds(static_cast<int64_t>(kWindowS * 1e6));
  double cpu0 = 0;
  int64_t clock0 = 0;
  bool inWindow = false;
  auto nextTick = start;
  while (Clock::now() < windowEnd) {
    for (int i : queue.Take(std::min(nextTick, windowEnd))) {
      const int64_t t = grid.Now();
      IMediaEngine* e = grid.Engine(i);
      const std::optional<int64_t> s = grid.ShownFrameStart(i);
      // Painted as the tile paints it (which also lets the engine tell of the next frame).
      if (std::shared_ptr<const VideoFrame> f = e ? e->LatestFrame() : nullptr)
        ScaleFrameToRgb32(*f, paint.data(), tw, th, tw);
      if (!s || s == last[static_cast<size_t>(i)]) continue;
      last[static_cast<size_t>(i)] = s;
      if (!inWindow) continue;
      ++shown;
      worstDrift = std::max(worstDrift, t - *s);
    }
    const auto now = Clock::now();
    if (!inWindow && now >= windowStart) {
      inWindow = true;
      cpu0 = CpuSecondsSelf();
      clock0 = grid.Now();
      grid.ResetStats();
      queue.Measure(true);
    }
    if (now >= nextTick) {
      grid.Tick();
      nextTick = now + std::chrono::milliseconds(kTickMs);
    }
  }
  queue.Measure(false);
  o.cpuS = CpuSecondsSelf() - cpu0;
  o.renderFrames = static_cast<double>(queue.WorstRender()) / kFrameTime;
  const double due = static_cast<double>(grid.Now() - clock0) / kFrameTime * tiles;
  o.shownShare = due > 0 ? static_cast<double>(shown) / due : 0;
  // How late a picture was when it appeared (a look every few ms adds up to one look's time).
  o.driftFrames = static_cast<double>(worstDrift) / kFrameTime;
  for (int i = 0; i < tiles; ++i) {
    const TileStats& s = grid.Stats(i);
    o.behindFrames = std::max(o.behindFrames, static_cast<double>(s.llWorstLag) / kFrameTime);
    o.resyncs += s.nResyncs;
    o.keyOnly += s.bKeyOnly ? 1 : 0;
  }
  grid.Pause();
  for (int i = 0; i < tiles; ++i) grid.SetFrameNotify(i, nullptr, 0);
  return o;
}

// The reference: one gst-launch-1.0 process per tile on the same file, CPU time in the window.
double RunReference(const fs::path& clip, int tiles) {
  std::vector<pid_t> pids;
  const std::string location = "location=" + clip.string();
  for (int i = 0; i < tiles; ++i) {
    const char* argv[] = {"gst-launch-1.0", "-q", "filesrc", location.c_str(), "!", "avidemux", "!", "avdec_mpeg4",
                          "!", "fakesink", "sync=true", nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "gst-launch-1.0", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) {
      std::fprintf(stderr, "gst-launch-1.0 cannot be started\n");
      std::exit(2);
    }
    pids.push_back(pid);
  }
  SleepS(kWarmupS);
  double cpu0 = 0, cpu1 = 0;
  for (pid_t p : pids) cpu0 += CpuSecondsOf(p);
  SleepS(kWindowS);
  for (pid_t p : pids) cpu1 += CpuSecondsOf(p);
  for (pid_t p : pids) {
    kill(p, SIGTERM);
    int status = 0;
    waitpid(p, &status, 0);
  }
  return cpu1 - cpu0;
}

void PrintOutcomes(const char* label, const std::vector<Outcome>& runs) {
  std::vector<double> drift, render, behind, share, cpu;
  int resyncs = 0, keyOnly = 0;
  for (const Outcome& o : runs) {
    drift.push_back(o.driftFrames);
    render.push_back(o.renderFrames);
    behind.push_back(o.behindFrames);
    share.push_back(o.shownShare * 100);
    cpu.push_back(o.cpuS / kWindowS * 100);
    resyncs = std::max(resyncs, o.resyncs);
    keyOnly = std::max(keyOnly, o.keyOnly);
  }
  const Stats d = Summarize(drift), r = Summarize(render), b = Summarize(behind), s = Summarize(share),
              c = Summarize(cpu);
  std::printf("%-6s drift when rendered %.2f frames (min %.2f, max %.2f), when painted %.2f (min %.2f, max %.2f); "
              "behind %.1f frames (max %.1f)\n       pictures %.0f%% of frames (min %.0f%%, max %.0f%%); CPU %.0f%% of a "
              "core; sought alone %d, key frames only %d (worst round)\n",
              label, r.median, r.min, r.max, d.median, d.min, d.max, b.median, b.max, s.median, s.min, s.max, c.median,
              resyncs, keyOnly);
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 3;
  std::string only;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--rounds") == 0) rounds = std::max(1, std::atoi(argv[i + 1]));
    if (std::strcmp(argv[i], "--only") == 0) only = argv[i + 1];
  }
  setenv("TZ", "UTC0", 1);
  if (!gst_init_check(nullptr, nullptr, nullptr)) {
    std::fprintf(stderr, "GStreamer cannot start\n");
    return 2;
  }
  const fs::path clip = EnsureClip();
  const fs::path root = BenchCacheDir() / "multiview-cameras";
  const std::vector<CameraEntry> cams = MakeCameras(root, clip, 16);
  std::printf("clip %s: 720x576 MPEG-4, %d frames at %d fps, key frame every %d, %.1f Mbit/s\n", clip.filename().c_str(),
              kFrames, kFps, kGroup, fs::file_size(clip) * 8.0 / (kFrames / static_cast<double>(kFps)) / 1e6);
  std::printf("each round: %.1f s warm-up, %.1f s measured; %d rounds; ours and the reference alternate\n", kWarmupS,
              kWindowS, rounds);
  CGoals goals;

  struct Config {
    const char* name;
    int tiles;
    double rate;
    bool reference;
    bool paintGoal;  // the window's painting keeps up too
  } configs[] = {{"4x1", 4, 1.0, true, true}, {"16x1", 16, 1.0, true, false}, {"4x4", 4, 4.0, false, false}};
  for (const Config& c : configs) {
    if (!only.empty() && only != c.name) continue;
    std::vector<Outcome> runs;
    std::printf("\n%d tiles at x%g:\n", c.tiles, c.rate);
    if (c.reference) {
      const Rounds r = AlternateTimed(
          rounds,
          [&] {
            runs.push_back(RunOurs(cams, c.tiles, c.rate));
            return runs.back().cpuS * 1000;
          },
          [&] { return RunReference(clip, c.tiles) * 1000; });
      PrintRounds(std::string("CPU ms in ") + std::to_string(static_cast<int>(kWindowS)) + " s, " + c.name, r);
      PrintOutcomes(c.name, runs);
      if (c.tiles == 4) goals.AtMost("CPU ours / gst-launch, 4 tiles at x1 (median)", r.Ratio().median, kGoalCpuRatio);
    } else {
      for (int i = 0; i < rounds; ++i) runs.push_back(RunOurs(cams, c.tiles, c.rate));
      PrintOutcomes(c.name, runs);
    }
    std::vector<double> drift, render;
    for (const Outcome& o : runs) {
      drift.push_back(o.driftFrames);
      render.push_back(o.renderFrames);
    }
    goals.AtMost(std::string("drift when rendered, frames, ") + c.name + " (median)", Summarize(render).median,
                 kGoalDriftFrames);
    if (c.paintGoal)
      goals.AtMost(std::string("drift when painted, frames, ") + c.name + " (median)", Summarize(drift).median,
                   kGoalDriftFrames);
  }
  return goals.Finish();
}
