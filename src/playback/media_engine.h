// The media engine the Player drives: one open file at a time, positions and durations in
// 100 ns units, rate as a double, volume in hundredths of a dB (0 full, -10000 silence),
// results as COM codes (negative = failure). Implementations: gst/ (GStreamer) and the
// scripted fake of the tests.
//
// Threads: every call may come from the GUI thread or the Player's seek thread, but not from
// both at once (the GUI pauses before it wakes the seek thread). Notifications are posted to
// the target from the engine's own threads.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/message.h"
#include "platform/win_types.h"

namespace vt {

// Event codes of the engine's queue.
constexpr int32_t EC_COMPLETE = 1;   // end of stream
// Playback stopped by an error; param1 = HRESULT, param2 = the reason as a C string or 0, valid
// until FreeEventParams.
constexpr int32_t EC_ERRORABORT = 3;
// GetState when the transition has not settled within the time-out.
constexpr HRESULT VFW_S_STATE_INTERMEDIATE = 0x00040237;

// Engine states (GetState).
enum EngineState : int32_t { State_Stopped = 0, State_Paused = 1, State_Running = 2 };

// A decoded picture for painting. Planes are tightly described by offset and stride.
struct VideoFrame {
  uint32_t fourcc = 0;  // MakeFourCC('I','4','2','0'), 'YV12', 'YUY2', 'UYVY', 'BGRx' (32-bit B,G,R,x)
  int32_t width = 0;
  int32_t height = 0;
  int64_t pts = -1;  // 100 ns, stream time of the frame; -1 unknown
  int nPlanes = 0;
  size_t offset[3] = {0, 0, 0};
  int32_t stride[3] = {0, 0, 0};
  // The planes: in `data`, or, where `held` is set, in a decoder's buffer that `keep` keeps
  // mapped (the frame on screen, painted without a copy). Read them through Bytes and Size.
  std::vector<uint8_t> data;
  std::shared_ptr<const void> keep;
  const uint8_t* held = nullptr;
  size_t heldSize = 0;
  const uint8_t* Bytes() const { return held ? held : data.data(); }
  size_t Size() const { return held ? heldSize : data.size(); }
};

// The outside clock that RunAt follows: std::chrono::steady_clock, in ns since its epoch.
inline int64_t SteadyNowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

class IMediaEngine {
 public:
  virtual ~IMediaEngine() = default;

  // Builds the playback chain for path and leaves the engine paused on the first frame (not
  // running). On failure the engine is empty and the failing step's text is in ErrorText().
  virtual HRESULT RenderFile(const std::string& path) = 0;
  // Stops and drops the open file; the engine is empty afterwards.
  virtual void Close() = 0;
  virtual bool IsLoaded() const = 0;

  virtual HRESULT Run() = 0;
  virtual HRESULT Pause() = 0;
  virtual HRESULT Stop() = 0;
  // Shows the frame at the current position, then leaves the engine stopped.
  virtual HRESULT StopWhenReady() = 0;
  // S_OK when the state has settled within timeoutMs, VFW_S_STATE_INTERMEDIATE otherwise.
  virtual HRESULT GetState(int32_t timeoutMs, int32_t* state) = 0;

  // Absolute position, stop position untouched. The frame at t is the one shown afterwards.
  virtual HRESULT SetPositions(int64_t t) = 0;
  // Where playback stands by the engine's clock; while running it runs ahead of the picture.
  virtual HRESULT GetCurrentPosition(int64_t* t) = 0;
  // Stream time of the frame on screen: the one GetCurrentImage captures and LatestFrame paints.
  // It changes only when a frame is rendered while running or a seek completes: pausing keeps
  // it. Without video, the clock's position. E_FAIL when nothing is open or no frame came yet.
  virtual HRESULT GetShownPosition(int64_t* t) = 0;
  virtual HRESULT GetDuration(int64_t* duration) = 0;
  virtual HRESULT GetFrameCount(int64_t* frames) = 0;

  // Fails for a rate the engine cannot play; the old rate stays.
  virtual HRESULT PutRate(double rate) = 0;
  virtual HRESULT GetRate(double* rate) = 0;

  // E_NOTIMPL when the file has no audio.
  virtual HRESULT GetVolume(int32_t* volume) = 0;
  virtual HRESULT PutVolume(int32_t volume) = 0;

  // E_NOINTERFACE when the file has no video.
  virtual HRESULT GetVideoSize(int32_t* width, int32_t* height) = 0;
  virtual HRESULT GetVisible(bool* visible) = 0;

  // The shown frame as a packed bitmap (BITMAPINFOHEADER, masks if any, pixels) in the
  // decoder's format: planar/packed YUV with biCompression its FOURCC, or 32-bit BI_RGB.
  // With buffer null, *size receives the bytes needed. E_FAIL when no frame can be given.
  virtual HRESULT GetCurrentImage(int32_t* size, uint8_t* buffer) = 0;
  // Newest decoded frame for painting, or null.
  virtual std::shared_ptr<const VideoFrame> LatestFrame() = 0;

  // Events are queued and the target is posted msg (wParam 0, lParam) for each; null target
  // stops the notifications. Frame arrival is posted as frameMsg when that is not 0, at most one
  // pending at a time.
  virtual HRESULT SetNotifyWindow(IMessageTarget* target, uint32_t msg, LPARAM lParam) = 0;
  virtual void SetFrameNotify(IMessageTarget* target, uint32_t frameMsg) = 0;
  // Takes the oldest queued event; E_FAIL when the queue is empty (time-out 0 only).
  virtual HRESULT GetEvent(int32_t* code, intptr_t* param1, intptr_t* param2, int32_t timeoutMs) = 0;
  virtual HRESULT FreeEventParams(int32_t code, intptr_t param1, intptr_t param2) = 0;

  // Text of the last failure, in the formats of engine_errors.h.
  virtual const std::string& ErrorText() const = 0;

  // Plays in step with an outside clock, for pictures shown side by side: position (100 ns) is
  // reached when std::chrono::steady_clock reads dueNs (ns since its epoch), so the frame that
  // holds it is on screen then, and the frames after it follow at rate. A frame whose time has passed is dropped, so a decoder
  // that cannot keep up shows fewer frames, never late ones. keyFramesOnly decodes and shows key
  // frames alone (each at its own time). The frame on screen stays until the first one is due.
  // Returns at once; Pause ends it. E_NOTIMPL when the engine cannot follow an outside clock.
  virtual HRESULT RunAt(int64_t position, double rate, int64_t dueNs, bool keyFramesOnly) {
    (void)position;
    (void)rate;
    (void)dueNs;
    (void)keyFramesOnly;
    return E_NOTIMPL;
  }
};

struct EngineOptions {
  // No sound: audio tracks are neither decoded nor played (a picture among many).
  bool bVideoOnly = false;
};

// Creates the GStreamer engine (gst/), initialising GStreamer when needed. Never null: without
// GStreamer every RenderFile fails.
std::unique_ptr<IMediaEngine> CreateGstEngine();
std::unique_ptr<IMediaEngine> CreateGstEngine(const EngineOptions& options);

}  // namespace vt
