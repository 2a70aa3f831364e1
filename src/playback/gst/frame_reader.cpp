#include "playback/gst/frame_reader.h"

#include <gst/app/gstappsink.h>

#include "playback/frame_move.h"
#include "playback/gst/frame_pack.h"

namespace vt {

namespace {
constexpr int kVideoOnlyFlags = 0x1 | 0x40;  // video, native video: no audio branch to wait for
constexpr int64_t kOpenTimeoutNs = 10 * GST_SECOND;
constexpr auto kRunTimeout = std::chrono::seconds(30);
constexpr const char* kReaderCaps = "video/x-raw, format=(string){ I420, YV12, YUY2, UYVY, YVYU, BGRx, BGRA }";
}  // namespace

CFrameReader::~CFrameReader() {
  if (m_pPipe) {
    gst_element_set_state(m_pPipe, GST_STATE_NULL);
    gst_object_unref(m_pPipe);
  }
}

bool CFrameReader::Open() {
  if (m_pPipe) return true;
  if (m_bFailed) return false;
  m_bFailed = true;
  GstElement* pipe = gst_element_factory_make("playbin", nullptr);
  GstElement* conv = gst_element_factory_make("videoconvert", nullptr);
  GstElement* sink = gst_element_factory_make("appsink", nullptr);
  if (!pipe || !conv || !sink) {
    for (GstElement* e : {pipe, conv, sink})
      if (e) gst_object_unref(e);
    return false;
  }
  GstCaps* caps = gst_caps_from_string(kReaderCaps);
  // Unsynchronised and lossless: every frame of the run, as fast as it is decoded.
  g_object_set(sink, "caps", caps, "sync", FALSE, "qos", FALSE, "max-buffers", 0u, "drop", FALSE, "emit-signals", FALSE,
               nullptr);
  gst_caps_unref(caps);
  GstElement* bin = gst_bin_new(nullptr);
  gst_bin_add_many(GST_BIN(bin), conv, sink, nullptr);
  gst_element_link(conv, sink);
  GstPad* pad = gst_element_get_static_pad(conv, "sink");
  gst_element_add_pad(bin, gst_ghost_pad_new("sink", pad));
  gst_object_unref(pad);
  GstAppSinkCallbacks cb{};
  cb.new_sample = [](GstAppSink* s, gpointer self) { return OnSample(GST_ELEMENT(s), self, false); };
  cb.new_preroll = [](GstAppSink* s, gpointer self) { return OnSample(GST_ELEMENT(s), self, true); };
  cb.eos = [](GstAppSink*, gpointer self) { static_cast<CFrameReader*>(self)->Finish(true); };
  gst_app_sink_set_callbacks(GST_APP_SINK(sink), &cb, this, nullptr);
  g_object_set(pipe, "uri", m_strUri.c_str(), "video-sink", bin, "flags", kVideoOnlyFlags, nullptr);
  GstBus* bus = gst_element_get_bus(pipe);
  gst_bus_set_sync_handler(
      bus,
      [](GstBus*, GstMessage* msg, gpointer self) {
        if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ERROR) static_cast<CFrameReader*>(self)->Finish(false);
        gst_message_unref(msg);
        return GST_BUS_DROP;
      },
      this, nullptr);
  gst_object_unref(bus);
  if (gst_element_set_state(pipe, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE ||
      gst_element_get_state(pipe, nullptr, nullptr, kOpenTimeoutNs) != GST_STATE_CHANGE_SUCCESS) {
    gst_element_set_state(pipe, GST_STATE_NULL);
    gst_object_unref(pipe);
    return false;
  }
  m_pPipe = pipe;
  m_pSink = sink;
  m_bFailed = false;
  return true;
}

void CFrameReader::Finish(bool ok) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_bDone) return;
  m_bDone = true;
  m_bOk = ok;
  m_cv.notify_all();
}

GstFlowReturn CFrameReader::OnSample(GstElement* sink, gpointer data, bool preroll) {
  auto* self = static_cast<CFrameReader*>(data);
  GstSample* s = preroll ? gst_app_sink_pull_preroll(GST_APP_SINK(sink)) : gst_app_sink_pull_sample(GST_APP_SINK(sink));
  if (!s) return GST_FLOW_EOS;
  int64_t keepFrom, frameTime;
  {
    std::lock_guard<std::mutex> lock(self->m_mutex);
    keepFrom = self->m_llKeepFrom;
    frameTime = self->m_llFrameTime;
  }
  const GstClockTime pts = GST_BUFFER_PTS(gst_sample_get_buffer(s));
  const int64_t index = GST_CLOCK_TIME_IS_VALID(pts) ? FrameIndexOf(static_cast<int64_t>(pts / 100), frameTime) : -1;
  // Frames before `keepFrom` are only decoded as references.
  std::shared_ptr<const VideoFrame> frame = index >= keepFrom ? SampleToFrame(s) : nullptr;
  gst_sample_unref(s);
  if (frame) {
    // Under the lock, so that a run that has ended (or timed out) is never called into.
    std::lock_guard<std::mutex> lock(self->m_mutex);
    if (!self->m_bDone && self->m_pTake) (*self->m_pTake)(index, std::move(frame));
    // The last frame wanted ends the run: the end of the stream comes only after the decoder
    // has been drained.
    if (index >= self->m_llTo && !self->m_bDone) {
      self->m_bDone = self->m_bOk = true;
      self->m_cv.notify_all();
    }
  }
  return GST_FLOW_OK;
}

bool CFrameReader::Read(int64_t from, int64_t to, int64_t keepFrom, int64_t frameTime, const Take& take) {
  if (frameTime <= 0 || from < 0 || to < from || keepFrom > from || !Open()) return false;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bDone = false;
    m_bOk = false;
    m_llKeepFrom = keepFrom;
    m_llTo = to;
    m_llFrameTime = frameTime;
    m_pTake = &take;
  }
  // The run stops after frame `to`: its end is half a frame into the next.
  const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT | GST_SEEK_FLAG_SNAP_BEFORE);
  bool ok = gst_element_seek(m_pPipe, 1.0, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, from * frameTime * 100,
                             GST_SEEK_TYPE_SET, (to * frameTime + frameTime / 2) * 100) &&
            gst_element_set_state(m_pPipe, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (ok) ok = m_cv.wait_for(lock, kRunTimeout, [this] { return m_bDone; }) && m_bOk;
    m_bDone = true;  // late frames of a failed run are not handed over
    m_pTake = nullptr;
  }
  gst_element_set_state(m_pPipe, GST_STATE_PAUSED);
  return ok;
}

}  // namespace vt
