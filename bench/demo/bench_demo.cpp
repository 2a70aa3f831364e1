// Demo data generation: the whole set (drawn frames, MJPEG AVI files, trailers, indexes) in a
// fresh folder, against a bare pipeline that encodes the same number of frames of a test
// pattern (SMPTE bars) into one AVI file (videotestsrc ! jpegenc ! avimux), the encoding floor.
// Alternates the two in rounds; prints the median ratio demo / bare with min/max (goal <= 3) and
// the demo's median wall time (goal < 60 s on the 2-core build machine).
// Usage: bench_demo [rounds, default 3]
#include <gst/gst.h>

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench_report.h"
#include "demo/demo_data.h"
#include "platform/local_time.h"

namespace {

using vt::bench::Clock;
namespace fs = std::filesystem;

constexpr double kGoalRatio = 3;      // demo / bare
constexpr double kGoalSeconds = 60;  // on the 2-core build machine

double Seconds(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

bool BareEncode(int frames, const std::string& path) {
  const std::string desc = "videotestsrc pattern=smpte num-buffers=" + std::to_string(frames) +
                           " ! video/x-raw,format=RGBx,width=" + std::to_string(vt::demo::kDemoWidth) +
                           ",height=" + std::to_string(vt::demo::kDemoHeight) + ",framerate=" +
                           std::to_string(vt::demo::kDemoFps) +
                           "/1 ! videoconvert ! video/x-raw,format=I420 ! jpegenc quality=80 ! avimux ! filesink "
                           "location=" + path;
  GError* err = nullptr;
  GstElement* pipe = gst_parse_launch(desc.c_str(), &err);
  if (err) g_error_free(err);
  if (!pipe) return false;
  gst_element_set_state(pipe, GST_STATE_PLAYING);
  GstBus* bus = gst_element_get_bus(pipe);
  GstMessage* msg = gst_bus_timed_pop_filtered(bus, 300 * GST_SECOND,
                                               static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  const bool ok = msg && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS;
  if (msg) gst_message_unref(msg);
  gst_object_unref(bus);
  gst_element_set_state(pipe, GST_STATE_NULL);
  gst_object_unref(pipe);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  gst_init(nullptr, nullptr);
  const fs::path root = fs::temp_directory_path() / ("bench_demo-" + std::to_string(::getpid()));
  fs::create_directories(root);

  const vt::demo::DemoPlan probe = vt::demo::MakeDemoPlan("/x", vt::Now32());
  const int frames = probe.TotalSeconds() * vt::demo::kDemoFps;
  std::printf("bench_demo: demo set of %zu recordings, %d s of video, %d frames %dx%d; %d rounds\n",
              probe.records.size(), probe.TotalSeconds(), frames, vt::demo::kDemoWidth, vt::demo::kDemoHeight, rounds);
  std::printf("reference: videotestsrc ! jpegenc ! avimux of the same number of frames into one file\n");
  int round = 0;
  bool failed = false;
  auto demo = [&] {
    const std::string dir = (root / ("demo" + std::to_string(round))).string();
    std::string error;
    const auto t0 = Clock::now();
    if (!vt::demo::GenerateDemoData(dir, &error)) {
      std::fprintf(stderr, "bench_demo: %s\n", error.c_str());
      failed = true;
    }
    const double ms = Seconds(t0) * 1000;
    std::error_code ec;
    fs::remove_all(dir, ec);
    return ms;
  };
  auto bare = [&] {
    const std::string file = (root / ("bare" + std::to_string(round++) + ".avi")).string();
    const auto t0 = Clock::now();
    if (!BareEncode(frames, file)) {
      std::fprintf(stderr, "bench_demo: bare pipeline failed\n");
      failed = true;
    }
    const double ms = Seconds(t0) * 1000;
    std::error_code ec;
    fs::remove(file, ec);
    return ms;
  };
  const vt::bench::Rounds r = vt::bench::AlternateTimed(rounds, demo, bare);
  std::error_code ec;
  fs::remove_all(root, ec);
  if (failed) return 2;
  vt::bench::PrintRounds("demo generation / bare encoding", r);
  vt::bench::CGoals goals;
  goals.AtMost("demo generation / bare encoding (median ratio)", r.Ratio().median, kGoalRatio);
  goals.AtMost("demo generation wall time, s (median)", r.Ours().median / 1000, kGoalSeconds);
  return goals.Finish();
}
