// Demo data generation: the whole set (drawn frames, MJPEG AVI files, trailers, indexes) in a
// fresh folder, against a bare pipeline that encodes the same number of frames of a test
// pattern (SMPTE bars) into one AVI file (videotestsrc ! jpegenc ! avimux), the encoding floor.
// Prints the best of N rounds of each, the ratio demo / bare (goal <= 3) and the demo's wall
// time (goal < 60 s on the 2-core build machine).
// Usage: bench_demo [rounds, default 2]
#include <gst/gst.h>

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "demo/demo_data.h"
#include "platform/local_time.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

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
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  gst_init(nullptr, nullptr);
  const fs::path root = fs::temp_directory_path() / ("bench_demo-" + std::to_string(::getpid()));
  fs::create_directories(root);

  const vt::demo::DemoPlan probe = vt::demo::MakeDemoPlan("/x", vt::Now32());
  const int frames = probe.TotalSeconds() * vt::demo::kDemoFps;
  double bestDemo = 1e9, bestBare = 1e9;
  for (int i = 0; i < rounds; ++i) {
    const std::string dir = (root / ("demo" + std::to_string(i))).string();
    std::string error;
    auto t0 = Clock::now();
    if (!vt::demo::GenerateDemoData(dir, &error)) {
      std::fprintf(stderr, "bench_demo: %s\n", error.c_str());
      return 1;
    }
    bestDemo = std::min(bestDemo, Seconds(t0));
    t0 = Clock::now();
    if (!BareEncode(frames, (root / ("bare" + std::to_string(i) + ".avi")).string())) {
      std::fprintf(stderr, "bench_demo: bare pipeline failed\n");
      return 1;
    }
    bestBare = std::min(bestBare, Seconds(t0));
  }
  std::error_code ec;
  fs::remove_all(root, ec);
  std::printf("demo set: %zu recordings, %d s of video, %d frames %dx%d\n", probe.records.size(),
              probe.TotalSeconds(), frames, vt::demo::kDemoWidth, vt::demo::kDemoHeight);
  std::printf("generation %.2f s   bare encode %.2f s   ratio %.2f (goal <= 3)   %s\n", bestDemo, bestBare,
              bestDemo / bestBare, bestDemo < 60 ? "under a minute" : "OVER A MINUTE");
  return 0;
}
