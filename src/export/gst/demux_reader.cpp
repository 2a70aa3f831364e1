#include "export/gst/demux_reader.h"

#include <gst/app/gstappsink.h>

#include <chrono>

namespace vt {

namespace {
constexpr int64_t kOpenTimeoutMs = 15000;
constexpr GstClockTime kPollNs = 100 * GST_MSECOND;
// Samples the demuxer may run ahead of the export, and how many it gathers before it wakes the
// puller.
constexpr size_t kMaxQueuedSamples = 64;
constexpr size_t kBatchSamples = 16;
}  // namespace

CDemuxReader::~CDemuxReader() { Close(); }

void CDemuxReader::DropQueued() {
  for (GstSample* s : m_queued) gst_sample_unref(s);
  for (GstSample* s : m_taken) gst_sample_unref(s);
  m_queued.clear();
  m_taken.clear();
}

void CDemuxReader::Close() {
  {
    // The demuxer's thread may wait for room; it must not hold the pipeline up going down.
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bClosing = true;
  }
  m_cvTaken.notify_all();
  if (m_pPipeline) {
    gst_element_set_state(m_pPipeline, GST_STATE_NULL);
    gst_object_unref(m_pPipeline);
  }
  if (m_pSink) gst_object_unref(m_pSink);
  if (m_pBus) gst_object_unref(m_pBus);
  m_pPipeline = m_pSink = nullptr;
  m_pBus = nullptr;
  std::lock_guard<std::mutex> lock(m_mutex);
  DropQueued();
  m_bNoMorePads = false;
  m_bEos = false;
  m_bClosing = false;
}

GstFlowReturn CDemuxReader::OnNewSample(GstAppSink* sink, gpointer self) {
  auto* r = static_cast<CDemuxReader*>(self);
  GstSample* sample = gst_app_sink_pull_sample(sink);
  if (!sample) return GST_FLOW_FLUSHING;
  std::unique_lock<std::mutex> lock(r->m_mutex);
  r->m_cvTaken.wait(lock, [r] { return r->m_bClosing || r->m_queued.size() < kMaxQueuedSamples; });
  if (r->m_bClosing) {
    gst_sample_unref(sample);
    return GST_FLOW_FLUSHING;
  }
  r->m_queued.push_back(sample);
  const bool wake = r->m_queued.size() >= kBatchSamples;
  lock.unlock();
  if (wake) r->m_cvReady.notify_one();
  return GST_FLOW_OK;
}

void CDemuxReader::OnEos(GstAppSink*, gpointer self) {
  auto* r = static_cast<CDemuxReader*>(self);
  {
    std::lock_guard<std::mutex> lock(r->m_mutex);
    r->m_bEos = true;
  }
  r->m_cvReady.notify_one();
}

void CDemuxReader::OnNoMorePads(GstElement*, gpointer self) {
  auto* r = static_cast<CDemuxReader*>(self);
  std::lock_guard<std::mutex> lock(r->m_mutex);
  r->m_bNoMorePads = true;
}

bool CDemuxReader::TakeError(std::string* error) {
  GstMessage* msg = gst_bus_pop_filtered(m_pBus, GST_MESSAGE_ERROR);
  if (!msg) return false;
  GError* err = nullptr;
  gst_message_parse_error(msg, &err, nullptr);
  if (error) *error = err ? err->message : "stream error";
  if (err) g_error_free(err);
  gst_message_unref(msg);
  return true;
}

bool CDemuxReader::WaitPrerolled(const std::atomic<bool>* cancel, std::string* error, bool* noStream) {
  *noStream = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kOpenTimeoutMs);
  for (;;) {
    GstState state;
    const GstStateChangeReturn r = gst_element_get_state(m_pPipeline, &state, nullptr, kPollNs);
    bool noMorePads;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      noMorePads = m_bNoMorePads;
    }
    GstPad* pad = gst_element_get_static_pad(m_pSink, "sink");
    const bool linked = gst_pad_is_linked(pad);
    gst_object_unref(pad);
    // All streams announced and none of them is ours: the appsink would wait for ever, and the
    // demuxer stops with an error as nothing takes its data.
    if (noMorePads && !linked) {
      *noStream = true;
      return true;
    }
    if (TakeError(error) || r == GST_STATE_CHANGE_FAILURE) {
      if (error && error->empty()) *error = "cannot be opened";
      return false;
    }
    if (r == GST_STATE_CHANGE_SUCCESS || r == GST_STATE_CHANGE_NO_PREROLL) return true;
    if ((cancel && cancel->load()) || std::chrono::steady_clock::now() > deadline) {
      if (error) *error = cancel && cancel->load() ? "cancelled" : "time-out while opening";
      return false;
    }
  }
}

CDemuxReader::OpenResult CDemuxReader::Open(const std::string& path, MediaTrack track, int64_t seekNs,
                                            const std::atomic<bool>* cancel, std::string* error) {
  Close();
  const char* pad = track == MediaTrack::kVideo ? "video_0" : "audio_0";
  const std::string desc = std::string("filesrc name=src ! avidemux name=d d.") + pad +
                           " ! appsink name=sink sync=false enable-last-sample=false";
  GError* err = nullptr;
  m_pPipeline = gst_parse_launch(desc.c_str(), &err);
  if (err) {
    if (error) *error = err->message;
    g_error_free(err);
    Close();
    return kFailed;
  }
  GstElement* src = gst_bin_get_by_name(GST_BIN(m_pPipeline), "src");
  GstElement* demux = gst_bin_get_by_name(GST_BIN(m_pPipeline), "d");
  m_pSink = gst_bin_get_by_name(GST_BIN(m_pPipeline), "sink");
  g_object_set(src, "location", path.c_str(), nullptr);
  g_signal_connect(demux, "no-more-pads", G_CALLBACK(&CDemuxReader::OnNoMorePads), this);
  gst_object_unref(src);
  gst_object_unref(demux);
  GstAppSinkCallbacks callbacks{};
  callbacks.new_sample = &CDemuxReader::OnNewSample;
  callbacks.eos = &CDemuxReader::OnEos;
  gst_app_sink_set_callbacks(GST_APP_SINK(m_pSink), &callbacks, this, nullptr);
  m_pBus = gst_element_get_bus(m_pPipeline);

  bool noStream = false;
  if (gst_element_set_state(m_pPipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
    if (!TakeError(error) && error) *error = "cannot be opened";
    Close();
    return kFailed;
  }
  if (!WaitPrerolled(cancel, error, &noStream)) {
    Close();
    return kFailed;
  }
  if (noStream) {
    Close();
    return kNoStream;
  }
  if (seekNs > 0) {
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT | GST_SEEK_FLAG_SNAP_BEFORE);
    // A file the demuxer cannot seek in is read from its start; the caller skips what lies before.
    if (gst_element_seek_simple(m_pPipeline, GST_FORMAT_TIME, flags, seekNs) && !WaitPrerolled(cancel, error, &noStream)) {
      Close();
      return kFailed;
    }
  }
  if (gst_element_set_state(m_pPipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    if (!TakeError(error) && error) *error = "cannot be read";
    Close();
    return kFailed;
  }
  return kOpened;
}

CDemuxReader::PullResult CDemuxReader::Pull(GstSample** sample, const std::atomic<bool>* cancel, std::string* error) {
  *sample = nullptr;
  if (!m_pPipeline) return kEnd;
  for (;;) {
    if (cancel && cancel->load()) {
      if (error) *error = "cancelled";
      return kError;
    }
    if (!m_taken.empty()) {
      *sample = m_taken.front();
      m_taken.pop_front();
      return kSample;
    }
    bool eos;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_cvReady.wait_for(lock, std::chrono::nanoseconds(kPollNs),
                         [this] { return m_bEos || m_queued.size() >= kBatchSamples; });
      m_taken.swap(m_queued);
      eos = m_bEos;
    }
    m_cvTaken.notify_one();
    if (!m_taken.empty()) continue;
    if (TakeError(error)) return kError;
    if (eos) return kEnd;
  }
}

int64_t FindVideoFrameStart(const std::string& path, int64_t offsetNs, std::string* error) {
  CDemuxReader reader;
  if (reader.Open(path, MediaTrack::kVideo, offsetNs, nullptr, error) != CDemuxReader::kOpened) {
    if (error && error->empty()) *error = "no video";
    return -1;
  }
  int64_t found = -1;
  for (;;) {
    GstSample* sample = nullptr;
    const CDemuxReader::PullResult r = reader.Pull(&sample, nullptr, error);
    if (r != CDemuxReader::kSample) break;
    GstBuffer* b = gst_sample_get_buffer(sample);
    const GstClockTime t = GST_BUFFER_PTS_IS_VALID(b) ? GST_BUFFER_PTS(b) : GST_BUFFER_DTS(b);
    gst_sample_unref(sample);
    if (!GST_CLOCK_TIME_IS_VALID(t)) continue;
    if (static_cast<int64_t>(t) > offsetNs) {
      if (found < 0) found = static_cast<int64_t>(t);
      break;
    }
    found = static_cast<int64_t>(t);
  }
  if (found < 0 && error && error->empty()) *error = "no video frame";
  return found;
}

}  // namespace vt
