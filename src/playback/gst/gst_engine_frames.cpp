// The GStreamer engine moving to a frame while paused: a frame step costs one decode, a run of
// steps backwards one decode of the group and then a look-up each (see frame_move.h).
#include <gst/app/gstappsink.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "playback/frame_move.h"
#include "playback/gst/frame_pack.h"
#include "playback/gst/gst_engine.h"

namespace vt {

namespace {

// A step is one decode or a few; past this the pipeline is taken to be stuck and a seek shows
// the frame instead.
constexpr auto kStepTimeout = std::chrono::seconds(5);

// Compressed formats whose every frame is a key frame.
bool IntraOnlyCaps(const char* media) {
  for (const char* m : {"image/jpeg", "image/png", "video/x-dv", "video/x-huffyuv", "video/x-raw"})
    if (std::strcmp(media, m) == 0) return true;
  return false;
}

}  // namespace

// The video decoder playbin made for the file (a new reference, or null) and the media type of
// its input.
GstElement* CGstEngine::FindVideoDecoder(std::string* media) {
  GstElement* decoder = nullptr;
  GstIterator* it = gst_bin_iterate_recurse(GST_BIN(m_pPipeline));
  GValue item = G_VALUE_INIT;
  while (!decoder && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
    auto* e = GST_ELEMENT(g_value_get_object(&item));
    GstElementFactory* f = gst_element_get_factory(e);
    const char* klass = f ? gst_element_factory_get_metadata(f, GST_ELEMENT_METADATA_KLASS) : nullptr;
    if (klass && std::strstr(klass, "Decoder") && (std::strstr(klass, "Video") || std::strstr(klass, "Image"))) {
      if (GstPad* pad = gst_element_get_static_pad(e, "sink")) {
        if (GstCaps* caps = gst_pad_get_current_caps(pad)) {
          if (gst_caps_get_size(caps) > 0) {
            *media = gst_structure_get_name(gst_caps_get_structure(caps, 0));
            decoder = GST_ELEMENT(gst_object_ref(e));
          }
          gst_caps_unref(caps);
        }
        gst_object_unref(pad);
      }
    }
    g_value_reset(&item);
  }
  g_value_unset(&item);
  gst_iterator_free(it);
  return decoder;
}

void CGstEngine::SetUpDecoding() {
  std::string media;
  GstElement* decoder = FindVideoDecoder(&media);
  m_bIntraOnly = IntraOnlyCaps(media.c_str());
  if (decoder && m_bIntraOnly) m_pacer.Attach(decoder);
  if (decoder) gst_object_unref(decoder);
}

int64_t CGstEngine::LastFrameIndex() const {
  return m_llFrames > 0 ? m_llFrames - 1 : FrameIndexOf(LastFrameStart(), m_llFrameDur);
}

HRESULT CGstEngine::MoveToFrame(int64_t t) {
  // A seek or step still under way decides which frame is on screen and where the pipeline is.
  WaitStepDone();
  WaitSettled(kSettleTimeoutNs);
  const int64_t target = std::min(FrameIndexOf(std::clamp<int64_t>(t, 0, LastFrameStart()), m_llFrameDur), LastFrameIndex());
  FrameMoveState s;
  bool broken;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    s.shown = FrameIndexOf(m_llShownTime, m_llFrameDur);
    s.pipeline = m_bPipeAtEnd ? -1 : FrameIndexOf(m_llPipeTime, m_llFrameDur);
    broken = m_bErrorQueued;
  }
  // After a stream error only a flushing seek brings the pipeline back; frames shown without one
  // would leave it broken, its end of stream still to come.
  if (broken) return DoSeek(t, m_dRate);
  s.last = LastFrameIndex();
  // Stepping forward (not a jump ahead): the frame after the target is decoded ahead.
  m_bForward = target > s.shown && target - s.shown <= kMaxStepAhead;
  s.cached = m_cache.Has(target);
  s.intraOnly = m_bIntraOnly;
  const FrameMovePlan plan = PlanFrameMove(s, target);
  switch (plan.move) {
    case FrameMove::kStay: return S_OK;
    case FrameMove::kShowCached:
      if (auto frame = m_cache.Get(target)) {
        ShowCached(std::move(frame));
        return S_OK;
      }
      break;
    case FrameMove::kShowPipeline: ShowPipelineFrame(); return S_OK;
    case FrameMove::kStep:
      if (StepPipeline(plan.amount, target, true)) return S_OK;
      break;
    case FrameMove::kFillBack:
      if (FillBack(target, s.shown)) {
        if (auto frame = m_cache.Get(target)) {
          ShowCached(std::move(frame));
          return S_OK;
        }
      }
      break;
    case FrameMove::kSeek: break;
  }
  return DoSeek(t, m_dRate);
}

void CGstEngine::ShowCached(std::shared_ptr<const VideoFrame> frame) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pSample) gst_sample_unref(m_pSample);
    m_pSample = nullptr;
    m_llShownTime = frame->pts;
    m_pFrame = std::move(frame);
  }
  m_bResync = true;
  NotifyFrame();
}

// The frame the pipeline holds goes on screen: the next one, held when running playback paused.
void CGstEngine::ShowPipelineFrame() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pSample) gst_sample_unref(m_pSample);
    m_pSample = m_pPipeSample ? gst_sample_ref(m_pPipeSample) : nullptr;
    m_llShownTime = m_llPipeTime;
    m_pFrame.reset();
    m_bHoldPreroll = false;
  }
  m_bResync = true;
  NotifyFrame();
}

// The sink skips `amount` buffers and prerolls the next: each costs one decode, and the first
// is often decoded already.
bool CGstEngine::StepPipeline(int64_t amount, int64_t target, bool wait) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (wait) m_bHoldPreroll = false;  // the stepped-to frame is the one to show
    m_llStepTarget = target;
  }
  m_bResync = true;
  m_pacer.Release();
  if (!gst_element_send_event(m_pPipeline, gst_event_new_step(GST_FORMAT_BUFFERS, static_cast<guint64>(amount), 1.0,
                                                              TRUE, FALSE))) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_llStepTarget = -1;
    return false;
  }
  if (!wait) return true;
  WaitStepDone();
  std::lock_guard<std::mutex> lock(m_mutex);
  return FrameIndexOf(m_llPipeTime, m_llFrameDur) == target && FrameIndexOf(m_llShownTime, m_llFrameDur) == target;
}

void CGstEngine::WaitStepDone() {
  std::unique_lock<std::mutex> lock(m_mutex);
  if (m_llStepTarget < 0) return;
  if (!m_pipeCv.wait_for(lock, kStepTimeout, [&] { return m_llStepTarget < 0 || m_errDomain != 0 || m_bPipeAtEnd; }))
    m_llPipeTime = -1;  // stuck: the next move seeks
  m_llStepTarget = -1;
}

void CGstEngine::PreStep() {
  if (!m_bForward || !m_bHasVideo || m_llFrameDur <= 0 || m_nState == State_Running) return;
  int64_t next;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    const int64_t shown = FrameIndexOf(m_llShownTime, m_llFrameDur);
    if (m_bPipeAtEnd || m_llStepTarget >= 0 || shown < 0 || FrameIndexOf(m_llPipeTime, m_llFrameDur) != shown) return;
    next = shown + 1;
    if (next > LastFrameIndex()) return;
    m_bHoldPreroll = true;  // decoded now, shown by the next Next Frame
  }
  StepPipeline(1, next, false);
}

// Decodes on the reader pipeline up to the frame before the one on screen, into the cache: from
// the target's key frame, keeping as much of its group as the cache holds (never decoding an
// earlier group for it); where every frame is a key frame, a short run ending there, so that
// the next steps back are look-ups too.
bool CGstEngine::FillBack(int64_t target, int64_t shown) {
  std::shared_ptr<const VideoFrame> current = ShownFrame();
  if (!current) return false;
  if (!m_pReader) m_pReader = std::make_unique<CFrameReader>(m_strUri);
  const int64_t to = shown - 1;
  const int64_t keep =
      std::min<int64_t>(static_cast<int64_t>(m_cache.CapacityFrames(current->Size())), m_bIntraOnly ? kIntraFillBack : to + 1);
  const int64_t keepFrom = std::max<int64_t>(0, std::min(target, to - keep + 1));
  const int64_t from = m_bIntraOnly ? keepFrom : target;
  return m_pReader->Read(from, to, keepFrom, m_llFrameDur,
                         [this](int64_t index, std::shared_ptr<const VideoFrame> f) { m_cache.Put(index, std::move(f)); });
}

}  // namespace vt
