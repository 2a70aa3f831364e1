#include "bare_pipeline.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include "bench_report.h"

namespace vt::bench {

CBarePipeline::CBarePipeline(const std::string& path) {
  GstElement* pipe = gst_element_factory_make("playbin", nullptr);
  GstElement* bin = gst_parse_bin_from_description(
      "videoconvert ! appsink name=s caps=\"video/x-raw,format={I420,YV12,YUY2,UYVY,YVYU,BGRx,BGRA}\" sync=true "
      "max-buffers=2 drop=false",
      TRUE, nullptr);
  if (!pipe || !bin) return;
  m_pSink = gst_bin_get_by_name(GST_BIN(bin), "s");
  gchar* uri = gst_filename_to_uri(path.c_str(), nullptr);
  g_object_set(pipe, "uri", uri, "video-sink", bin, "audio-sink", gst_element_factory_make("fakesink", nullptr),
               nullptr);
  g_free(uri);
  gst_element_set_state(pipe, GST_STATE_PAUSED);
  if (gst_element_get_state(pipe, nullptr, nullptr, 20 * GST_SECOND) != GST_STATE_CHANGE_SUCCESS) {
    gst_element_set_state(pipe, GST_STATE_NULL);
    gst_object_unref(m_pSink);
    gst_object_unref(pipe);
    m_pSink = nullptr;
    return;
  }
  m_pPipe = pipe;
  if (GstSample* s = gst_app_sink_pull_preroll(GST_APP_SINK(m_pSink))) {
    GstVideoInfo info;
    if (gst_video_info_from_caps(&info, gst_sample_get_caps(s)) && GST_VIDEO_INFO_FPS_N(&info) > 0)
      m_llFrameNs = static_cast<int64_t>(gst_util_uint64_scale(GST_SECOND, GST_VIDEO_INFO_FPS_D(&info), GST_VIDEO_INFO_FPS_N(&info)));
    gst_sample_unref(s);
  }
}

CBarePipeline::~CBarePipeline() {
  if (m_pPipe) {
    gst_element_set_state(m_pPipe, GST_STATE_NULL);
    gst_object_unref(m_pPipe);
  }
  if (m_pSink) gst_object_unref(m_pSink);
}

namespace {

int64_t PtsOf(GstSample* s) {
  const GstClockTime t = s ? GST_BUFFER_PTS(gst_sample_get_buffer(s)) : GST_CLOCK_TIME_NONE;
  return GST_CLOCK_TIME_IS_VALID(t) ? static_cast<int64_t>(t) : -1;
}

}  // namespace

double CBarePipeline::Seek(int64_t n, bool* exact) {
  const auto t0 = Clock::now();
  gst_element_seek(m_pPipe, 1.0, GST_FORMAT_TIME, static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                   GST_SEEK_TYPE_SET, n * m_llFrameNs, GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE);
  gst_element_get_state(m_pPipe, nullptr, nullptr, GST_CLOCK_TIME_NONE);
  GstSample* s = gst_app_sink_pull_preroll(GST_APP_SINK(m_pSink));
  const double ms = Ms(Clock::now() - t0);
  *exact = PtsOf(s) == n * m_llFrameNs;
  if (s) gst_sample_unref(s);
  return ms;
}

CBarePipeline::Run CBarePipeline::Decode(int64_t first, int count) {
  Run run;
  g_object_set(m_pSink, "sync", FALSE, nullptr);
  bool exact = false;
  const auto t0 = Clock::now();
  Seek(first, &exact);
  const auto tFirst = Clock::now();
  gst_element_set_state(m_pPipe, GST_STATE_PLAYING);
  // The prerolled frame comes again first; then the following ones.
  int64_t expect = first;
  int got = 0;
  while (got < count) {
    GstSample* s = gst_app_sink_try_pull_sample(GST_APP_SINK(m_pSink), 10 * GST_SECOND);
    if (!s) break;
    const int64_t pts = PtsOf(s);
    gst_sample_unref(s);
    if (pts == expect * m_llFrameNs) {
      ++expect;
      ++got;
    } else if (pts != (expect - 1) * m_llFrameNs) {
      exact = false;
    }
  }
  const auto tEnd = Clock::now();
  gst_element_set_state(m_pPipe, GST_STATE_PAUSED);
  gst_element_get_state(m_pPipe, nullptr, nullptr, GST_CLOCK_TIME_NONE);
  g_object_set(m_pSink, "sync", TRUE, nullptr);
  run.totalMs = Ms(tEnd - t0);
  run.perFrameMs = count > 1 ? Ms(tEnd - tFirst) / (count - 1) : run.totalMs;
  run.exact = exact && got == count;
  return run;
}

}  // namespace vt::bench
