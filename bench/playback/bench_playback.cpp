// Playback benchmark: the Player against a bare GStreamer pipeline (and mpv, when installed) on
// generated clips with real picture content (a panning textured scene with sensor noise, the
// time drawn, the frame number as a barcode): MJPEG, MPEG-4 Part 2 and H.264 in AVI, 720 x 576
// and 1920 x 1080, 25 fps, a key frame every 250 frames for the codecs that have key frames.
// For each clip, ours and the reference alternate in rounds and the median ratio is printed
// with its min/max:
//  - random seek: the seek bar's request until the frame is shown, against the bare
//    pipeline's accurate seek to the same frame (goal <= 1.2);
//  - Next Frame: one frame forward, against one frame's decode (the bare pipeline decoding
//    without a clock, per frame in the steady state) (goal <= 2);
//  - Previous Frame: 50 steps back from 200 frames into a group (another group each round),
//    against decoding a group once from its key frame (goal <= 3); on MJPEG, where every frame is a key frame, one step
//    back against one frame's decode (goal <= 2);
//  - x16: pictures handed to the window per second while playing at x16 (goal >= 5 at
//    1920 x 1080, >= 20 at 720 x 576), and the recording rate they show;
//  - mpv (optional): its frame-step and frame-back-step on the same clip; ours / mpv < 1.
// Every frame shown must be the one asked for. The clips are made once and kept in
// $XDG_CACHE_HOME/vtplayer-bench (or ~/.cache/vtplayer-bench).
// Usage: bench_playback [--only TEXT]   (TEXT picks the clips whose name contains it)
#include <gst/gst.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bare_pipeline.h"
#include "bench_clip.h"
#include "bench_report.h"
#include "mpv_ipc.h"
#include "player_run.h"
#include "playback/gst/test_media.h"
#include "playback/player_logic.h"

namespace {

using namespace vt;
using namespace vt::bench;
namespace fs = std::filesystem;

constexpr int kClipVersion = 1;  // bump when the generated pictures change
constexpr int kFrames = 750;     // 30 s: three groups of 250
constexpr int kGroup = 250;
constexpr int kFps = 25;
constexpr double kGoalSeek = 1.2;
constexpr double kGoalNext = 2;
constexpr double kGoalPrevGroup = 3;
constexpr double kGoalPrevIntra = 2;
constexpr double kGoalX16Large = 5;   // pictures per second at 1920 x 1080
constexpr double kGoalX16Small = 20;  // at 720 x 576
constexpr int kSeekRounds = 15;
constexpr int kIntraSeekRounds = 45;  // a seek there is one decode: more rounds, cheaply, against the noise
constexpr int kNextRounds = 8;
constexpr int kNextSteps = 10;  // per round
constexpr int kPrevRounds = 3;
constexpr int kPrevSteps = 50;  // per round
constexpr int kPrevStart = 200;  // frames into the second group
constexpr double kX16Seconds = 3;
constexpr int kMpvRounds = 3;
constexpr int kMpvNextRounds = 9;  // a round is a few ms a side: more of them against the noise
constexpr int kMpvBackSteps = 10;  // mpv seeks for each: fewer keep the run short

struct ClipDef {
  TestClipSpec::Codec codec;
  int width, height;
  std::string Name() const {
    const char* c = codec == TestClipSpec::kMjpeg ? "MJPEG" : codec == TestClipSpec::kMpeg4 ? "MPEG-4" : "H.264";
    return std::string(c) + " " + std::to_string(width) + "x" + std::to_string(height);
  }
  std::string File() const {
    const char* c = codec == TestClipSpec::kMjpeg ? "mjpeg" : codec == TestClipSpec::kMpeg4 ? "mpeg4" : "h264";
    return std::string(c) + "_" + std::to_string(width) + "x" + std::to_string(height) + "_" + std::to_string(kFrames) +
           "f_gop" + std::to_string(kGroup) + "_v" + std::to_string(kClipVersion) + ".avi";
  }
  bool Intra() const { return codec == TestClipSpec::kMjpeg; }
};

bool EnsureClip(const ClipDef& c, const fs::path& path) {
  if (fs::exists(path)) return true;
  TestClipSpec spec;
  spec.codec = c.codec;
  spec.width = c.width;
  spec.height = c.height;
  spec.frames = kFrames;
  spec.fps = kFps;
  spec.pattern = TestClipSpec::kTexture;
  spec.keyInterval = kGroup;
  std::string err;
  const auto t0 = Clock::now();
  if (!EnsureCachedClip(spec, path, &err)) {
    std::fprintf(stderr, "%s: %s\n", c.Name().c_str(), err.c_str());
    return false;
  }
  std::printf("  made %s in %.1f s\n", path.c_str(), Ms(Clock::now() - t0) / 1000);
  return true;
}

// 1-based frame a round of Previous Frames starts from: kPrevStart frames into a group, each
// round another group.
int64_t PrevStart(int round) { return static_cast<int64_t>(round % (kFrames / kGroup)) * kGroup + kPrevStart + 1; }

std::string KeyFrameText(const std::vector<int>& keys) {
  if (keys.size() == static_cast<size_t>(kFrames)) return "every frame";
  std::string s;
  for (size_t i = 0; i < keys.size() && i < 8; ++i) {
    if (i) s += ',';
    s += std::to_string(keys[i]);
  }
  return s + (keys.size() > 8 ? ",..." : "");
}

void BenchClip(const ClipDef& c, const fs::path& path, std::mt19937* rng, CGoals* goals, int* wrong) {
  const std::string name = c.Name();
  const std::vector<int> keys = ReadKeyFrames(path.string());
  std::printf("\n%s: %s, %d frames at %d fps, %.1f MB (%.1f Mbit/s), key frames at %s\n", name.c_str(),
              path.filename().c_str(), kFrames, kFps, fs::file_size(path) / 1e6,
              fs::file_size(path) * 8.0 / (kFrames / static_cast<double>(kFps)) / 1e6, KeyFrameText(keys).c_str());
  CBarePipeline bare(path.string());
  if (!bare.Ok()) {
    std::fprintf(stderr, "%s: the bare pipeline cannot play it\n", name.c_str());
    std::exit(2);
  }
  int bareWrong = 0;
  {
    CPlayerRun ours(path.string());
    // Random seeks: the same frame for both in each round.
    const int seekRounds = c.Intra() ? kIntraSeekRounds : kSeekRounds;
    std::vector<int64_t> targets;
    for (int i = 0; i < seekRounds; ++i) targets.push_back(static_cast<int64_t>((*rng)() % kFrames));
    size_t io = 0, ir = 0;
    const Rounds seek = AlternateTimed(
        seekRounds, [&] { return ours.Seek(targets[io++] + 1); },
        [&] {
          bool exact = false;
          const double ms = bare.Seek(targets[ir++], &exact);
          bareWrong += !exact;
          return ms;
        });
    PrintRounds(name + " seek / bare seek", seek);
    goals->AtMost(name + ": random seek / bare accurate seek", seek.Ratio().median, kGoalSeek);

    // Next Frame: kNextSteps steps from a random place, against one frame's decode.
    const Rounds next = AlternateTimed(
        kNextRounds,
        [&] {
          ours.Seek(1 + static_cast<int64_t>((*rng)() % (kFrames - kNextSteps - 1)));
          double ms = 0;
          for (int i = 0; i < kNextSteps; ++i) {
            ms += ours.Seek(ours.Position() + 1);
          }
          return ms / kNextSteps;
        },
        [&] {
          const CBarePipeline::Run r = bare.Decode(kGroup, kNextSteps * 3);
          bareWrong += !r.exact;
          return r.perFrameMs;
        });
    PrintRounds(name + " Next Frame / one decode", next);
    goals->AtMost(name + ": Next Frame / one frame's decode", next.Ratio().median, kGoalNext);

    // Previous Frame, run backwards from kPrevStart frames into a group: each round another
    // group, so that no round finds the frames of the one before.
    int prevRound = 0;
    const Rounds prev = AlternateTimed(
        kPrevRounds,
        [&] {
          ours.Seek(PrevStart(prevRound++));
          double ms = 0;
          for (int i = 0; i < kPrevSteps; ++i) {
            ms += ours.Seek(ours.Position() - 1);
          }
          return c.Intra() ? ms / kPrevSteps : ms;
        },
        [&] {
          const CBarePipeline::Run r = c.Intra() ? bare.Decode(kGroup, kNextSteps * 3) : bare.Decode(kGroup, kGroup);
          bareWrong += !r.exact;
          return c.Intra() ? r.perFrameMs : r.totalMs;
        });
    if (c.Intra()) {
      PrintRounds(name + " Previous Frame / one decode", prev);
      goals->AtMost(name + ": Previous Frame / one frame's decode", prev.Ratio().median, kGoalPrevIntra);
    } else {
      PrintRounds(name + " 50 x Previous Frame / group", prev);
      goals->AtMost(name + ": 50 Previous Frames / decoding the group", prev.Ratio().median, kGoalPrevGroup);
    }

    // x16 from the first frame.
    const CPlayerRun::FastPlay fast = ours.Play(kIdSpeedLast, kX16Seconds);
    const double pps = fast.pictures / fast.seconds;
    std::printf("%-34s %d pictures in %.2f s = %.1f per second, showing %.1f recording seconds = x%.1f; speed text \"%s\"\n",
                (name + " x16").c_str(), fast.pictures, fast.seconds, pps, fast.recordingSeconds,
                fast.recordingSeconds / fast.seconds, fast.speedText.c_str());
    goals->AtLeast(name + ": pictures per second at x16", pps, c.width >= 1920 ? kGoalX16Large : kGoalX16Small);
    *wrong += ours.Wrong();
    std::printf("%-34s frames not the one asked for: ours %d, bare %d\n", name.c_str(), ours.Wrong(), bareWrong);
  }
  *wrong += bareWrong;

  if (!CMpv::Installed()) return;
  CMpv mpv(path.string());
  if (!mpv.Ok()) {
    std::printf("%-34s mpv did not start; no mpv rows\n", name.c_str());
    return;
  }
  CPlayerRun ours(path.string());
  int mpvWrong = 0;
  const double frameS = 1.0 / kFps;
  const Rounds mpvNext = AlternateTimed(
      kMpvNextRounds,
      [&] {
        ours.Seek(kGroup + 1);
        double ms = 0;
        for (int i = 0; i < kNextSteps; ++i) ms += ours.Seek(ours.Position() + 1);
        return ms / kNextSteps;
      },
      [&] {
        mpv.Seek(kGroup * frameS);
        double ms = 0, pos = 0;
        for (int i = 0; i < kNextSteps; ++i) {
          ms += mpv.Step(false, &pos);
          mpvWrong += std::abs(pos - (kGroup + i + 1) * frameS) > frameS / 2;
        }
        return ms / kNextSteps;
      });
  PrintRounds(name + " Next Frame / mpv frame-step", mpvNext);
  goals->AtMost(name + ": Next Frame / mpv frame-step", mpvNext.Ratio().median, 1.0);
  // Each round in another group, as above: ours must not find the frames of the round before.
  int oursRound = 0, mpvRound = 0;
  const Rounds mpvPrev = AlternateTimed(
      kMpvRounds,
      [&] {
        ours.Seek(PrevStart(oursRound++));
        double ms = 0;
        for (int i = 0; i < kPrevSteps; ++i) ms += ours.Seek(ours.Position() - 1);
        return ms / kPrevSteps;
      },
      [&] {
        const int64_t start = PrevStart(mpvRound++);
        mpv.Seek((start - 1) * frameS);
        double ms = 0, pos = 0;
        for (int i = 0; i < kMpvBackSteps; ++i) {
          ms += mpv.Step(true, &pos);
          mpvWrong += std::abs(pos - (start - 2 - i) * frameS) > frameS / 2;
        }
        return ms / kMpvBackSteps;
      });
  PrintRounds(name + " Previous Frame / mpv back-step", mpvPrev);
  goals->AtMost(name + ": Previous Frame / mpv frame-back-step", mpvPrev.Ratio().median, 1.0);
  std::printf("%-34s mpv steps that missed their frame: %d (not counted against ours)\n", name.c_str(), mpvWrong);
  *wrong += ours.Wrong();
}

}  // namespace

int main(int argc, char** argv) {
  std::string only;
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == "--only" && i + 1 < argc) only = argv[++i];
  setenv("VT_AUDIO_SINK", "fakesink", 0);
  if (!gst_init_check(nullptr, nullptr, nullptr)) return 2;
  const ClipDef clips[] = {{TestClipSpec::kMjpeg, 720, 576},   {TestClipSpec::kMpeg4, 720, 576},
                           {TestClipSpec::kH264, 720, 576},    {TestClipSpec::kMjpeg, 1920, 1080},
                           {TestClipSpec::kMpeg4, 1920, 1080}, {TestClipSpec::kH264, 1920, 1080}};
  const fs::path dir = BenchCacheDir();
  fs::create_directories(dir);
  std::printf("bench_playback: clips in %s\n", dir.c_str());
  std::printf("reference: bare playbin ! videoconvert ! appsink (the engine's formats); mpv %s\n",
              CMpv::Installed() ? "present: --vo=null --untimed, exact seeks" : "not installed: no mpv rows");
  std::printf(
      "rounds: seek %d (MJPEG %d), Next Frame %d x %d steps, Previous Frame %d x %d steps, x16 %.0f s, mpv Next %d x %d steps, "
      "mpv Previous %d x %d steps (ours %d)\n",
      kSeekRounds, kIntraSeekRounds, kNextRounds, kNextSteps, kPrevRounds, kPrevSteps, kX16Seconds, kMpvNextRounds, kNextSteps,
      kMpvRounds, kMpvBackSteps, kPrevSteps);
  CGoals goals;
  std::mt19937 rng(7);
  int wrong = 0;
  for (const ClipDef& c : clips) {
    if (!only.empty() && c.Name().find(only) == std::string::npos) continue;
    const fs::path path = dir / c.File();
    if (!EnsureClip(c, path)) return 2;
    BenchClip(c, path, &rng, &goals, &wrong);
  }
  std::printf("\n");
  goals.AtMost("frames shown that were not the one asked for", wrong, 0);
  return goals.Finish();
}
