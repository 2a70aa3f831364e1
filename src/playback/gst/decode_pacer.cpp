#include "playback/gst/decode_pacer.h"

namespace vt {

namespace {
// Until a decode has been timed, a frame is taken to need this long.
constexpr int64_t kFirstDecodeNs = 10 * GST_MSECOND;
}  // namespace

void CDecodePacer::Attach(GstElement* decoder) {
  Detach();
  m_pDecoder = GST_ELEMENT(gst_object_ref(decoder));
  m_pIn = gst_element_get_static_pad(decoder, "sink");
  m_pOut = gst_element_get_static_pad(decoder, "src");
  if (m_pIn) m_nInProbe = gst_pad_add_probe(m_pIn, GST_PAD_PROBE_TYPE_BUFFER, &CDecodePacer::OnInput, this, nullptr);
  if (m_pOut) m_nOutProbe = gst_pad_add_probe(m_pOut, GST_PAD_PROBE_TYPE_BUFFER, &CDecodePacer::OnOutput, this, nullptr);
  if (m_pIn)
    m_nFlushProbe = gst_pad_add_probe(m_pIn, GST_PAD_PROBE_TYPE_EVENT_FLUSH, &CDecodePacer::OnFlush, this, nullptr);
}

void CDecodePacer::Detach() {
  Release();
  if (m_pIn) {
    if (m_nInProbe) gst_pad_remove_probe(m_pIn, m_nInProbe);
    if (m_nFlushProbe) gst_pad_remove_probe(m_pIn, m_nFlushProbe);
    gst_object_unref(m_pIn);
  }
  if (m_pOut) {
    if (m_nOutProbe) gst_pad_remove_probe(m_pOut, m_nOutProbe);
    gst_object_unref(m_pOut);
  }
  if (m_pDecoder) gst_object_unref(m_pDecoder);
  m_pDecoder = nullptr;
  m_pIn = m_pOut = nullptr;
  m_nInProbe = m_nOutProbe = m_nFlushProbe = 0;
  m_bOut = false;
  std::lock_guard<std::mutex> lock(m_mutex);
  m_llDecodeNs = 0;
  m_llInWall = m_llLastPassed = -1;
}

GstPadProbeReturn CDecodePacer::OnInput(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
  auto* self = static_cast<CDecodePacer*>(data);
  const int64_t wall = g_get_monotonic_time() * 1000;
  GstBuffer* buf = GST_PAD_PROBE_INFO_BUFFER(info);
  bool late = false;
  if (self->m_bRunning && GST_BUFFER_PTS_IS_VALID(buf)) {
    GstClock* clock = gst_element_get_clock(self->m_pDecoder);
    GstEvent* ev = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0);
    if (clock && ev) {
      const GstSegment* seg = nullptr;
      gst_event_parse_segment(ev, &seg);
      const guint64 due = seg->format == GST_FORMAT_TIME ? gst_segment_to_running_time(seg, GST_FORMAT_TIME, GST_BUFFER_PTS(buf))
                                                         : GST_CLOCK_TIME_NONE;
      const GstClockTime now = gst_clock_get_time(clock) - gst_element_get_base_time(self->m_pDecoder);
      if (GST_CLOCK_TIME_IS_VALID(due)) {
        std::lock_guard<std::mutex> lock(self->m_mutex);
        const int64_t decode = self->m_llDecodeNs > 0 ? self->m_llDecodeNs : kFirstDecodeNs;
        late = static_cast<int64_t>(due) < static_cast<int64_t>(now) + decode &&
               self->m_llLastPassed >= 0 && wall - self->m_llLastPassed < kPacerMaxGapNs;
      }
    }
    if (ev) gst_event_unref(ev);
    if (clock) gst_object_unref(clock);
  }
  if (late) {
    ++self->m_nDropped;
    return GST_PAD_PROBE_DROP;
  }
  std::lock_guard<std::mutex> lock(self->m_mutex);
  self->m_llLastPassed = wall;
  self->m_llInWall = wall;
  return GST_PAD_PROBE_OK;
}

GstPadProbeReturn CDecodePacer::OnOutput(GstPad*, GstPadProbeInfo*, gpointer data) {
  auto* self = static_cast<CDecodePacer*>(data);
  self->m_bOut = true;
  const int64_t wall = g_get_monotonic_time() * 1000;
  std::lock_guard<std::mutex> lock(self->m_mutex);
  if (self->m_llInWall >= 0) {
    const int64_t took = wall - self->m_llInWall;
    self->m_llDecodeNs = self->m_llDecodeNs > 0 ? (self->m_llDecodeNs * 7 + took) / 8 : took;
    self->m_llInWall = -1;
  }
  return GST_PAD_PROBE_OK;
}

void CDecodePacer::HoldAfterFrame() {
  std::lock_guard<std::mutex> lock(m_holdMutex);
  if (!m_pIn || m_nHoldProbe) return;
  // GStreamer's own blocking probe: a flush or the pads' deactivation lets the waiting thread go.
  m_nHoldProbe = gst_pad_add_probe(m_pIn, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BLOCK | GST_PAD_PROBE_TYPE_BUFFER),
                                   &CDecodePacer::OnHold, this, nullptr);
}

void CDecodePacer::Release() {
  std::lock_guard<std::mutex> lock(m_holdMutex);
  if (!m_pIn || !m_nHoldProbe) return;
  gst_pad_remove_probe(m_pIn, m_nHoldProbe);
  m_nHoldProbe = 0;
}

// Flushes travel on the seeking thread; after the flush's end no frame from before it is left.
GstPadProbeReturn CDecodePacer::OnFlush(GstPad*, GstPadProbeInfo* info, gpointer data) {
  if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_FLUSH_STOP) static_cast<CDecodePacer*>(data)->m_bOut = false;
  return GST_PAD_PROBE_OK;
}

// Runs after OnInput (probes run in the order they were added).
GstPadProbeReturn CDecodePacer::OnHold(GstPad*, GstPadProbeInfo*, gpointer data) {
  auto* self = static_cast<CDecodePacer*>(data);
  if (!self->m_bOut) return GST_PAD_PROBE_PASS;
  // The wait is not part of this frame's decode.
  std::lock_guard<std::mutex> lock(self->m_mutex);
  self->m_llInWall = -1;
  return GST_PAD_PROBE_OK;  // blocks
}

}  // namespace vt
