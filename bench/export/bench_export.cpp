// Clip export (vtexport clip: remux, hashes of every recording and of the clip, manifest, the
// clip written whole and flushed to disk) of one hour of 720x576 MJPEG in recordings of five
// minutes, against `cat` of the same recordings into one file. The two alternate in rounds, each
// after a sync so that neither pays for the other's writes; prints the median ratio export / cat
// with min/max (goal <= 3). Two pictures: a textured, noisy one whose frames are about as large
// as a camera's (55 KB), and a ball on black (9 KB), where the cost per frame outweighs the bytes.
// For scale it also times a SHA-256 of the recordings and GStreamer's own remux of them, which
// together bound what any export that remuxes through GStreamer and hashes its clip can reach.
// The recordings are made once (several minutes) and kept in $XDG_CACHE_HOME/vtplayer-bench.
// Usage: bench_export [rounds, default 3] [--minutes N, default 60] [--recording-minutes N, default 5]
//        [--texture | --ball: only that picture]
#include <gst/gst.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_process.h"
#include "bench_report.h"
#include "platform/local_time.h"
#include "playback/gst/test_media.h"

namespace {

namespace fs = std::filesystem;
using vt::bench::Clock;

constexpr double kGoalRatio = 3;  // export / cat
constexpr int kWidth = 720;
constexpr int kHeight = 576;
constexpr int kFps = 25;
constexpr int kDefaultRecordingMinutes = 5;

std::string CacheRoot() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  const char* home = std::getenv("HOME");
  const std::string base = xdg && *xdg ? xdg : std::string(home ? home : "/tmp") + "/.cache";
  return base + "/vtplayer-bench";
}

// Runs argv with stdout to outPath (when given) and stderr to /dev/null; the wall time in ms,
// or -1 when it failed.
double RunTimed(const std::vector<std::string>& argv, const std::string& outPath) {
  const auto t0 = Clock::now();
  const bool ok = vt::bench::RunProgram(argv, outPath, true);
  const double ms = vt::bench::Ms(Clock::now() - t0);
  return ok ? ms : -1;
}

struct DataSet {
  std::string folder;
  std::vector<std::string> files;
  vt::time32 start = 0;
  vt::time32 end = 0;
  uint64_t bytes = 0;
  int frames = 0;
};

// The recordings of one camera, made when missing: day folder, recorder's file names, vantor.ini.
bool MakeDataSet(int minutes, int recordingMinutes, bool texture, DataSet* set) {
  char name[80];
  std::snprintf(name, sizeof name, "/export-%dx%d-%s-%dm-in-%dm", kWidth, kHeight, texture ? "texture" : "ball", minutes,
                recordingMinutes);
  set->folder = CacheRoot() + name;
  set->start = vt::MakeLocalTime(2008, 5, 10, 10, 0, 0);
  const std::string camera = set->folder + "/camera01";
  const std::string day = camera + "/2008-05-10";
  fs::create_directories(day);
  const bool complete = fs::exists(set->folder + "/complete");
  vt::time32 t = set->start;
  for (int done = 0; done < minutes; done += recordingMinutes) {
    const int length = std::min(recordingMinutes, minutes - done) * 60;
    const std::string file = day + "/01" + vt::FormatLocalTime(t, "%H%M%S") +
                             vt::FormatLocalTime(t + length, "%H%M%S") + "0.avi";
    if (!complete) {
      vt::TestClipSpec spec;
      spec.width = kWidth;
      spec.height = kHeight;
      spec.fps = kFps;
      spec.frames = length * kFps;
      spec.numbersWrap = true;  // an hour of frames; only the bytes are timed
      spec.pattern = texture ? vt::TestClipSpec::kTexture : vt::TestClipSpec::kBall;
      std::printf("making %s (%d frames)...\n", file.c_str(), spec.frames);
      std::fflush(stdout);
      std::string error;
      if (!vt::MakeTestClip(spec, file, &error)) {
        std::fprintf(stderr, "bench_export: %s: %s\n", file.c_str(), error.c_str());
        return false;
      }
    }
    set->files.push_back(file);
    set->bytes += fs::file_size(file);
    set->frames += length * kFps;
    t += length;
  }
  set->end = t;
  std::ofstream(set->folder + "/vantor.ini") << "[Storage_ch01]\nsStoragePath=" << camera
                                              << "\n[Preference_ch01]\nsCameraName=Bench\n";
  std::ofstream(set->folder + "/complete") << "made\n";
  return true;
}

// GStreamer's own remux of each recording (avidemux ! matroskamux ! filesink, in this process):
// no retiming, no hashes, no flush. The wall time in ms, or -1 when a pipeline failed.
double GStreamerRemuxMs(const std::vector<std::string>& files, const std::string& outFolder) {
  const auto t0 = Clock::now();
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string desc = "filesrc location=\"" + files[i] + "\" ! avidemux ! matroskamux ! filesink location=\"" +
                             outFolder + "/gst" + std::to_string(i) + ".mkv\"";
    GError* err = nullptr;
    GstElement* pipeline = gst_parse_launch(desc.c_str(), &err);
    if (err) {
      g_error_free(err);
      if (pipeline) gst_object_unref(pipeline);
      return -1;
    }
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* msg = gst_bus_timed_pop_filtered(bus, GST_CLOCK_TIME_NONE,
                                                 static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ok = msg && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS;
    if (msg) gst_message_unref(msg);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    if (!ok) return -1;
  }
  return vt::bench::Ms(Clock::now() - t0);
}

// Times the export of one data set against cat; adds its goal to goals. False when a run failed.
bool MeasureDataSet(const DataSet& set, int minutes, bool texture, int rounds, vt::bench::CGoals* goals) {
  const std::string out = set.folder + "-out-" + std::to_string(::getpid());
  fs::create_directories(out);
  const std::string clip = out + "/clip.mkv", catOut = out + "/cat.bin";
  const std::vector<std::string> exportArgs = {
      VTEXPORT_PATH, "clip", "--data-folder", set.folder, "--channel", "1", "--from",
      vt::FormatLocalTime(set.start, "%Y-%m-%d %H:%M:%S"), "--to", vt::FormatLocalTime(set.end, "%Y-%m-%d %H:%M:%S"),
      "-o", clip};
  std::vector<std::string> catArgs = {"/bin/cat"};
  catArgs.insert(catArgs.end(), set.files.begin(), set.files.end());

  std::printf("bench_export: %d min of %dx%d MJPEG (%s), %zu recordings, %d frames, %.1f MB; %d rounds\n", minutes,
              kWidth, kHeight, texture ? "textured" : "ball", set.files.size(), set.frames, set.bytes / 1e6, rounds);
  std::printf("ours:      vtexport clip --data-folder %s --channel 1 --from ... --to ... -o %s\n", set.folder.c_str(),
              clip.c_str());
  std::printf("reference: cat <the %zu recordings> > %s\n", set.files.size(), catOut.c_str());
  // Both read the recordings from the page cache, as after any earlier read.
  RunTimed(catArgs, catOut);
  fs::remove(catOut);
  bool failed = false;
  uint64_t clipBytes = 0;
  // Each run starts with nothing left to write back from the one before.
  auto ours = [&] {
    ::sync();
    const double ms = RunTimed(exportArgs, "");
    if (ms < 0) failed = true;
    if (fs::exists(clip)) clipBytes = fs::file_size(clip);
    fs::remove(clip);
    fs::remove(clip + ".manifest.json");
    return ms;
  };
  auto ref = [&] {
    ::sync();
    const double ms = RunTimed(catArgs, catOut);
    if (ms < 0) failed = true;
    fs::remove(catOut);
    return ms;
  };
  const vt::bench::Rounds r = vt::bench::AlternateTimed(rounds, ours, ref);
  std::error_code ec;
  if (failed) {
    fs::remove_all(out, ec);
    std::fprintf(stderr, "bench_export: a run failed\n");
    return false;
  }
  std::printf("clip: %.1f MB (recordings %.1f MB)\n", clipBytes / 1e6, set.bytes / 1e6);
  // For scale: the export hashes the recordings and the clip, twice the bytes cat moves. openssl
  // uses the same library (and the CPU's SHA instructions) as the export; sha256sum may not.
  const bool openssl = fs::exists("/usr/bin/openssl");
  std::vector<std::string> hashArgs =
      openssl ? std::vector<std::string>{"/usr/bin/openssl", "dgst", "-sha256"} : std::vector<std::string>{"/usr/bin/sha256sum"};
  hashArgs.insert(hashArgs.end(), set.files.begin(), set.files.end());
  const double hashMs = RunTimed(hashArgs, "");
  if (hashMs >= 0)
    std::printf("for scale: %s of the recordings alone %.0f ms (%.2f x the median cat; the export hashes twice as much)\n",
                openssl ? "openssl dgst -sha256" : "sha256sum", hashMs, hashMs / r.Ref().median);
  // The floor under any remux through GStreamer's muxer: its own pipeline, and the hash of the
  // clip, which can only start once the muxer has gone back to complete the file's head.
  const double gstMs = GStreamerRemuxMs(set.files, out);
  if (gstMs >= 0 && hashMs >= 0)
    std::printf("for scale: GStreamer's own avidemux ! matroskamux ! filesink of the recordings %.0f ms (%.2f x the median "
                "cat); with one hash after it %.2f x\n",
                gstMs, gstMs / r.Ref().median, (gstMs + hashMs) / r.Ref().median);
  for (size_t i = 0; i < r.ours.size(); ++i)
    std::printf("round %zu: export %.0f ms, cat %.0f ms, ratio %.2f\n", i + 1, r.ours[i], r.ref[i], r.ratio[i]);
  fs::remove_all(out, ec);
  const std::string picture = texture ? "camera-like picture" : "ball on black";
  vt::bench::PrintRounds("clip export / cat, " + picture, r);
  goals->AtMost("clip export / cat, " + picture + " (median ratio)", r.Ratio().median, kGoalRatio);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 3, minutes = 60, recordingMinutes = kDefaultRecordingMinutes;
  bool texture = true, ball = true;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--minutes" && i + 1 < argc) minutes = std::max(1, std::atoi(argv[++i]));
    else if (a == "--recording-minutes" && i + 1 < argc) recordingMinutes = std::max(1, std::atoi(argv[++i]));
    else if (a == "--texture") ball = false;
    else if (a == "--ball") texture = false;
    else rounds = std::max(1, std::atoi(argv[i]));
  }
  gst_init(nullptr, nullptr);
  vt::bench::CGoals goals;
  for (const bool t : {true, false}) {
    if (!(t ? texture : ball)) continue;
    DataSet set;
    if (!MakeDataSet(minutes, recordingMinutes, t, &set)) return 2;
    if (!MeasureDataSet(set, minutes, t, rounds, &goals)) return 2;
  }
  return goals.Finish();
}
