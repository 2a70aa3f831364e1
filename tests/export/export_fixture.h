// Fixtures of the export tests: a camera folder of generated recordings (a frame number drawn in
// each frame) named and indexed as the recorder does, and readers that take a recording or an
// export apart again with GStreamer: compressed payloads with their times, decoded frame numbers.
#pragma once

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <atomic>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "common/scoped_tz.h"
#include "common/temp_dir.h"
#include "export/export_time.h"
#include "platform/local_time.h"
#include "playback/gst/test_media.h"
#include "playback/vant_writer.h"
#include "recorddb/record_db.h"

namespace vt::test {

constexpr const char* kTzBerlin = "CET-1CEST,M3.5.0,M10.5.0/3";
constexpr int kFps = 25;
constexpr int64_t kFrameTicks = kTicksPerSecond / kFps;

struct Payload {
  std::string bytes;
  int64_t ptsNs = 0;
  bool key = false;
};

struct Streams {
  std::vector<Payload> video;
  std::vector<Payload> audio;
  bool ok = false;
};

inline void StorePayload(GstSample* s, std::vector<Payload>* out) {
  GstBuffer* b = gst_sample_get_buffer(s);
  GstMapInfo map;
  Payload p;
  if (gst_buffer_map(b, &map, GST_MAP_READ)) {
    p.bytes.assign(reinterpret_cast<const char*>(map.data), map.size);
    gst_buffer_unmap(b, &map);
  }
  const GstClockTime t = GST_BUFFER_PTS_IS_VALID(b) ? GST_BUFFER_PTS(b) : GST_BUFFER_DTS(b);
  p.ptsNs = GST_CLOCK_TIME_IS_VALID(t) ? static_cast<int64_t>(t) : -1;
  p.key = !GST_BUFFER_FLAG_IS_SET(b, GST_BUFFER_FLAG_DELTA_UNIT);
  out->push_back(std::move(p));
}

// Every compressed video and audio buffer of an AVI ("avidemux") or Matroska ("matroskademux")
// file, in order. Each stream is read by a pipeline of its own, so one never waits on the other.
inline Streams ReadStreams(const std::string& path, const char* demuxer) {
  Streams out;
  out.ok = true;
  for (const char* pad : {"video_0", "audio_0"}) {
    const std::string desc = std::string("filesrc name=src ! ") + demuxer + " name=d d." + pad +
                             " ! appsink name=sink sync=false";
    GstElement* pipe = gst_parse_launch(desc.c_str(), nullptr);
    GstElement* src = gst_bin_get_by_name(GST_BIN(pipe), "src");
    g_object_set(src, "location", path.c_str(), nullptr);
    gst_object_unref(src);
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipe), "sink");
    GstElement* demux = gst_bin_get_by_name(GST_BIN(pipe), "d");
    std::atomic<bool> noMorePads{false};
    g_signal_connect(demux, "no-more-pads",
                     G_CALLBACK(+[](GstElement*, gpointer flag) { static_cast<std::atomic<bool>*>(flag)->store(true); }),
                     &noMorePads);
    gst_object_unref(demux);
    gst_element_set_state(pipe, GST_STATE_PLAYING);
    std::vector<Payload>* list = std::string(pad) == "video_0" ? &out.video : &out.audio;
    GstBus* bus = gst_element_get_bus(pipe);
    // A stream that is not there never reaches the appsink: all pads announced, none linked.
    for (;;) {
      GstSample* s = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 100 * GST_MSECOND);
      if (s) {
        StorePayload(s, list);
        gst_sample_unref(s);
        continue;
      }
      if (gst_app_sink_is_eos(GST_APP_SINK(sink))) break;
      if (GstMessage* m = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
        gst_message_unref(m);
        if (!list->empty()) out.ok = false;
        break;
      }
      GstPad* p = gst_element_get_static_pad(sink, "sink");
      const bool linked = gst_pad_is_linked(p);
      gst_object_unref(p);
      if (!linked && noMorePads) break;
    }
    gst_object_unref(bus);
    gst_element_set_state(pipe, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(pipe);
  }
  return out;
}

// The frame number drawn into each decoded picture of a file, with its time (ns), in order.
inline std::vector<std::pair<int64_t, int>> DecodeFrameNumbers(const std::string& path) {
  std::vector<std::pair<int64_t, int>> out;
  GstElement* pipe = gst_parse_launch(
      "filesrc name=src ! decodebin ! videoconvert ! video/x-raw,format=I420 ! appsink name=sink sync=false", nullptr);
  GstElement* src = gst_bin_get_by_name(GST_BIN(pipe), "src");
  g_object_set(src, "location", path.c_str(), nullptr);
  gst_object_unref(src);
  GstElement* sink = gst_bin_get_by_name(GST_BIN(pipe), "sink");
  gst_element_set_state(pipe, GST_STATE_PLAYING);
  while (GstSample* s = gst_app_sink_pull_sample(GST_APP_SINK(sink))) {
    GstVideoInfo info;
    GstVideoFrame vf;
    GstBuffer* b = gst_sample_get_buffer(s);
    if (gst_video_info_from_caps(&info, gst_sample_get_caps(s)) && gst_video_frame_map(&vf, &info, b, GST_MAP_READ)) {
      struct Ctx {
        const uint8_t* y;
        int stride;
      } ctx{static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&vf, 0)), GST_VIDEO_FRAME_PLANE_STRIDE(&vf, 0)};
      const int n = ReadFrameNumber(
          GST_VIDEO_FRAME_WIDTH(&vf), GST_VIDEO_FRAME_HEIGHT(&vf),
          [](const void* c, int x, int y) {
            const auto* k = static_cast<const Ctx*>(c);
            return static_cast<int>(k->y[y * k->stride + x]);
          },
          &ctx);
      out.emplace_back(static_cast<int64_t>(GST_BUFFER_PTS(b)), n);
      gst_video_frame_unmap(&vf);
    }
    gst_sample_unref(s);
  }
  gst_element_set_state(pipe, GST_STATE_NULL);
  gst_object_unref(sink);
  gst_object_unref(pipe);
  return out;
}

// A recording as the recorder names it: <camera>/<YYYY-MM-DD>/01HHMMSSHHMMSS0.avi, its end the
// whole second after its last frame. Returns the path; start is the local time of frame 0.
inline std::string MakeRecording(const std::string& cameraFolder, time32 start, TestClipSpec spec) {
  const time32 end = start + (spec.frames + spec.fps - 1) / spec.fps;
  const std::string day = FormatLocalTime(start, "%Y-%m-%d");
  const std::string name = "01" + FormatLocalTime(start, "%H%M%S") + FormatLocalTime(end, "%H%M%S") + "0.avi";
  std::filesystem::create_directories(cameraFolder + "/" + day);
  const std::string path = cameraFolder + "/" + day + "/" + name;
  std::string error;
  EXPECT_TRUE(MakeTestClip(spec, path, &error)) << error;
  VantTrailer trailer;
  trailer.textA = "Camera";
  EXPECT_TRUE(AppendVantTrailer(path, trailer));
  return path;
}

inline TestClipSpec SmallClip(TestClipSpec::Codec codec, int frames, bool audio) {
  TestClipSpec s;
  s.codec = codec;
  s.width = 176;
  s.height = 144;
  s.frames = frames;
  s.fps = kFps;
  s.audio = audio;
  return s;
}

// Local time of day d (0 = 2008-05-10) at h:m:s.
inline time32 LocalAt(int d, int h, int m, int s) { return MakeLocalTime(2008, 5, 10 + d, h, m, s); }

}  // namespace vt::test
