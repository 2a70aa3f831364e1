#include "playback/gst/gst_engine.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "playback/avi_header.h"
#include "playback/engine_errors.h"
#include "playback/frame_move.h"
#include "playback/gst/frame_pack.h"

namespace vt {

namespace {

constexpr HRESULT kHrFileNotFound = static_cast<HRESULT>(0x80070002u);       // no such file
constexpr HRESULT kHrUnsupportedStream = static_cast<HRESULT>(0x80040265u);  // nothing can play it
constexpr HRESULT kHrInvalidArg = static_cast<HRESULT>(0x80070057u);
constexpr guint kFramesAhead = 4;
constexpr int64_t kOpenPollNs = 20 * GST_MSECOND;
constexpr int kPlayFlags = 0x1 | 0x2 | 0x10 | 0x40;  // video, audio, soft volume, native video
constexpr int kPlayFlagAudio = 0x2;

// Formats the snapshot's colour conversion knows; anything else is converted to the first.
constexpr const char* kSinkCaps = "video/x-raw, format=(string){ I420, YV12, YUY2, UYVY, YVYU, BGRx, BGRA }";

HRESULT ErrorResult(GQuark domain, int code) {
  if (domain == GST_RESOURCE_ERROR && (code == GST_RESOURCE_ERROR_NOT_FOUND || code == GST_RESOURCE_ERROR_OPEN_READ))
    return kHrFileNotFound;
  if (domain == GST_STREAM_ERROR || domain == GST_CORE_ERROR) return kHrUnsupportedStream;
  return E_FAIL;
}

GstElement* MakeAudioSink() {
  const char* name = std::getenv("VT_AUDIO_SINK");
  if (!name || !*name) return nullptr;  // playbin's own choice
  GstElement* sink = nullptr;
  if (std::strpbrk(name, " !=")) {
    sink = gst_parse_bin_from_description(name, TRUE, nullptr);
  } else {
    sink = gst_element_factory_make(name, nullptr);
    if (sink && std::strcmp(name, "fakesink") == 0) g_object_set(sink, "sync", TRUE, nullptr);
  }
  return sink;
}

}  // namespace

CGstEngine::CGstEngine(const EngineOptions& options) : m_options(options) {}

CGstEngine::~CGstEngine() { Close(); }

// Without a working GStreamer the engine still exists and every open fails with the graph
// text, so the Player stays empty instead of crashing.
std::unique_ptr<IMediaEngine> CreateGstEngine() { return CreateGstEngine(EngineOptions{}); }

std::unique_ptr<IMediaEngine> CreateGstEngine(const EngineOptions& options) {
  if (!gst_is_initialized()) gst_init_check(nullptr, nullptr, nullptr);
  return std::make_unique<CGstEngine>(options);
}

HRESULT CGstEngine::RenderFile(const std::string& path) {
  Close();
  m_strError.clear();
  if (!gst_is_initialized()) {
    m_strError = FormatErrorText(kErrCreateGraph, E_FAIL);
    return E_FAIL;
  }
  // The demuxer's error about such a header can be lost while the pipeline is being built,
  // which would leave the open waiting for its whole time-out.
  if (AviFileHeaderIsDamaged(path)) {
    m_strError = FormatErrorText(kErrRenderFile, kHrUnsupportedStream);
    return kHrUnsupportedStream;
  }
  GstElement* pipe = gst_element_factory_make("playbin", "player");
  GstElement* conv = gst_element_factory_make("videoconvert", nullptr);
  GstElement* ahead = gst_element_factory_make("queue", nullptr);
  GstElement* sink = gst_element_factory_make("appsink", "frames");
  if (!pipe || !conv || !ahead || !sink) {
    for (GstElement* e : {pipe, conv, ahead, sink})
      if (e) gst_object_unref(e);
    m_strError = FormatErrorText(kErrCreateGraph, E_FAIL);
    return E_FAIL;
  }
  // A late frame is still shown, and the decoder is not told to skip work: when decoding cannot
  // keep up with the rate, playback slows to what it can decode instead of dropping every frame
  // as late and standing still (intra-only streams drop frames before decoding instead, see
  // decode_pacer.h).
  GstCaps* caps = gst_caps_from_string(kSinkCaps);
  g_object_set(sink, "caps", caps, "sync", TRUE, "qos", FALSE, "max-lateness", gint64{-1}, "max-buffers", 1u, "drop",
               TRUE, "emit-signals", FALSE, nullptr);
  gst_caps_unref(caps);
  // A few frames decoded ahead, also while paused: a frame step takes the next one from here
  // while the decoder, on all its threads, refills the queue.
  g_object_set(ahead, "max-size-buffers", kFramesAhead, "max-size-bytes", 0u, "max-size-time", guint64{0}, nullptr);
  GstElement* vbin = gst_bin_new("video");
  gst_bin_add_many(GST_BIN(vbin), conv, ahead, sink, nullptr);
  gst_element_link_many(conv, ahead, sink, nullptr);
  GstPad* pad = gst_element_get_static_pad(conv, "sink");
  gst_element_add_pad(vbin, gst_ghost_pad_new("sink", pad));
  gst_object_unref(pad);
  GstAppSinkCallbacks cb{};
  cb.new_sample = [](GstAppSink* s, gpointer self) { return OnNewSample(GST_ELEMENT(s), self); };
  cb.new_preroll = [](GstAppSink* s, gpointer self) { return OnNewPreroll(GST_ELEMENT(s), self); };
  cb.eos = [](GstAppSink*, gpointer data) {
    auto* self = static_cast<CGstEngine*>(data);
    {
      std::lock_guard<std::mutex> lock(self->m_mutex);
      self->m_bPipeAtEnd = true;
      self->m_llStepTarget = -1;
    }
    self->m_pipeCv.notify_all();
  };
  gst_app_sink_set_callbacks(GST_APP_SINK(sink), &cb, this, nullptr);

  GError* err = nullptr;
  gchar* uri = gst_filename_to_uri(path.c_str(), &err);
  if (!uri) {
    if (err) g_error_free(err);
    gst_object_unref(vbin);
    gst_object_unref(pipe);
    m_strError = FormatErrorText(kErrRenderFile, kHrFileNotFound);
    return kHrFileNotFound;
  }
  g_object_set(pipe, "uri", uri, "video-sink", vbin, "flags",
               m_options.bVideoOnly ? kPlayFlags & ~kPlayFlagAudio : kPlayFlags, nullptr);
  m_strUri = uri;
  g_free(uri);
  if (GstElement* audio = m_options.bVideoOnly ? nullptr : MakeAudioSink())
    g_object_set(pipe, "audio-sink", audio, nullptr);

  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_errDomain = 0;
    m_errCode = 0;
    m_bErrorQueued = false;
    m_bHoldPreroll = false;
  }
  GstBus* bus = gst_element_get_bus(pipe);
  gst_bus_set_sync_handler(bus, &CGstEngine::OnBusMessage, this, nullptr);
  gst_object_unref(bus);
  m_pPipeline = pipe;
  m_pAppSink = sink;
  m_nState = State_Paused;
  m_dRate = 1.0;
  m_lVolume = 0;
  m_nRendered = 0;

  HRESULT hr = S_OK;
  if (gst_element_set_state(pipe, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) hr = E_FAIL;
  if (Succeeded(hr)) hr = WaitOpened();
  if (Failed(hr)) {
    GQuark domain;
    int code;
    {
      // The streaming thread may post its error just after the state change failed.
      std::unique_lock<std::mutex> lock(m_mutex);
      m_errCv.wait_for(lock, std::chrono::seconds(1), [this] { return m_errDomain != 0; });
      domain = m_errDomain;
      code = m_errCode;
    }
    if (domain != 0) hr = ErrorResult(domain, code);
    Close();
    m_strError = FormatErrorText(kErrRenderFile, hr);
    return hr;
  }
  ReadStreamFacts();
  if (m_bHasVideo) SetUpDecoding();
  if (!m_bHasVideo && !m_bHasAudio) {
    Close();
    m_strError = FormatErrorText(kErrRenderFile, kHrUnsupportedStream);
    return kHrUnsupportedStream;
  }
  return S_OK;
}

void CGstEngine::ReadStreamFacts() {
  gint nVideo = 0, nAudio = 0;
  g_object_get(m_pPipeline, "n-video", &nVideo, "n-audio", &nAudio, nullptr);
  m_bHasVideo = nVideo > 0;
  m_bHasAudio = nAudio > 0;
  gint64 ns = 0;
  m_llDuration = gst_element_query_duration(m_pPipeline, GST_FORMAT_TIME, &ns) && ns > 0 ? ns / 100 : 0;
  m_llFrameDur = 0;
  m_nWidth = m_nHeight = 0;
  if (m_bHasVideo) {
    GstPad* pad = gst_element_get_static_pad(m_pAppSink, "sink");
    GstCaps* caps = pad ? gst_pad_get_current_caps(pad) : nullptr;
    GstVideoInfo info;
    if (caps && gst_video_info_from_caps(&info, caps)) {
      m_nWidth = GST_VIDEO_INFO_WIDTH(&info);
      m_nHeight = GST_VIDEO_INFO_HEIGHT(&info);
      if (GST_VIDEO_INFO_FPS_N(&info) > 0 && GST_VIDEO_INFO_FPS_D(&info) > 0)
        m_llFrameDur = static_cast<int64_t>(
            gst_util_uint64_scale(GST_VIDEO_INFO_FPS_D(&info), 10000000, GST_VIDEO_INFO_FPS_N(&info)));
    }
    if (caps) gst_caps_unref(caps);
    if (pad) gst_object_unref(pad);
  }
  // The frame count from the stream; with an audio track the audio sink may answer in samples,
  // so the count must agree with duration / frame duration when the frame rate is known.
  gint64 frames = 0;
  const int64_t byRate = m_llFrameDur > 0 ? (m_llDuration + m_llFrameDur / 2) / m_llFrameDur : 0;
  if (m_bHasVideo && gst_element_query_duration(m_pPipeline, GST_FORMAT_DEFAULT, &frames) && frames > 0 &&
      (byRate == 0 || std::llabs(frames - byRate) <= 1))
    m_llFrames = frames;
  else
    m_llFrames = byRate;
}

int64_t CGstEngine::LastFrameStart() const {
  if (m_llFrames > 0 && m_llDuration > 0) return (m_llFrames - 1) * (m_llDuration / m_llFrames);
  return std::max<int64_t>(0, m_llDuration - m_llFrameDur);
}

void CGstEngine::Close() {
  m_pacer.SetRunning(false);
  m_pacer.Release();
  if (m_pPipeline) {
    gst_element_set_state(m_pPipeline, GST_STATE_NULL);
    m_pacer.Detach();
    GstBus* bus = gst_element_get_bus(m_pPipeline);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(m_pPipeline);
  }
  m_pPipeline = nullptr;
  m_pAppSink = nullptr;
  m_nState = State_Stopped;
  m_bFollowsClock = m_bKeyFramesOnly = false;
  m_llDuration = m_llFrames = m_llFrameDur = m_llLastSeek = 0;
  m_bHasVideo = m_bHasAudio = false;
  m_nWidth = m_nHeight = 0;
  m_pReader.reset();
  m_cache.Clear();
  m_bResync = false;
  m_bIntraOnly = false;
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_pSample) gst_sample_unref(m_pSample);
  if (m_pPipeSample) gst_sample_unref(m_pPipeSample);
  m_pSample = m_pPipeSample = nullptr;
  m_llShownTime = m_llPipeTime = m_llStepTarget = -1;
  m_bPipeAtEnd = false;
  m_pFrame.reset();
  for (const Event& e : m_events)
    if (e.code == EC_ERRORABORT) g_free(reinterpret_cast<gchar*>(e.p2));
  m_events.clear();
  m_bHoldPreroll = false;
}

// A file the demuxer or a decoder refuses posts an error but may leave the state change pending:
// the error ends the wait at once instead of the time-out.
HRESULT CGstEngine::WaitOpened() {
  const auto end = std::chrono::steady_clock::now() + std::chrono::nanoseconds(kSettleTimeoutNs);
  for (;;) {
    const HRESULT hr = WaitSettled(kOpenPollNs);
    if (hr != VFW_S_STATE_INTERMEDIATE) return hr;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_errDomain != 0) return E_FAIL;
    }
    if (std::chrono::steady_clock::now() >= end) return hr;
  }
}

HRESULT CGstEngine::WaitSettled(int64_t timeoutNs) {
  GstState cur, pending;
  switch (gst_element_get_state(m_pPipeline, &cur, &pending, static_cast<GstClockTime>(timeoutNs))) {
    case GST_STATE_CHANGE_FAILURE: return E_FAIL;
    case GST_STATE_CHANGE_ASYNC: return VFW_S_STATE_INTERMEDIATE;
    default: return S_OK;
  }
}

void CGstEngine::HoldShownFrame() {
  if (m_nState != State_Running) return;
  std::lock_guard<std::mutex> lock(m_mutex);
  m_bHoldPreroll = true;
}

HRESULT CGstEngine::Run() {
  if (!m_pPipeline) return E_FAIL;
  WaitStepDone();
  if (m_bResync) {
    // The frame on screen came from the cache: playing goes on from there.
    int64_t shown = 0;
    if (Succeeded(GetShownPosition(&shown)) && Succeeded(DoSeek(shown, m_dRate))) WaitSettled(kSettleTimeoutNs);
  }
  // Frames kept for stepping backwards are of no use once the picture moves on.
  m_cache.Clear();
  {
    // The held buffer is rendered when its time comes.
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bHoldPreroll = false;
  }
  m_pacer.Release();
  if (gst_element_set_state(m_pPipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) return E_FAIL;
  m_nState = State_Running;
  m_pacer.SetRunning(true);
  return S_OK;
}

HRESULT CGstEngine::Pause() {
  if (!m_pPipeline) return E_FAIL;
  m_pacer.SetRunning(false);
  HoldShownFrame();
  if (gst_element_set_state(m_pPipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) return E_FAIL;
  LeaveOutsideClock();
  m_nState = State_Paused;
  return S_OK;
}

// Stopped keeps the pipeline paused so that the last frame stays available for painting.
HRESULT CGstEngine::Stop() {
  if (!m_pPipeline) return E_FAIL;
  m_pacer.SetRunning(false);
  HoldShownFrame();
  if (gst_element_set_state(m_pPipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) return E_FAIL;
  LeaveOutsideClock();
  m_nState = State_Stopped;
  return S_OK;
}

HRESULT CGstEngine::StopWhenReady() {
  if (!m_pPipeline) return E_FAIL;
  m_pacer.SetRunning(false);
  if (gst_element_set_state(m_pPipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) return E_FAIL;
  LeaveOutsideClock();
  m_nState = State_Stopped;
  const HRESULT hr = WaitSettled(kSettleTimeoutNs);
  if (hr == S_OK) PreStep();
  return Failed(hr) ? hr : S_OK;
}

HRESULT CGstEngine::GetState(int32_t timeoutMs, int32_t* state) {
  if (!state) return E_POINTER;
  *state = m_nState;
  if (!m_pPipeline) return S_OK;
  return WaitSettled(static_cast<int64_t>(std::max(0, timeoutMs)) * GST_MSECOND);
}

HRESULT CGstEngine::DoSeek(int64_t t, double rate, bool holdShown, bool keyFramesOnly) {
  t = std::clamp<int64_t>(t, 0, LastFrameStart());
  {
    // The frame the seek prerolls is the one to show (unless held); a new error is reported again.
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bHoldPreroll = holdShown;
    m_bErrorQueued = false;
    m_llPipeTime = -1;
    m_llStepTarget = -1;
    m_bPipeAtEnd = false;
  }
  m_bResync = false;
  // Paused on an intra-only stream, a seek decodes its frame and no more: the seek bar dragged
  // over a recording asks for one frame after another, and the next flush would wait for a
  // frame decoded ahead. A step lets the decoder go on.
  if (m_bIntraOnly && !holdShown && !keyFramesOnly && m_nState != State_Running)
    m_pacer.HoldAfterFrame();
  else
    m_pacer.Release();
  const auto flags = static_cast<GstSeekFlags>(
      GST_SEEK_FLAG_FLUSH |
      (keyFramesOnly ? GST_SEEK_FLAG_TRICKMODE | GST_SEEK_FLAG_TRICKMODE_KEY_UNITS : GST_SEEK_FLAG_ACCURATE));
  if (!gst_element_seek(m_pPipeline, rate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, t * 100, GST_SEEK_TYPE_NONE,
                        GST_CLOCK_TIME_NONE))
    return E_FAIL;
  m_llLastSeek = t;
  return S_OK;
}

HRESULT CGstEngine::SetPositions(int64_t t) {
  if (!m_pPipeline) return E_FAIL;
  m_bForward = false;
  if (m_nState == State_Running || !m_bHasVideo || m_llFrameDur <= 0) return DoSeek(t, m_dRate);
  return MoveToFrame(t);
}

HRESULT CGstEngine::GetCurrentPosition(int64_t* t) {
  if (!t) return E_POINTER;
  if (!m_pPipeline) return E_FAIL;
  gint64 ns = 0;
  *t = gst_element_query_position(m_pPipeline, GST_FORMAT_TIME, &ns) && ns >= 0 ? ns / 100 : m_llLastSeek;
  return S_OK;
}

HRESULT CGstEngine::GetShownPosition(int64_t* t) {
  if (!t) return E_POINTER;
  if (!m_pPipeline) return E_FAIL;
  if (!m_bHasVideo) return GetCurrentPosition(t);
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_llShownTime < 0) return E_FAIL;
  *t = m_llShownTime;
  return S_OK;
}

HRESULT CGstEngine::GetDuration(int64_t* duration) {
  if (!duration) return E_POINTER;
  if (!m_pPipeline) return E_FAIL;
  *duration = m_llDuration;
  return S_OK;
}

HRESULT CGstEngine::GetFrameCount(int64_t* frames) {
  if (!frames) return E_POINTER;
  if (!m_pPipeline) return E_FAIL;
  *frames = m_llFrames;
  return S_OK;
}

HRESULT CGstEngine::PutRate(double rate) {
  if (!m_pPipeline) return E_FAIL;
  if (!(rate > 0.0) || rate > 16.0 || !std::isfinite(rate)) return kHrInvalidArg;
  // Running, playback goes on from the clock's position; otherwise from the frame on screen,
  // which must not move.
  int64_t pos = 0;
  if (m_nState != State_Running) {
    // A seek or step still under way decides which frame is on screen.
    WaitStepDone();
    WaitSettled(kSettleTimeoutNs);
  }
  if (m_nState == State_Running || Failed(GetShownPosition(&pos))) GetCurrentPosition(&pos);
  if (m_bFollowsClock) return RunAt(pos, rate, SteadyNowNs(), m_bKeyFramesOnly);
  const HRESULT hr = DoSeek(pos, rate);
  if (Succeeded(hr)) m_dRate = rate;
  return hr;
}

HRESULT CGstEngine::GetRate(double* rate) {
  if (!rate) return E_POINTER;
  *rate = m_dRate;
  return S_OK;
}

HRESULT CGstEngine::GetVolume(int32_t* volume) {
  if (!volume) return E_POINTER;
  if (!m_pPipeline) return E_FAIL;
  if (!m_bHasAudio) return E_NOTIMPL;
  *volume = m_lVolume;
  return S_OK;
}

HRESULT CGstEngine::PutVolume(int32_t volume) {
  if (!m_pPipeline) return E_FAIL;
  if (!m_bHasAudio) return E_NOTIMPL;
  if (volume > 0 || volume < -10000) return kHrInvalidArg;
  const double linear = volume <= -10000 ? 0.0 : std::pow(10.0, volume / 2000.0);
  g_object_set(m_pPipeline, "volume", linear, nullptr);
  m_lVolume = volume;
  return S_OK;
}

HRESULT CGstEngine::GetVideoSize(int32_t* width, int32_t* height) {
  if (!width || !height) return E_POINTER;
  if (!m_pPipeline) return E_FAIL;
  if (!m_bHasVideo) return E_NOINTERFACE;
  if (m_nWidth <= 0 || m_nHeight <= 0) return E_FAIL;
  *width = m_nWidth;
  *height = m_nHeight;
  return S_OK;
}

HRESULT CGstEngine::GetVisible(bool* visible) {
  if (!visible) return E_POINTER;
  if (!m_pPipeline) return E_FAIL;
  if (!m_bHasVideo) return E_NOINTERFACE;
  *visible = true;
  return S_OK;
}

std::shared_ptr<const VideoFrame> CGstEngine::ShownFrame() {
  GstSample* sample = nullptr;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pFrame || !m_pSample) return m_pFrame;
    sample = gst_sample_ref(m_pSample);
  }
  std::shared_ptr<const VideoFrame> frame = ShareSampleFrame(sample);
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_pSample == sample) m_pFrame = frame;
  gst_sample_unref(sample);
  return frame;
}

HRESULT CGstEngine::GetCurrentImage(int32_t* size, uint8_t* buffer) {
  if (!size) return E_POINTER;
  if (!m_pPipeline || !m_bHasVideo) return E_FAIL;
  std::shared_ptr<const VideoFrame> frame = ShownFrame();
  if (!frame) return E_FAIL;
  const std::vector<uint8_t> packed = PackBitmap(*frame);
  if (packed.empty()) return E_FAIL;
  const auto need = static_cast<int32_t>(packed.size());
  if (!buffer) {
    *size = need;
    return S_OK;
  }
  // The frame may have changed size since the size was asked for.
  if (*size < need) return E_FAIL;
  std::memcpy(buffer, packed.data(), packed.size());
  *size = need;
  return S_OK;
}

std::shared_ptr<const VideoFrame> CGstEngine::LatestFrame() {
  m_bFramePending = false;
  return ShownFrame();
}

HRESULT CGstEngine::SetNotifyWindow(IMessageTarget* target, uint32_t msg, LPARAM lParam) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_pTarget = target;
  m_nMsg = msg;
  m_lParam = lParam;
  return S_OK;
}

void CGstEngine::SetFrameNotify(IMessageTarget* target, uint32_t frameMsg) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_pFrameTarget = target;
  m_nFrameMsg = frameMsg;
  m_bFramePending = false;
}

HRESULT CGstEngine::GetEvent(int32_t* code, intptr_t* param1, intptr_t* param2, int32_t) {
  if (!code || !param1 || !param2) return E_POINTER;
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_events.empty()) return E_FAIL;
  *code = m_events.front().code;
  *param1 = m_events.front().p1;
  *param2 = m_events.front().p2;
  m_events.pop_front();
  return S_OK;
}

HRESULT CGstEngine::FreeEventParams(int32_t code, intptr_t, intptr_t param2) {
  if (code == EC_ERRORABORT) g_free(reinterpret_cast<gchar*>(param2));
  return S_OK;
}

void CGstEngine::QueueEvent(int32_t code, intptr_t p1, intptr_t p2) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_events.push_back({code, p1, p2});
  if (m_pTarget) m_pTarget->Post(m_nMsg, 0, m_lParam);
}

// Streaming or application threads: queue what the Player needs, drop everything.
GstBusSyncReply CGstEngine::OnBusMessage(GstBus*, GstMessage* msg, gpointer data) {
  auto* self = static_cast<CGstEngine*>(data);
  switch (GST_MESSAGE_TYPE(msg)) {
    case GST_MESSAGE_EOS: self->QueueEvent(EC_COMPLETE, 0, 0); break;
    case GST_MESSAGE_ERROR: {
      GError* err = nullptr;
      gst_message_parse_error(msg, &err, nullptr);
      bool report;
      HRESULT hr = E_FAIL;
      {
        std::lock_guard<std::mutex> lock(self->m_mutex);
        if (self->m_errDomain == 0 && err) {
          self->m_errDomain = err->domain;
          self->m_errCode = err->code;
        }
        report = !self->m_bErrorQueued && self->m_pPipeline;
        self->m_bErrorQueued = true;
        if (err) hr = ErrorResult(err->domain, err->code);
      }
      self->m_errCv.notify_all();
      // Errors while a file plays end it as the stream's end would; while opening, RenderFile
      // reports them (and drops the event with the file).
      if (report)
        self->QueueEvent(EC_ERRORABORT, static_cast<intptr_t>(hr),
                         reinterpret_cast<intptr_t>(g_strdup(err && err->message ? err->message : "")));
      if (err) g_error_free(err);
      break;
    }
    default: break;
  }
  gst_message_unref(msg);
  return GST_BUS_DROP;
}

namespace {
// Stream time of the sample's buffer (100 ns), or -1.
int64_t StreamTimeOf(GstSample* sample) {
  const GstClockTime pts = GST_BUFFER_PTS(gst_sample_get_buffer(sample));
  if (!GST_CLOCK_TIME_IS_VALID(pts)) return -1;
  const GstSegment* seg = gst_sample_get_segment(sample);
  const guint64 st = seg && seg->format == GST_FORMAT_TIME ? gst_segment_to_stream_time(seg, GST_FORMAT_TIME, pts) : pts;
  return GST_CLOCK_TIME_IS_VALID(st) ? static_cast<int64_t>(st / 100) : -1;
}
}  // namespace

void CGstEngine::TakeSample(GstSample* sample, bool preroll) {
  const int64_t time = StreamTimeOf(sample);
  bool shown;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pPipeSample) gst_sample_unref(m_pPipeSample);
    m_pPipeSample = sample;
    m_llPipeTime = time;
    if (m_llStepTarget >= 0 && FrameIndexOf(time, m_llFrameDur) >= m_llStepTarget) m_llStepTarget = -1;
    shown = !preroll || !m_bHoldPreroll;
    if (shown) {
      if (m_pSample) gst_sample_unref(m_pSample);
      m_pSample = gst_sample_ref(sample);
      m_llShownTime = time;
      m_pFrame.reset();
    }
  }
  m_pipeCv.notify_all();
  if (shown) NotifyFrame();
}

void CGstEngine::NotifyFrame() {
  IMessageTarget* target;
  uint32_t msg;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    target = m_pFrameTarget;
    msg = m_nFrameMsg;
  }
  if (target && msg && !m_bFramePending.exchange(true)) target->Post(msg, 0, 0);
}

// Called when the sink renders a buffer, that is when its time has come on the clock.
GstFlowReturn CGstEngine::OnNewSample(GstElement* sink, gpointer self) {
  GstSample* s = gst_app_sink_pull_sample(GST_APP_SINK(sink));
  if (!s) return GST_FLOW_EOS;
  auto* engine = static_cast<CGstEngine*>(self);
  if (engine->m_bFollowsClock && engine->LateForOutsideClock(s)) {
    gst_sample_unref(s);
    return GST_FLOW_OK;
  }
  ++engine->m_nRendered;
  engine->TakeSample(s, false);
  return GST_FLOW_OK;
}

// Called when a buffer arrives in the paused state: after opening and after each seek, but also
// when running playback pauses, with a frame whose time has not come yet.
GstFlowReturn CGstEngine::OnNewPreroll(GstElement* sink, gpointer self) {
  GstSample* s = gst_app_sink_pull_preroll(GST_APP_SINK(sink));
  if (!s) return GST_FLOW_EOS;
  static_cast<CGstEngine*>(self)->TakeSample(s, true);
  return GST_FLOW_OK;
}

}  // namespace vt
