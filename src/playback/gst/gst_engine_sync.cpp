// Playing in step with an outside clock. Every pipeline that follows it uses the system clock
// (monotonic, the same as std::chrono::steady_clock) and a base time of our choosing instead of
// the one the pipeline would pick when it starts: after the flushing seek the position's frame
// has running time 0, so a base time at the due moment makes the sink render it then, and every
// later frame when the outside clock reaches it. The sink drops frames that come too late.
#include <algorithm>
#include <cmath>

#include "playback/gst/gst_engine.h"

namespace vt {

namespace {
constexpr HRESULT kHrBadRate = static_cast<HRESULT>(0x80070057u);  // E_INVALIDARG
}  // namespace

HRESULT CGstEngine::RunAt(int64_t position, double rate, int64_t dueNs, bool keyFramesOnly) {
  if (!m_pPipeline) return E_FAIL;
  if (!(rate > 0.0) || rate > 16.0 || !std::isfinite(rate)) return kHrBadRate;
  GstClock* clock = gst_system_clock_obtain();
  gst_pipeline_use_clock(GST_PIPELINE(m_pPipeline), clock);
  // Both read CLOCK_MONOTONIC; the difference is taken anyway rather than assumed to be 0.
  const int64_t steadyNow = SteadyNowNs();
  const auto gstNow = static_cast<int64_t>(gst_clock_get_time(clock));
  gst_object_unref(clock);
  // The seek goes to the start of the frame that holds position: a seek inside a frame would give
  // that frame the seek's time instead of its own. The base time counts from that start, earlier
  // by the part of the frame before position (at most a frame, also past the last one).
  int64_t start = std::clamp<int64_t>(position, 0, LastFrameStart());
  if (m_llFrameDur > 0) start = start / m_llFrameDur * m_llFrameDur;
  const int64_t inFrame = std::clamp<int64_t>(position - start, 0, std::max<int64_t>(0, m_llFrameDur - 1));
  const int64_t base = gstNow + (dueNs - steadyNow) - static_cast<int64_t>(static_cast<double>(inFrame) * 100 / rate);
  gst_element_set_start_time(m_pPipeline, GST_CLOCK_TIME_NONE);
  gst_element_set_base_time(m_pPipeline, static_cast<GstClockTime>(std::max<int64_t>(0, base)));
  // A step under way ends first; frames kept for stepping back are of no use once playing.
  WaitStepDone();
  m_cache.Clear();
  if (!m_bFollowsClock) g_object_get(m_pAppSink, "max-lateness", &m_llOwnMaxLateness, "qos", &m_bOwnQos, nullptr);
  m_bFollowsClock = true;
  m_bKeyFramesOnly = keyFramesOnly;
  // Late frames are dropped, and the decoder is told so that it can skip work: a tile that cannot
  // keep up shows fewer pictures, never a picture of another moment.
  m_llClockLatenessNs =
      m_llFrameDur > 0
          ? std::min<int64_t>(kFollowMaxLatenessNs, static_cast<int64_t>(static_cast<double>(m_llFrameDur) * 100 / rate / 2))
          : kFollowMaxLatenessNs;
  g_object_set(m_pAppSink, "max-lateness", static_cast<gint64>(m_llClockLatenessNs), "qos", TRUE, nullptr);
  {
    // The frame on screen stays through the seek: held in a sample of our own, since the sink
    // changes its own sample objects when the stream's caps come again after the flush.
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pSample) {
      GstSample* own = gst_sample_new(gst_sample_get_buffer(m_pSample), gst_sample_get_caps(m_pSample),
                                      gst_sample_get_segment(m_pSample), nullptr);
      gst_sample_unref(m_pSample);
      m_pSample = own;
    }
  }
  const HRESULT hr = DoSeek(start, rate, true, keyFramesOnly);
  if (Failed(hr)) return hr;
  m_dRate = rate;
  if (gst_element_set_state(m_pPipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) return E_FAIL;
  m_nState = State_Running;
  m_pacer.SetRunning(true);
  return S_OK;
}

void CGstEngine::LeaveOutsideClock() {
  if (!m_bFollowsClock || !m_pPipeline) return;
  m_bFollowsClock = false;
  m_bKeyFramesOnly = false;
  g_object_set(m_pAppSink, "max-lateness", m_llOwnMaxLateness, "qos", m_bOwnQos, nullptr);
  // The running time reached: a later Run goes on from there, as after an ordinary pause.
  gint64 running = 0;
  if (GstClock* clock = gst_element_get_clock(m_pPipeline)) {
    running = static_cast<gint64>(gst_clock_get_time(clock)) - static_cast<gint64>(gst_element_get_base_time(m_pPipeline));
    gst_object_unref(clock);
  }
  gst_element_set_start_time(m_pPipeline, static_cast<GstClockTime>(std::max<gint64>(0, running)));
}

bool CGstEngine::LateForOutsideClock(GstSample* sample) const {
  const GstSegment* seg = gst_sample_get_segment(sample);
  const GstClockTime pts = GST_BUFFER_PTS(gst_sample_get_buffer(sample));
  if (!seg || seg->format != GST_FORMAT_TIME || !GST_CLOCK_TIME_IS_VALID(pts)) return false;
  const guint64 running = gst_segment_to_running_time(seg, GST_FORMAT_TIME, pts);
  GstClock* clock = gst_element_get_clock(m_pAppSink);
  if (!clock || !GST_CLOCK_TIME_IS_VALID(running)) {
    if (clock) gst_object_unref(clock);
    return false;
  }
  const auto now = static_cast<int64_t>(gst_clock_get_time(clock));
  gst_object_unref(clock);
  const auto due = static_cast<int64_t>(gst_element_get_base_time(m_pAppSink) + running);
  return now - due > m_llClockLatenessNs;
}

}  // namespace vt
