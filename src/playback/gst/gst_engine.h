// Media engine on GStreamer 1.22: playbin with an appsink that keeps only the newest frame.
// The bus is read by a sync handler that queues events and posts the notification message,
// so no GLib main loop is needed. The state the caller asked for is kept here, apart from
// the pipeline's own (which passes through intermediate states after each seek).
#pragma once

#include <gst/gst.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "playback/frame_cache.h"
#include "playback/gst/decode_pacer.h"
#include "playback/gst/frame_reader.h"
#include "playback/media_engine.h"

namespace vt {

// Following an outside clock, the sink drops a frame that comes later than this after its
// moment (less at fast rates: half a frame's time).
constexpr gint64 kFollowMaxLatenessNs = 20 * GST_MSECOND;

class CGstEngine : public IMediaEngine {
 public:
  explicit CGstEngine(const EngineOptions& options = {});
  ~CGstEngine() override;

  HRESULT RenderFile(const std::string& path) override;
  void Close() override;
  bool IsLoaded() const override { return m_pPipeline != nullptr; }
  HRESULT Run() override;
  HRESULT Pause() override;
  HRESULT Stop() override;
  HRESULT StopWhenReady() override;
  HRESULT GetState(int32_t timeoutMs, int32_t* state) override;
  HRESULT SetPositions(int64_t t) override;
  HRESULT GetCurrentPosition(int64_t* t) override;
  HRESULT GetShownPosition(int64_t* t) override;
  HRESULT GetDuration(int64_t* duration) override;
  HRESULT GetFrameCount(int64_t* frames) override;
  HRESULT PutRate(double rate) override;
  HRESULT GetRate(double* rate) override;
  HRESULT GetVolume(int32_t* volume) override;
  HRESULT PutVolume(int32_t volume) override;
  HRESULT GetVideoSize(int32_t* width, int32_t* height) override;
  HRESULT GetVisible(bool* visible) override;
  HRESULT GetCurrentImage(int32_t* size, uint8_t* buffer) override;
  std::shared_ptr<const VideoFrame> LatestFrame() override;
  HRESULT SetNotifyWindow(IMessageTarget* target, uint32_t msg, LPARAM lParam) override;
  void SetFrameNotify(IMessageTarget* target, uint32_t frameMsg) override;
  HRESULT GetEvent(int32_t* code, intptr_t* param1, intptr_t* param2, int32_t timeoutMs) override;
  HRESULT FreeEventParams(int32_t code, intptr_t param1, intptr_t param2) override;
  const std::string& ErrorText() const override { return m_strError; }
  HRESULT RunAt(int64_t position, double rate, int64_t dueNs, bool keyFramesOnly) override;

  // Start of the last frame: the furthest position a seek goes to (100 ns).
  int64_t LastFrameStart() const;
  // Frames rendered by the clock while running since the file was opened (not those shown by
  // opening or seeking).
  uint64_t RenderedFrames() const { return m_nRendered.load(); }
  // The open file's pipeline, for tests that break its stream on purpose; null when none.
  GstElement* Pipeline() const { return m_pPipeline; }

 private:
  static GstBusSyncReply OnBusMessage(GstBus* bus, GstMessage* msg, gpointer self);
  static GstFlowReturn OnNewSample(GstElement* sink, gpointer self);
  static GstFlowReturn OnNewPreroll(GstElement* sink, gpointer self);
  // A buffer reached the sink: rendered by the clock while running (shown at once), or
  // prerolled while paused (shown unless it is the held next frame).
  void TakeSample(GstSample* sample, bool preroll);
  void NotifyFrame();
  void QueueEvent(int32_t code, intptr_t p1, intptr_t p2);
  HRESULT WaitSettled(int64_t timeoutNs);
  static constexpr int64_t kSettleTimeoutNs = 10 * GST_SECOND;
  HRESULT WaitOpened();
  // holdShown: the frame on screen stays until the new position's frame is rendered by the clock.
  HRESULT DoSeek(int64_t t, double rate, bool holdShown = false, bool keyFramesOnly = false);
  // Pausing after RunAt: the pipeline keeps its own time again, from where it stopped.
  void LeaveOutsideClock();
  // Following the outside clock, a frame later than the sink's limit is not shown: the sink
  // itself renders one anyway after a second of dropping, "so that the user sees something",
  // which here would be a picture of another moment.
  bool LateForOutsideClock(GstSample* sample) const;
  // Leaving the running state: the frame the sink prerolls next has not been shown yet.
  void HoldShownFrame();
  void ReadStreamFacts();
  GstElement* FindVideoDecoder(std::string* media);
  // Intra-only or not; the pacer on an intra-only decoder.
  void SetUpDecoding();
  // The frame on screen as a VideoFrame (made from the sample on first use); null when none.
  std::shared_ptr<const VideoFrame> ShownFrame();

  // Moving to a frame while paused (gst_engine_frames.cpp), cheapest way first.
  HRESULT MoveToFrame(int64_t t);
  int64_t LastFrameIndex() const;
  void ShowCached(std::shared_ptr<const VideoFrame> frame);
  void ShowPipelineFrame();
  // Steps the pipeline; with wait, until the target is prerolled (true when it is).
  bool StepPipeline(int64_t amount, int64_t target, bool wait);
  // Waits for a step under way (a pre-step) to arrive.
  void WaitStepDone();
  // Paused on a frame the pipeline holds: decode the next one now, held off screen, so that
  // Next Frame only has to show it.
  void PreStep();
  bool FillBack(int64_t target, int64_t shown);

  EngineOptions m_options;
  GstElement* m_pPipeline = nullptr;
  GstElement* m_pAppSink = nullptr;
  int32_t m_nState = State_Stopped;  // what the caller asked for
  double m_dRate = 1.0;
  int32_t m_lVolume = 0;
  int64_t m_llDuration = 0;    // 100 ns
  int64_t m_llFrames = 0;
  int64_t m_llFrameDur = 0;    // 100 ns, from the stream's frame rate; 0 unknown
  int64_t m_llLastSeek = 0;    // position of the last seek, for a failing position query
  // Running by RunAt: base time set from the outside clock. Read by the streaming thread.
  std::atomic<bool> m_bFollowsClock{false};
  std::atomic<int64_t> m_llClockLatenessNs{kFollowMaxLatenessNs};  // what the sink was told
  // The sink's own lateness settings, put back when the outside clock is left.
  gint64 m_llOwnMaxLateness = -1;
  gboolean m_bOwnQos = FALSE;
  bool m_bKeyFramesOnly = false;
  bool m_bHasVideo = false;
  bool m_bHasAudio = false;
  int32_t m_nWidth = 0, m_nHeight = 0;
  std::string m_strError;

  std::string m_strUri;
  bool m_bIntraOnly = false;  // every frame is a key frame (MJPEG)
  // The pipeline has been stepped or the frame on screen came from the cache: playing on first
  // seeks the pipeline to the frame on screen (stepping moves the video sink alone).
  bool m_bResync = false;
  bool m_bForward = false;  // the last move went forward: the next frame is decoded ahead
  CFrameCache m_cache;
  CDecodePacer m_pacer;
  std::unique_ptr<CFrameReader> m_pReader;  // opened by the first step backwards

  std::mutex m_mutex;  // guards everything below: written by GStreamer's threads
  std::condition_variable m_pipeCv;  // signalled when the pipeline's frame changes
  GstSample* m_pSample = nullptr;  // the frame on screen; null when it came from the cache
  int64_t m_llShownTime = -1;      // its stream time (100 ns); -1 none
  GstSample* m_pPipeSample = nullptr;  // the last buffer the sink got, shown or not
  int64_t m_llPipeTime = -1;           // its stream time; -1 none or unknown (a seek is under way)
  int64_t m_llStepTarget = -1;         // frame a step under way goes to; -1 none
  bool m_bPipeAtEnd = false;           // the sink has the end of the stream
  // Set when running playback pauses or stops: the buffer that then prerolls is the next frame,
  // not yet due, and must not replace the one on screen. Cleared by a seek and by running.
  bool m_bHoldPreroll = false;
  bool m_bErrorQueued = false;  // a playback error was reported since the last seek
  std::shared_ptr<const VideoFrame> m_pFrame;  // the frame on screen as a VideoFrame, made on demand
  struct Event {
    int32_t code;
    intptr_t p1, p2;
  };
  std::deque<Event> m_events;
  IMessageTarget* m_pTarget = nullptr;
  uint32_t m_nMsg = 0;
  LPARAM m_lParam = 0;
  IMessageTarget* m_pFrameTarget = nullptr;
  uint32_t m_nFrameMsg = 0;
  std::atomic<bool> m_bFramePending{false};
  std::atomic<uint64_t> m_nRendered{0};
  std::condition_variable m_errCv;  // signalled when the first error is recorded
  GQuark m_errDomain = 0;
  int m_errCode = 0;
};

}  // namespace vt
