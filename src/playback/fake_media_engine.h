// A scripted media engine for tests of the Player's logic: no decoding; the test sets the
// file's properties and the results, and reads back the calls made.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "playback/media_engine.h"

namespace vt {

class CFakeMediaEngine : public IMediaEngine {
 public:
  // Script (set by the test before or between calls).
  HRESULT hrRender = S_OK;  // result of RenderFile
  int64_t llDuration = 0;
  int64_t llFrames = 0;
  int32_t nWidth = 0, nHeight = 0;
  bool bHasVideo = true;
  bool bHasAudio = false;
  std::function<bool(double)> acceptRate = [](double r) { return r > 0 && r <= 16; };
  HRESULT hrRun = S_OK, hrPause = S_OK, hrStop = S_OK, hrSeek = S_OK, hrStopWhenReady = S_OK;
  HRESULT hrGetVolume = S_OK;  // overrides the audio rule when a failure
  int32_t stateSettled = 1;    // 0: GetState reports an unsettled transition
  std::atomic<int> nSeekDelayMs{0};  // SetPositions takes this long (a slow decoder)
  // Position of the frame on screen; -1: the same as llPosition (the clock's position).
  int64_t llShownPosition = -1;
  // Start of the last frame: a seek beyond it shows it. -1: no limit.
  int64_t llLastFrame = -1;

  // Observed.
  std::vector<std::string> calls;  // "Run", "Pause", "SetPositions 400000", ...
  int32_t nState = State_Stopped;
  int64_t llPosition = 0;
  double dRate = 1.0;
  int32_t lVolume = 0;
  std::string strFile;

  // Queues an event and notifies the target, as the real engine's bus does. The parameters stay
  // the caller's (FreeEventParams frees nothing).
  void RaiseEvent(int32_t code, intptr_t p1 = 0, intptr_t p2 = 0);

  HRESULT RenderFile(const std::string& path) override;
  void Close() override;
  bool IsLoaded() const override { return m_bLoaded; }
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
  std::shared_ptr<const VideoFrame> LatestFrame() override { return nullptr; }
  HRESULT SetNotifyWindow(IMessageTarget* target, uint32_t msg, LPARAM lParam) override;
  void SetFrameNotify(IMessageTarget*, uint32_t) override {}
  HRESULT GetEvent(int32_t* code, intptr_t* param1, intptr_t* param2, int32_t timeoutMs) override;
  HRESULT FreeEventParams(int32_t, intptr_t, intptr_t) override { return S_OK; }
  const std::string& ErrorText() const override { return m_strError; }

 private:
  struct Event {
    int32_t code;
    intptr_t p1, p2;
  };
  bool m_bLoaded = false;
  std::deque<Event> m_events;
  IMessageTarget* m_pTarget = nullptr;
  uint32_t m_nMsg = 0;
  LPARAM m_lParam = 0;
  std::string m_strError;
};

}  // namespace vt
