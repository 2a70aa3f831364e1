// Fast playback of a stream whose every frame is a key frame (MJPEG): when the decoder cannot
// keep up with the rate, frames that would reach the screen late anyway are dropped before
// they are decoded, so the rate holds and the decoder's time goes to frames that are shown.
// A frame still goes through when none has for a while, so the picture never stands still.
// Paused after a seek, it also holds the decoder's input once the sought frame is out: nothing
// is decoded ahead that the next seek's flush would have to wait for.
// Sits as probes on the video decoder's pads; the probes run on streaming threads.
#pragma once

#include <gst/gst.h>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace vt {

// A frame goes through at least this often (ns of wall time), late or not.
constexpr int64_t kPacerMaxGapNs = 125 * GST_MSECOND;

class CDecodePacer {
 public:
  CDecodePacer() = default;
  ~CDecodePacer() { Detach(); }
  CDecodePacer(const CDecodePacer&) = delete;
  CDecodePacer& operator=(const CDecodePacer&) = delete;

  void Attach(GstElement* decoder);
  void Detach();
  // Only while running: paused, every frame is wanted (steps, prerolls).
  // Playing starts with the next frame going through, whatever its lateness.
  void SetRunning(bool running) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_llLastPassed = -1;
    m_bRunning = running;
  }
  uint64_t Dropped() const { return m_nDropped.load(); }
  // Paused, before a flushing seek: the first frame the decoder puts out after the flush goes
  // on, the next one waits at the decoder's input until Release or the next flush.
  void HoldAfterFrame();
  // Frames flow again (a step, playing). Holds nothing when nothing is held.
  void Release();

 private:
  static GstPadProbeReturn OnInput(GstPad* pad, GstPadProbeInfo* info, gpointer self);
  static GstPadProbeReturn OnOutput(GstPad* pad, GstPadProbeInfo* info, gpointer self);
  static GstPadProbeReturn OnFlush(GstPad* pad, GstPadProbeInfo* info, gpointer self);
  static GstPadProbeReturn OnHold(GstPad* pad, GstPadProbeInfo* info, gpointer self);

  GstElement* m_pDecoder = nullptr;
  GstPad* m_pIn = nullptr;
  GstPad* m_pOut = nullptr;
  gulong m_nInProbe = 0, m_nOutProbe = 0, m_nFlushProbe = 0;
  std::mutex m_holdMutex;   // the seek thread and the window's thread may both hold and release
  gulong m_nHoldProbe = 0;  // a blocking probe, only while held
  std::atomic<bool> m_bOut{false};  // a frame left the decoder since the last flush
  std::atomic<bool> m_bRunning{false};
  std::atomic<uint64_t> m_nDropped{0};
  std::mutex m_mutex;  // guards the timing below
  int64_t m_llDecodeNs = 0;      // running average of one frame's decode; 0 none yet
  int64_t m_llInWall = -1;       // wall time the frame in the decoder went in
  int64_t m_llLastPassed = -1;   // wall time of the last frame let through
};

}  // namespace vt
