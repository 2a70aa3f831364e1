#include "export/gst/clip_remux.h"

#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "export/gst/stream_cursor.h"
#include "export/mkv_file.h"

namespace vt {

namespace {

constexpr int64_t kNsPerTick = 100;
// Bytes each track's source may hold before the feeder waits for the muxer.
constexpr guint64 kMaxQueuedBytes = 8u << 20;
// Bytes the file sink gathers before it writes.
constexpr guint kSinkBufferBytes = 1u << 20;
constexpr auto kPoll = std::chrono::milliseconds(100);
constexpr auto kProgressInterval = std::chrono::milliseconds(200);
constexpr int64_t kProgressEveryFrames = 25;
constexpr int kDefaultFps = 25;

// The parser that turns the stream's framing into Matroska's, or null when none is needed.
const char* FramingParser(GstCaps* caps) {
  const GstStructure* s = gst_caps_get_structure(caps, 0);
  const char* format = gst_structure_get_string(s, "stream-format");
  const std::string f = format ? format : "";
  if (gst_structure_has_name(s, "video/x-h264") && f != "avc" && f != "avc3") return "h264parse";
  if (gst_structure_has_name(s, "video/x-h265") && f != "hvc1" && f != "hev1") return "h265parse";
  return nullptr;
}

// The muxing pipeline: one appsrc per track into matroskamux into filesink. Its bus is read by a
// sync handler; the feeder waits on one condition for room in a queue, an error or the end.
// Video without sound goes into the muxer from the feeder's own thread instead: a thread more
// and a hand-over per frame cost as much as the muxing. With sound it may not: the muxer takes a
// frame only once sound is waiting too, and would keep the feeder waiting for ever if the
// sound's thread stopped on an error.
class CMuxPipeline {
 public:
  ~CMuxPipeline() { Stop(); }

  bool Build(int fd, GstCaps* videoCaps, GstCaps* audioCaps, WallTime origin, const std::string& writingApp,
             std::string* error) {
    m_pPipeline = gst_pipeline_new("export");
    GstElement* mux = gst_element_factory_make("matroskamux", "mux");
    GstElement* sink = gst_element_factory_make("filesink", "out");
    if (!m_pPipeline || !mux || !sink) {
      if (mux) gst_object_unref(mux);
      if (sink) gst_object_unref(sink);
      *error = "the Matroska muxer is not installed";
      return false;
    }
    GDateTime* base = g_date_time_new_from_unix_utc(Time32FromWall(origin));
    GDateTime* when = g_date_time_add(base, (origin - WallFromTime32(Time32FromWall(origin))) / 10);
    g_object_set(mux, "creation-time", when, "writing-app", writingApp.c_str(), nullptr);
    g_date_time_unref(when);
    g_date_time_unref(base);
    // A placeholder tag, so that the muxer writes a Tags element at the end for ours to replace.
    GstTagList* tags = gst_tag_list_new(GST_TAG_TITLE, "-", nullptr);
    gst_tag_setter_merge_tags(GST_TAG_SETTER(mux), tags, GST_TAG_MERGE_REPLACE);
    gst_tag_list_unref(tags);
    // filesink gathers the muxer's many small writes into large ones (fdsink writes each at once).
    // It opens the file the caller created through /proc, so that file stays the one written.
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    g_object_set(sink, "location", path.c_str(), "buffer-mode", 0, "buffer-size", kSinkBufferBytes, "sync", FALSE,
                 "async", FALSE, nullptr);
    gst_bin_add_many(GST_BIN(m_pPipeline), mux, sink, nullptr);
    m_pSink = sink;
    if (!gst_element_link(mux, sink)) {
      *error = "cannot link the muxer";
      return false;
    }
    if (audioCaps) {
      m_pSrc[0] = AddSource("video", videoCaps, mux, 0);
      m_pSrc[1] = AddSource("audio", audioCaps, mux, 1);
    } else {
      m_pVideo = AddFeed(videoCaps, mux);
    }
    if (!(m_pSrc[0] || m_pVideo) || (audioCaps && !m_pSrc[1])) {
      *error = "the muxer does not take this stream format";
      return false;
    }
    GstBus* bus = gst_element_get_bus(m_pPipeline);
    gst_bus_set_sync_handler(bus, &CMuxPipeline::OnBus, this, nullptr);
    gst_object_unref(bus);
    if (gst_element_set_state(m_pPipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
      *error = ErrorText("cannot start the muxer");
      return false;
    }
    if (m_pVideo) StartFeed(videoCaps, mux);
    return true;
  }

  // Waits for room in track's queue, then pushes buffer (taken). False on error or cancel. Video
  // fed directly returns once it is written.
  bool Push(int track, GstBuffer* buffer, const std::atomic<bool>* cancel) {
    if (track == 0 && m_pVideo) return gst_pad_push(m_pVideo, buffer) == GST_FLOW_OK;
    std::unique_lock<std::mutex> lock(m_mutex);
    while (m_bFull[track] && m_error.empty() && !(cancel && cancel->load())) m_cv.wait_for(lock, kPoll);
    if (!m_error.empty() || (cancel && cancel->load())) {
      gst_buffer_unref(buffer);
      return false;
    }
    lock.unlock();
    return gst_app_src_push_buffer(GST_APP_SRC(m_pSrc[track]), buffer) == GST_FLOW_OK;
  }

  void EndTrack(int track) {
    if (m_bEnded[track]) return;
    m_bEnded[track] = true;
    if (m_pSrc[track]) gst_app_src_end_of_stream(GST_APP_SRC(m_pSrc[track]));
    if (track == 0 && m_pVideo) gst_pad_push_event(m_pVideo, gst_event_new_eos());
  }

  // After both tracks ended: waits until the file is complete.
  bool Finish(const std::atomic<bool>* cancel, std::string* error) {
    EndTrack(0);
    EndTrack(1);
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_bEos && m_error.empty() && !(cancel && cancel->load())) m_cv.wait_for(lock, kPoll);
    if (!m_error.empty()) *error = m_error;
    return m_bEos && m_error.empty();
  }

  // The error came from writing the file (a full disk), not from the streams.
  bool WriteFailed() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bWriteFailed;
  }

  std::string ErrorText(const char* fallback) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_error.empty() ? fallback : m_error;
  }

  void Stop() {
    if (!m_pPipeline) return;
    gst_element_set_state(m_pPipeline, GST_STATE_NULL);
    GstBus* bus = gst_element_get_bus(m_pPipeline);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(m_pPipeline);
    m_pPipeline = nullptr;
    m_pSrc[0] = m_pSrc[1] = nullptr;
    m_pSink = nullptr;
    if (m_pVideo) {
      gst_pad_set_active(m_pVideo, FALSE);
      gst_object_unref(m_pVideo);
      m_pVideo = nullptr;
    }
  }

 private:
  // A pad of the feeder's own, linked to the muxer (through a parser where the framing needs one).
  GstPad* AddFeed(GstCaps* caps, GstElement* mux) {
    GstPad* feed = GST_PAD(gst_object_ref_sink(gst_pad_new("video", GST_PAD_SRC)));
    GstPad* sinkPad = LinkToMux(caps, mux, 0, nullptr);
    const bool linked = sinkPad && gst_pad_link(feed, sinkPad) == GST_PAD_LINK_OK;
    if (sinkPad) gst_object_unref(sinkPad);
    if (!linked) {
      gst_object_unref(feed);
      return nullptr;
    }
    return feed;
  }

  // What an appsrc sends before its first buffer.
  void StartFeed(GstCaps* caps, GstElement* mux) {
    gst_pad_set_active(m_pVideo, TRUE);
    gchar* id = gst_pad_create_stream_id(m_pVideo, mux, "video");
    gst_pad_push_event(m_pVideo, gst_event_new_stream_start(id));
    g_free(id);
    gst_pad_push_event(m_pVideo, gst_event_new_caps(caps));
    GstSegment segment;
    gst_segment_init(&segment, GST_FORMAT_TIME);
    gst_pad_push_event(m_pVideo, gst_event_new_segment(&segment));
  }

  GstElement* AddSource(const char* name, GstCaps* caps, GstElement* mux, int track) {
    GstElement* src = gst_element_factory_make("appsrc", name);
    if (!src) return nullptr;
    g_object_set(src, "caps", caps, "format", GST_FORMAT_TIME, "is-live", FALSE, "block", FALSE, "max-bytes",
                 kMaxQueuedBytes, "emit-signals", FALSE, nullptr);
    GstAppSrcCallbacks cb{};
    cb.need_data = track == 0 ? &CMuxPipeline::OnNeedVideo : &CMuxPipeline::OnNeedAudio;
    cb.enough_data = track == 0 ? &CMuxPipeline::OnEnoughVideo : &CMuxPipeline::OnEnoughAudio;
    gst_app_src_set_callbacks(GST_APP_SRC(src), &cb, this, nullptr);
    gst_bin_add(GST_BIN(m_pPipeline), src);
    GstPad* sinkPad = LinkToMux(caps, mux, track, src);
    if (!sinkPad) return nullptr;
    gst_object_unref(sinkPad);
    return src;
  }

  // Requests the muxer's pad for track and puts the framing parser before it where caps need
  // one. Returns the pad the track's data goes into (a new reference), linked from src when
  // given; null when it cannot be linked.
  GstPad* LinkToMux(GstCaps* caps, GstElement* mux, int track, GstElement* src) {
    GstElement* first = nullptr;
    GstElement* last = src;
    if (const char* parser = FramingParser(caps)) {
      // H.264/H.265 as AVI holds it (start codes) is reframed for Matroska (length prefixes): the
      // coded pictures stay as they are.
      GstElement* parse = gst_element_factory_make(parser, nullptr);
      GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
      if (!parse || !filter) {
        if (parse) gst_object_unref(parse);
        if (filter) gst_object_unref(filter);
        return nullptr;
      }
      GstCaps* framed = gst_caps_from_string(std::strcmp(parser, "h264parse") == 0
                                                 ? "video/x-h264, stream-format=avc, alignment=au"
                                                 : "video/x-h265, stream-format=hvc1, alignment=au");
      g_object_set(filter, "caps", framed, nullptr);
      gst_caps_unref(framed);
      gst_bin_add_many(GST_BIN(m_pPipeline), parse, filter, nullptr);
      if (!gst_element_link(parse, filter)) return nullptr;
      if (src && !gst_element_link(src, parse)) return nullptr;
      first = parse;
      last = filter;
    }
    GstPad* muxPad = gst_element_request_pad_simple(mux, track == 0 ? "video_%u" : "audio_%u");
    if (!muxPad) return nullptr;
    if (last) {
      GstPad* srcPad = gst_element_get_static_pad(last, "src");
      const bool linked = srcPad && gst_pad_link(srcPad, muxPad) == GST_PAD_LINK_OK;
      if (srcPad) gst_object_unref(srcPad);
      if (!linked) {
        gst_object_unref(muxPad);
        return nullptr;
      }
    }
    if (!first) return muxPad;
    gst_object_unref(muxPad);
    return gst_element_get_static_pad(first, "sink");
  }

  void SetFull(int track, bool full) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_bFull[track] = full;
    }
    m_cv.notify_all();
  }
  static void OnNeedVideo(GstAppSrc*, guint, gpointer self) { static_cast<CMuxPipeline*>(self)->SetFull(0, false); }
  static void OnNeedAudio(GstAppSrc*, guint, gpointer self) { static_cast<CMuxPipeline*>(self)->SetFull(1, false); }
  static void OnEnoughVideo(GstAppSrc*, gpointer self) { static_cast<CMuxPipeline*>(self)->SetFull(0, true); }
  static void OnEnoughAudio(GstAppSrc*, gpointer self) { static_cast<CMuxPipeline*>(self)->SetFull(1, true); }

  static GstBusSyncReply OnBus(GstBus*, GstMessage* msg, gpointer data) {
    auto* self = static_cast<CMuxPipeline*>(data);
    if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ERROR) {
      GError* err = nullptr;
      gchar* debug = nullptr;
      gst_message_parse_error(msg, &err, &debug);
      {
        std::lock_guard<std::mutex> lock(self->m_mutex);
        if (self->m_error.empty()) {
          self->m_error = err ? err->message : "muxing failed";
          self->m_bWriteFailed = GST_MESSAGE_SRC(msg) == GST_OBJECT(self->m_pSink);
        }
      }
      if (err) g_error_free(err);
      g_free(debug);
      self->m_cv.notify_all();
    } else if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS) {
      {
        std::lock_guard<std::mutex> lock(self->m_mutex);
        self->m_bEos = true;
      }
      self->m_cv.notify_all();
    }
    gst_message_unref(msg);
    return GST_BUS_DROP;
  }

  GstElement* m_pPipeline = nullptr;
  GstElement* m_pSrc[2] = {nullptr, nullptr};
  GstPad* m_pVideo = nullptr;  // the feeder's own pad for video without sound
  bool m_bEnded[2] = {false, false};
  std::mutex m_mutex;
  std::condition_variable m_cv;
  bool m_bFull[2] = {false, false};
  bool m_bEos = false;
  std::string m_error;
  bool m_bWriteFailed = false;
  GstElement* m_pSink = nullptr;  // owned by the pipeline
};

int FramesPerSecond(GstCaps* caps) {
  int n = 0, d = 0;
  const GstStructure* s = caps ? gst_caps_get_structure(caps, 0) : nullptr;
  if (s && gst_structure_get_fraction(s, "framerate", &n, &d) && n > 0 && d > 0) return std::max(1, n / d);
  return kDefaultFps;
}

// The buffer with its timestamps moved to the file's time line (the data is shared, not copied).
GstBuffer* Retimed(GstBuffer* buffer, WallTime wall, WallTime origin) {
  GstBuffer* out = gst_buffer_make_writable(buffer);
  const GstClockTime pts = static_cast<GstClockTime>((wall - origin) * kNsPerTick);
  if (GST_BUFFER_DTS_IS_VALID(out) && GST_BUFFER_PTS_IS_VALID(out)) {
    const int64_t shift = static_cast<int64_t>(pts) - static_cast<int64_t>(GST_BUFFER_PTS(out));
    const int64_t dts = static_cast<int64_t>(GST_BUFFER_DTS(out)) + shift;
    GST_BUFFER_DTS(out) = dts >= 0 ? static_cast<GstClockTime>(dts) : pts;
  } else {
    GST_BUFFER_DTS(out) = pts;
  }
  GST_BUFFER_PTS(out) = pts;
  GST_BUFFER_OFFSET(out) = GST_BUFFER_OFFSET_NONE;
  GST_BUFFER_OFFSET_END(out) = GST_BUFFER_OFFSET_NONE;
  return out;
}

}  // namespace

RemuxResult RemuxSpan(const SpanPlan& plan, int fd, const std::string& writingApp, const MatroskaTags& tags,
                      const std::function<void(const RemuxProgress&)>& progress, const std::atomic<bool>* cancel) {
  RemuxResult result;
  result.pieces.resize(plan.pieces.size());
  if (!gst_is_initialized() && !gst_init_check(nullptr, nullptr, nullptr)) {
    result.error = "GStreamer cannot start";
    return result;
  }
  auto cancelled = [&] { return cancel && cancel->load(); };
  CStreamCursor video(plan, MediaTrack::kVideo, &result.pieces, cancel);
  CStreamCursor audio(plan, MediaTrack::kAudio, &result.pieces, cancel);
  StreamItem vh, ah;
  bool hasV = video.Next(&vh);
  if (cancelled()) {
    if (hasV) gst_buffer_unref(vh.buffer);
    result.cancelled = true;
    result.error = "cancelled";
    return result;
  }
  if (!hasV) {
    result.error = plan.pieces.empty() ? "no recording in the span" : "no recording of the span could be read";
    return result;
  }
  audio.SetLeadStart(vh.wall);
  bool hasA = audio.Next(&ah);
  result.audio = hasA;
  result.origin = hasA ? std::min(vh.wall, ah.wall) : vh.wall;
  result.firstFrame = vh.wall;

  CMuxPipeline mux;
  if (!mux.Build(fd, video.Caps(), hasA ? audio.Caps() : nullptr, result.origin, writingApp, &result.error)) {
    gst_buffer_unref(vh.buffer);
    if (hasA) gst_buffer_unref(ah.buffer);
    return result;
  }
  const int fps = FramesPerSecond(video.Caps());
  RemuxProgress state;
  for (size_t i = 0; i < plan.pieces.size(); ++i) {
    const WallTime from = i == 0 ? std::min(plan.pieces[i].from, vh.wall) : plan.pieces[i].from;
    state.totalFrames += (plan.pieces[i].to - from) * fps / kTicksPerSecond;
  }
  auto lastReport = std::chrono::steady_clock::now();
  // Each track always has its next buffer handed over before the other track passes it, so the
  // muxer, which needs a buffer on every track to choose the earliest, never waits on a track
  // that has nothing to give for a while (a recording without sound).
  WallTime lastV = INT64_MIN, lastA = INT64_MIN;
  bool ok = true;
  while (ok && (hasV || hasA)) {
    const bool pushVideo = hasV && (!hasA || lastV <= lastA);
    StreamItem& item = pushVideo ? vh : ah;
    // The buffer is handed over whether or not the push succeeds.
    if (!mux.Push(pushVideo ? 0 : 1, Retimed(item.buffer, item.wall, result.origin), cancel)) {
      (pushVideo ? hasV : hasA) = false;
      ok = false;
      break;
    }
    if (pushVideo) {
      lastV = vh.wall;
      result.lastFrame = vh.wall;
      ++result.frames;
      state.frames = result.frames;
      state.at = vh.wall;
      hasV = video.Next(&vh);
      if (!hasV) mux.EndTrack(0);
      if (progress && (result.frames % kProgressEveryFrames == 0 ||
                       std::chrono::steady_clock::now() - lastReport >= kProgressInterval)) {
        lastReport = std::chrono::steady_clock::now();
        progress(state);
      }
    } else {
      lastA = ah.wall;
      hasA = audio.Next(&ah);
      if (!hasA) mux.EndTrack(1);
    }
  }
  if (hasV) gst_buffer_unref(vh.buffer);
  if (hasA) gst_buffer_unref(ah.buffer);
  if (cancelled() || video.Cancelled() || audio.Cancelled()) {
    mux.Stop();
    result.cancelled = true;
    result.error = "cancelled";
    return result;
  }
  if (!ok || !mux.Finish(cancel, &result.error)) {
    if (result.error.empty()) result.error = mux.ErrorText(cancelled() ? "cancelled" : "muxing failed");
    result.writeFailed = mux.WriteFailed();
    result.cancelled = cancelled();
    mux.Stop();
    return result;
  }
  mux.Stop();
  if (progress) progress(state);
  if (!tags.empty() && !ReplaceTrailingTags(fd, tags, &result.error)) {
    result.writeFailed = true;
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace vt
