// The Player window's behaviour without the window: opening and closing records on the media
// engine, the play/pause/stop state table, seeks and the seek thread, rate, mute, the position
// and clock ticks, frame steps, event jumps and the key table. The Qt window (or a test)
// supplies the bars, timers, messages and sizing through IPlayerView.
//
// "Now" is the frame on screen: m_llPosition is its position (the engine's shown position,
// read after every pause, seek, tick and frame shown while running), m_tCurrent its recording
// time, and the seek bar its frame number. The time shown, the frame a step or jump starts
// from and a snapshot's caption all come from there, never from the engine's clock.
//
// Threads: everything runs on the GUI thread except SeekToFrame on the seek thread, which the
// GUI thread wakes only after pausing playback (which stops the timers). m_llPosition and
// m_tCurrent are atomics because both threads write them.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/message.h"
#include "platform/win_types.h"
#include "playback/auto_reset_event.h"
#include "playback/event_list.h"
#include "playback/media_engine.h"
#include "playback/player_logic.h"
#include "playback/rate_watch.h"

namespace vt {

constexpr int kCmdPlay = 1;
constexpr int kCmdPause = 2;
constexpr int kCmdStop = 3;

constexpr uint32_t kIdsVideoOnly = 59399;       // "The record is video only."
constexpr uint32_t kIdsFailReadVolume = 59400;  // "Failed to read audio volume!"
constexpr uint32_t kIdsSpeedNotSupported = 59403;
constexpr int32_t kVolumeSilence = -10000;
// Paths are kept in 260-character buffers by the recorder family.
constexpr size_t kMaxRecordPath = 259;
constexpr HRESULT kHrPathTooLong = static_cast<HRESULT>(0x800700CEu);
// How long a pause may take to settle on the frame it keeps on screen.
constexpr int32_t kPauseSettleMs = 1000;

class IPlayerView {
 public:
  virtual ~IPlayerView() = default;
  // Seek bar. SetSeekPos clamps to the range. GetSeekPos and DrawTime are also called on the
  // seek thread: implementations must not touch widgets there (post instead).
  virtual void SetSeekRange(uint32_t frames) = 0;
  virtual void SetSeekPos(int64_t pos) = 0;
  virtual uint32_t GetSeekPos() const = 0;
  virtual void SetSeekEvents(std::vector<uint32_t> pairs) = 0;
  virtual void ClearSeekEvents() = 0;
  // Information bar.
  virtual void ShowTime(bool show) = 0;
  virtual void DrawTime(time32 t) = 0;
  virtual void SetSpeedText(const char* suffix) = 0;
  virtual void RepaintInfo() = 0;
  // Timers 52 (clock, 1000 ms) and 53 (position); stopping drops ticks already queued.
  virtual void StartTimers(uint32_t positionPeriodMs) = 0;
  virtual void StopTimers() = 0;
  // Window.
  virtual void ShowPlayer() = 0;
  virtual void EnsureDefaultSize() = 0;
  virtual void ApplyZoomKeep() = 0;  // apply the zoom without toggling it
  virtual void InvalidateAll() = 0;
  virtual void PostVideoSize(int32_t width, int32_t height) = 0;
  virtual void SetWindowTitle(const char* textA, const char* textB) = 0;
  // Texts, message boxes and the main window's status line.
  virtual std::string LoadText(uint32_t id) = 0;
  virtual void ShowStatus(const std::string& text) = 0;  // empty: back to the idle text
  virtual void ShowMessage(const std::string& text) = 0;
  virtual void ShowLangMessage(const char* key, uint32_t id) = 0;
};

class CPlayerCore {
 public:
  // notifyTarget receives kMsgGraphNotify; engine and view outlive the core.
  CPlayerCore(IMediaEngine* engine, IPlayerView* view, IMessageTarget* notifyTarget);
  ~CPlayerCore();
  CPlayerCore(const CPlayerCore&) = delete;
  CPlayerCore& operator=(const CPlayerCore&) = delete;

  // Record opening and closing.
  HRESULT OpenRecord(const std::string& path, time32 tStart);  // 0 or the failure
  HRESULT OpenClip(const std::string& path);
  HRESULT BuildGraph(const std::string& path);
  void CloseClip();
  // Transport.
  void PlaybackCommand(int cmd);
  HRESULT SeekTo(int64_t t);
  HRESULT SeekToFrame(int64_t n);
  HRESULT StepFrames(int64_t k);
  HRESULT SetRate(double rate);
  double GetRate() const { return m_dRate; }
  HRESULT ToggleMute();
  bool IsMuted() const { return m_lVolume == kVolumeSilence; }
  void CheckVisibility();
  HRESULT HandleGraphEvent();
  // The shown frame as a packed bitmap; empty when none.
  std::vector<uint8_t> CaptureFrame();
  // Snapshot steps before the dialog: settle, pause a running record, capture. Empty when
  // the state does not settle within 1000 ms or no frame can be had.
  std::vector<uint8_t> CaptureForSnapshot();
  bool IsOpen() const { return m_bOpen != 0; }
  // Native size for sizing (256 x 240 counts as 320 x 240). E_NOINTERFACE without video.
  HRESULT GetNativeSize(int32_t* width, int32_t* height);

  // Player window inputs.
  void OnPositionTick();
  void OnClockTick();
  // A new frame is on screen (engine notification); follows it while running.
  void OnFrameShown();
  void OnSpeedCommand(uint32_t id);
  void OnSeekRequest();  // pause, then wake the seek thread
  void OnKey(WPARAM key);
  void Forward();
  void Backward();
  HRESULT NextEvent();
  HRESULT PrevEvent();
  // Shows the frame that holds offset (100 ns from the start; at or past the end: the last
  // frame). Running playback keeps running unless pause is set; play starts it.
  HRESULT ShowFrameAt(int64_t offset, bool play, bool pause);
  // Asked when the stream has ended: true means the caller opens the next record, so the end
  // neither stops nor rewinds. Unset: the end stops and rewinds.
  void SetEndOfStreamHandler(std::function<bool()> handler) { m_fnEndOfStream = std::move(handler); }
  void SetAutoPlay(int flag) { m_bAutoPlay = flag ? 1 : 0; }
  int ToggleAutoPlay() { return m_bAutoPlay = !m_bAutoPlay; }
  int GetAutoPlay() const { return m_bAutoPlay; }

  // State, for the window and tests.
  int32_t GetPlayState() const { return m_psCurrent; }
  int64_t GetPosition() const { return m_llPosition; }
  int64_t GetDuration() const { return m_llDuration; }
  int64_t GetFrames() const { return m_llFrames; }
  int64_t GetFrameTime() const { return m_llFrameTime; }
  time32 GetStart() const { return m_tStart; }
  time32 GetCurrent() const { return m_tCurrent; }
  time32 GetEnd() const { return m_tEnd; }
  int32_t GetVolume() const { return m_lVolume; }
  bool IsAudioOnly() const { return m_bAudioOnly != 0; }
  const std::string& GetFile() const { return m_szFile; }
  const std::string& GetError() const { return m_strError; }
  CEventList* GetEvents() const { return m_pEvents.get(); }
  int32_t GetResume() const { return m_nResume; }
  // Wall clock in ms for judging the rate reached (tests set their own).
  void SetWallClock(std::function<int64_t()> nowMs) { m_nowMs = std::move(nowMs); }

 private:
  bool Held() const { return m_pEngine->IsLoaded(); }
  // PlaybackCommand; moveSeekBar false when a seek request has put its target in the seek bar.
  void Transport(int cmd, bool moveSeekBar);
  // Waits for a pause to settle, then takes the frame it kept.
  void SettleOnShownFrame(bool moveSeekBar);
  // Position, time and (when asked) seek bar from the frame on screen. True when the time
  // changed.
  bool SyncToShownFrame(bool moveSeekBar);
  // The time of the frame on screen in the information bar; the bar stays empty with nothing open.
  void DrawClock();
  void EndOnError(HRESULT hr, const char* reason);
  void CloseInterfaces();
  void PauseForJump();
  void ResumeAfterJump();
  HRESULT JumpTo(time32 target);
  void SeekThread();
  // While running: says on the status line when the rate asked for cannot be held, and takes
  // the text back when it is held again or playback stops.
  void WatchRate();
  void CheckRate();
  void EndRateWatch();
  // Waits (at most 1 s) until the seek thread has carried out every request made so far, so
  // that a seek of this thread is not undone by an older one finishing after it, and the engine
  // is not closed under a running seek.
  void WaitSeekIdle();

  IMediaEngine* m_pEngine;
  IPlayerView* m_pView;
  IMessageTarget* m_pNotify;

  int32_t m_bAutoPlay = 1;
  std::unique_ptr<CEventList> m_pEvents;
  int32_t m_bOpen = 0;
  std::string m_szFile;
  int64_t m_llDuration = 0;
  int64_t m_llFrames = 0;
  int64_t m_llFrameTime = 0;
  std::atomic<int64_t> m_llPosition{0};
  double m_dRate = 1.0;
  int32_t m_lVolume = 0;
  int32_t m_psCurrent = kPsStopped;
  int32_t m_bAudioOnly = 1;
  std::string m_strError;
  time32 m_tStart = 0;
  std::atomic<time32> m_tCurrent{0};
  time32 m_tEnd = 0;
  int32_t m_nResume = 1;
  std::function<bool()> m_fnEndOfStream;

  CRateWatch m_rateWatch;
  bool m_bRateNoted = false;  // the status line says the rate is not held
  std::function<int64_t()> m_nowMs;

  CAutoResetEvent m_hSeekEvent;
  std::atomic<int32_t> m_bSeekThreadRun{1};
  // Seek requests made (GUI thread) and carried out (seek thread); idle when equal.
  std::atomic<uint64_t> m_nSeeksRequested{0};
  uint64_t m_nSeeksDone = 0;  // guarded by m_seekIdleLock
  std::mutex m_seekIdleLock;
  std::condition_variable m_seekIdle;
  std::thread m_hSeekThread;
};

}  // namespace vt
