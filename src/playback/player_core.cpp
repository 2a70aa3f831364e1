#include "playback/player_core.h"

#include <chrono>
#include <ctime>

#include "playback/engine_errors.h"
#include "playback/event_nav.h"
#include "playback/player_logic.h"
#include "playback/record_info.h"

namespace vt {

CPlayerCore::CPlayerCore(IMediaEngine* engine, IPlayerView* view, IMessageTarget* notifyTarget)
    : m_pEngine(engine), m_pView(view), m_pNotify(notifyTarget), m_nowMs([] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
      }) {
  m_tCurrent = static_cast<time32>(std::time(nullptr));
  m_hSeekThread = std::thread([this] { SeekThread(); });
}

CPlayerCore::~CPlayerCore() {
  WaitSeekIdle();
  m_bOpen = 0;
  if (Held()) m_pEngine->Stop();
  m_psCurrent = kPsStopped;
  CloseInterfaces();
  m_pEvents.reset();
  m_bSeekThreadRun = 0;
  m_hSeekEvent.Set();
  // Joined rather than given a fixed time: the thread uses this object until it ends.
  if (m_hSeekThread.joinable()) m_hSeekThread.join();
}

void CPlayerCore::SeekThread() {
  while (m_bSeekThreadRun) {
    m_hSeekEvent.Wait();
    if (!m_bSeekThreadRun) break;
    // Requests made before this point are served by this seek (they collapse into it).
    const uint64_t served = m_nSeeksRequested.load();
    SeekToFrame(m_pView->GetSeekPos());
    {
      std::lock_guard<std::mutex> lock(m_seekIdleLock);
      m_nSeeksDone = served;
    }
    m_seekIdle.notify_all();
  }
}

void CPlayerCore::WaitSeekIdle() {
  std::unique_lock<std::mutex> lock(m_seekIdleLock);
  m_seekIdle.wait_for(lock, std::chrono::seconds(1),
                      [this] { return m_nSeeksDone >= m_nSeeksRequested.load() || !m_bSeekThreadRun; });
}

HRESULT CPlayerCore::OpenRecord(const std::string& path, time32 tStart) {
  m_tStart = tStart;
  const HRESULT hr = OpenClip(path);
  DrawClock();
  return Succeeded(hr) ? 0 : hr;
}

HRESULT CPlayerCore::OpenClip(const std::string& path) {
  if (m_bOpen || !m_szFile.empty() || Held()) CloseClip();
  if (path.empty()) {
    // The open dialog is the window's; without a path there is nothing to open.
    m_pView->EnsureDefaultSize();
    return E_FAIL;
  }
  if (path.size() > kMaxRecordPath) {
    // Cutting the path would open another file: refuse it as a file that cannot be played.
    m_strError = FormatErrorText(kErrRenderFile, kHrPathTooLong);
    m_pView->PostVideoSize(0, 0);
    m_pView->SetWindowTitle(nullptr, nullptr);
    m_pView->ShowStatus(UnplayableText(path, m_strError));
    return kHrPathTooLong;
  }
  m_szFile = path;
  m_psCurrent = kPsStopped;
  m_lVolume = 0;
  HRESULT hr = BuildGraph(m_szFile);
  if (Failed(hr)) CloseClip();
  // The record's own information is read whatever the build gave.
  std::unique_ptr<CEventList> events;
  ReadRecordInfo(path, nullptr, nullptr, &events,
                 [this](const char* a, const char* b) { m_pView->SetWindowTitle(a, b); });
  m_pEvents = std::move(events);
  if (HasEvents(m_pEvents.get())) m_pView->SetSeekEvents(BuildEventMarks(m_pEvents.get(), m_tStart, m_llFrameTime));
  int32_t w = 0, h = 0;
  if (Failed(GetNativeSize(&w, &h))) w = h = 0;
  m_pView->PostVideoSize(w, h);
  if (Failed(hr)) {
    // Nothing of this record is shown, not even the camera texts of its trailer; the reason goes
    // to the status line.
    m_pView->SetWindowTitle(nullptr, nullptr);
    m_pView->ShowStatus(UnplayableText(path, m_strError));
  }
  return hr;
}

HRESULT CPlayerCore::GetNativeSize(int32_t* width, int32_t* height) {
  if (!Held()) return E_FAIL;
  const HRESULT hr = m_pEngine->GetVideoSize(width, height);
  if (Succeeded(hr)) NormalizeNativeSize(width, height);
  return hr;
}

HRESULT CPlayerCore::BuildGraph(const std::string& path) {
  HRESULT hr = m_pEngine->RenderFile(path);
  if (Failed(hr)) {
    m_strError = m_pEngine->ErrorText();
    return hr;
  }
  CheckVisibility();
  hr = m_pEngine->SetNotifyWindow(m_pNotify, kMsgGraphNotify, 0);
  if (Failed(hr)) {
    m_strError = FormatErrorText(kErrNotifyWindow, hr);
    return hr;
  }
  int64_t duration = 0, frames = 0;
  m_pEngine->GetDuration(&duration);
  m_pEngine->GetFrameCount(&frames);
  m_llDuration = duration;
  const SeekGrid grid = SeekGridOf(duration, frames);
  m_llFrames = grid.frames;
  m_pView->SetSeekRange(static_cast<uint32_t>(m_llFrames));
  m_pView->SetSeekPos(1);
  m_llFrameTime = grid.frameTime;
  m_llPosition = 0;
  if (m_bAudioOnly) m_pView->EnsureDefaultSize();
  m_bOpen = 1;
  m_pView->ShowTime(true);
  m_pView->ApplyZoomKeep();
  m_pView->ShowPlayer();
  m_tCurrent = m_tStart;
  m_tEnd = AddSeconds(m_tStart, m_llDuration);
  SetRate(m_dRate);
  if (m_bAutoPlay)
    PlaybackCommand(kCmdPlay);
  else
    SeekToFrame(1);
  return hr;
}

void CPlayerCore::CloseClip() {
  WaitSeekIdle();
  EndRateWatch();
  if (m_pView->GetSeekPos() > 1) m_pView->SetSeekPos(1);
  m_bOpen = 0;
  m_pView->ShowTime(false);
  if (Held()) m_pEngine->Stop();
  m_pView->StopTimers();
  m_psCurrent = kPsStopped;
  m_bAudioOnly = 1;
  CloseInterfaces();
  m_szFile.clear();
  m_psCurrent = kPsInit;
  m_pEvents.reset();
  m_pView->ClearSeekEvents();
  m_pView->InvalidateAll();
  DrawClock();
  m_pView->EnsureDefaultSize();
}

void CPlayerCore::CloseInterfaces() {
  m_pEngine->SetNotifyWindow(nullptr, 0, 0);
  m_pEngine->Close();
}

void CPlayerCore::PlaybackCommand(int cmd) { Transport(cmd, true); }

void CPlayerCore::Transport(int cmd, bool moveSeekBar) {
  if (!Held() || !m_bOpen) return;
  if (cmd == kCmdStop) WaitSeekIdle();  // the rewind must not be undone by an older seek
  const int32_t ps = m_psCurrent;
  if (cmd == kCmdPlay && (ps == kPsStopped || ps == kPsPaused)) {
    if (Succeeded(m_pEngine->Run())) m_psCurrent = kPsRunning;
    m_pView->StartTimers(PositionTimerPeriodMs(m_llFrameTime));
    WatchRate();
  } else if ((cmd == kCmdPlay && ps == kPsRunning) || (cmd == kCmdPause && (ps == kPsRunning || ps == kPsStopped))) {
    EndRateWatch();
    if (Succeeded(m_pEngine->Pause())) m_psCurrent = kPsPaused;
    m_pView->StopTimers();
    SettleOnShownFrame(moveSeekBar);
  } else if (cmd == kCmdStop && (ps == kPsPaused || ps == kPsRunning)) {
    EndRateWatch();
    m_pEngine->Stop();
    m_pEngine->SetPositions(0);
    m_pEngine->Pause();
    m_psCurrent = kPsPaused;
    m_pView->StopTimers();
    m_tCurrent = m_tStart;
    m_llPosition = 0;
    m_pView->SetSeekPos(1);
  }
  DrawClock();
}

void CPlayerCore::SettleOnShownFrame(bool moveSeekBar) {
  int32_t state = 0;
  m_pEngine->GetState(kPauseSettleMs, &state);
  SyncToShownFrame(moveSeekBar);
}

bool CPlayerCore::SyncToShownFrame(bool moveSeekBar) {
  int64_t shown = 0;
  if (!Held() || Failed(m_pEngine->GetShownPosition(&shown))) return false;
  m_llPosition = shown;
  const time32 before = m_tCurrent;
  m_tCurrent = AddSeconds(m_tStart, shown);
  if (moveSeekBar) {
    const int64_t pos = FrameOfPosition(shown, m_llFrameTime, m_llFrames);
    if (pos != static_cast<int64_t>(m_pView->GetSeekPos())) m_pView->SetSeekPos(pos);
  }
  return m_tCurrent != before;
}

void CPlayerCore::DrawClock() {
  if (m_bOpen)
    m_pView->DrawTime(m_tCurrent);
  else
    m_pView->RepaintInfo();
}

HRESULT CPlayerCore::SeekTo(int64_t t) {
  if (t < 0) t = 0;
  if (!Held()) return E_FAIL;
  if (t > m_llDuration) t = m_llDuration;
  HRESULT hr = m_pEngine->SetPositions(t);
  if (Failed(hr)) return hr;
  hr = m_pEngine->StopWhenReady();
  if (Failed(hr)) return hr;
  // The frame the seek shows: the one at or before t, the last one beyond the end.
  int64_t shown = t;
  if (Succeeded(m_pEngine->GetShownPosition(&shown))) t = shown;
  m_llPosition = t;
  m_tCurrent = AddSeconds(m_tStart, t);
  DrawClock();
  return hr;
}

HRESULT CPlayerCore::SeekToFrame(int64_t n) {
  if (n == 0) return 0;
  if (!Held()) return E_FAIL;
  return SeekTo(FrameToTime(n, m_llFrameTime));
}

HRESULT CPlayerCore::StepFrames(int64_t k) {
  if (k == 0) return 0;
  WaitSeekIdle();
  // While running, from the frame on screen now rather than the last tick's.
  if (m_psCurrent == kPsRunning) SyncToShownFrame(true);
  const int64_t p = StepTarget(m_pView->GetSeekPos(), k);
  const HRESULT hr = SeekToFrame(p);
  if (Succeeded(hr)) m_pView->SetSeekPos(p);
  return hr;
}

HRESULT CPlayerCore::SetRate(double rate) {
  if (!Held()) return E_FAIL;
  const HRESULT hr = m_pEngine->PutRate(rate);
  if (Succeeded(hr)) {
    m_dRate = rate;
    if (m_psCurrent == kPsRunning) WatchRate();
  } else {
    m_strError = m_pView->LoadText(kIdsSpeedNotSupported);
    m_pView->ShowMessage(m_strError);
  }
  return hr;
}

HRESULT CPlayerCore::ToggleMute() {
  if (!Held()) return 0;
  int32_t volume = m_lVolume;
  HRESULT hr = m_pEngine->GetVolume(&volume);
  if (hr == E_NOTIMPL) {
    m_pView->ShowLangMessage("IDS_MSG_VIDEO_ONLY", kIdsVideoOnly);
    return 0;
  }
  if (Failed(hr)) {
    m_pView->ShowLangMessage("IDS_MSG_FAIL_READ_AUDIO_VOLUME", kIdsFailReadVolume);
    return hr;
  }
  m_lVolume = volume == 0 ? kVolumeSilence : 0;
  hr = m_pEngine->PutVolume(m_lVolume);
  if (Failed(hr)) m_strError = FormatErrorText(kErrPutVolume, hr);
  return hr;
}

void CPlayerCore::CheckVisibility() {
  if (!Held()) {
    m_bAudioOnly = 1;
    return;
  }
  m_bAudioOnly = 0;
  bool visible = false;
  const HRESULT hr = m_pEngine->GetVisible(&visible);
  if (hr == E_NOINTERFACE)
    m_bAudioOnly = 1;
  else if (Failed(hr))
    m_strError = FormatErrorText(kErrGetVisible, hr);
}

HRESULT CPlayerCore::HandleGraphEvent() {
  if (!Held()) return 0;
  HRESULT hr = 0;
  int32_t code = 0;
  intptr_t p1 = 0, p2 = 0;
  while (Succeeded(m_pEngine->GetEvent(&code, &p1, &p2, 0))) {
    if (code == EC_ERRORABORT) {
      const std::string reason = p2 ? reinterpret_cast<const char*>(p2) : "";
      hr = m_pEngine->FreeEventParams(code, p1, p2);
      EndOnError(static_cast<HRESULT>(p1), reason.c_str());
      continue;
    }
    hr = m_pEngine->FreeEventParams(code, p1, p2);
    if (code == EC_COMPLETE && !(m_fnEndOfStream && m_psCurrent == kPsRunning && m_fnEndOfStream()))
      PlaybackCommand(kCmdStop);
  }
  return hr;
}

// A stream that fails while playing ends as its end would, and the user is told why.
void CPlayerCore::EndOnError(HRESULT hr, const char* reason) {
  if (!m_bOpen) return;
  PlaybackCommand(kCmdStop);
  m_strError = PlaybackErrorText(m_szFile, hr, reason ? reason : "");
  m_pView->ShowStatus(m_strError);
}

std::vector<uint8_t> CPlayerCore::CaptureFrame() {
  int32_t size = 0;
  if (!Held() || Failed(m_pEngine->GetCurrentImage(&size, nullptr)) || size <= 0) return {};
  std::vector<uint8_t> buffer(static_cast<size_t>(size));
  if (m_pEngine->GetCurrentImage(&size, buffer.data()) == E_FAIL) return {};
  buffer.resize(static_cast<size_t>(size));
  return buffer;
}

std::vector<uint8_t> CPlayerCore::CaptureForSnapshot() {
  if (!Held() || !m_bOpen) return {};
  WaitSeekIdle();  // a seek still under way would change the frame after the capture
  int32_t state = 0;
  if (m_pEngine->GetState(kPauseSettleMs, &state) != S_OK) return {};
  if (state == State_Running) {
    PlaybackCommand(kCmdPause);
    if (m_pEngine->GetState(kPauseSettleMs, &state) != S_OK || state == State_Running) return {};
  }
  // The caption's time is the captured frame's own.
  if (SyncToShownFrame(true)) DrawClock();
  return CaptureFrame();
}

// Both ticks follow the frame on screen: the seek bar, the position and the time move together.
void CPlayerCore::OnPositionTick() {
  if (!Held()) return;
  if (SyncToShownFrame(true)) DrawClock();
  if (m_psCurrent == kPsRunning) CheckRate();
}

void CPlayerCore::WatchRate() {
  EndRateWatch();
  m_rateWatch.Start(m_dRate, m_nowMs(), m_llPosition);
}

void CPlayerCore::CheckRate() {
  const CRateWatch::Verdict v = m_rateWatch.Update(m_nowMs(), m_llPosition);
  if (!v.judged) return;
  if (!v.held) {
    m_pView->ShowStatus(RateNotHeldText(m_dRate, v.reached));
    m_bRateNoted = true;
  } else if (m_bRateNoted) {
    m_pView->ShowStatus({});
    m_bRateNoted = false;
  }
}

void CPlayerCore::EndRateWatch() {
  m_rateWatch.Stop();
  if (!m_bRateNoted) return;
  m_pView->ShowStatus({});
  m_bRateNoted = false;
}

void CPlayerCore::OnClockTick() {
  if (!Held()) return;
  SyncToShownFrame(true);
  DrawClock();
}

void CPlayerCore::OnFrameShown() {
  if (m_psCurrent != kPsRunning || !m_bOpen) return;
  if (SyncToShownFrame(true)) DrawClock();
}

void CPlayerCore::OnSpeedCommand(uint32_t id) {
  if (!m_bOpen) return;
  if (const SpeedEntry* s = FindSpeed(id)) {
    if (Succeeded(SetRate(s->rate))) m_pView->SetSpeedText(s->suffix);
  }
  m_pView->RepaintInfo();
}

void CPlayerCore::OnSeekRequest() {
  if (!m_bOpen) return;
  Transport(kCmdPause, false);
  ++m_nSeeksRequested;
  m_hSeekEvent.Set();
}

void CPlayerCore::OnKey(WPARAM key) {
  const KeyCommand k = MapPlayerKey(key);
  switch (k.action) {
    case KeyAction::kStepFrames: StepFrames(k.frames); break;
    case KeyAction::kRateDown: SetRate(GetRate() - kRateKeyStep); break;
    case KeyAction::kRateUp: SetRate(GetRate() + kRateKeyStep); break;
    case KeyAction::kRateNormal: SetRate(1.0); break;
    case KeyAction::kToggleMute: ToggleMute(); break;
    case KeyAction::kPause: PlaybackCommand(kCmdPause); break;
    case KeyAction::kClose: CloseClip(); break;
    case KeyAction::kNone: break;
  }
}

void CPlayerCore::PauseForJump() {
  if (m_psCurrent != kPsRunning) {
    m_nResume = 1;
  } else {
    m_nResume = 2;
    PlaybackCommand(kCmdPause);
  }
}

void CPlayerCore::ResumeAfterJump() {
  if (m_nResume == 2) {
    PlaybackCommand(kCmdPlay);
    m_nResume = 1;
  }
}

void CPlayerCore::Forward() {
  if (!m_bOpen) return;
  WaitSeekIdle();
  PauseForJump();
  NextEvent();
  ResumeAfterJump();
}

void CPlayerCore::Backward() {
  if (!m_bOpen) return;
  WaitSeekIdle();
  PauseForJump();
  PrevEvent();
  ResumeAfterJump();
}

HRESULT CPlayerCore::JumpTo(time32 target) {
  const int64_t t = JumpSeekTime(target, m_tStart);
  const HRESULT hr = SeekTo(t);
  if (Succeeded(hr)) m_pView->SetSeekPos(JumpSeekBarPos(t, m_llFrameTime));
  return hr;
}

HRESULT CPlayerCore::NextEvent() {
  const time32 now = AddSeconds(m_tStart, m_llPosition);
  m_tCurrent = now;
  if (!HasEvents(m_pEvents.get())) return StepFrames(FallbackStepFrames(m_llFrameTime, true));
  return JumpTo(NextEventTarget(*m_pEvents, now, m_tEnd));
}

HRESULT CPlayerCore::PrevEvent() {
  const time32 now = AddSeconds(m_tStart, m_llPosition);
  m_tCurrent = now;
  if (!HasEvents(m_pEvents.get())) return StepFrames(FallbackStepFrames(m_llFrameTime, false));
  return JumpTo(PrevEventTarget(*m_pEvents, now, m_tStart));
}

HRESULT CPlayerCore::ShowFrameAt(int64_t offset, bool play, bool pause) {
  if (!m_bOpen || !Held()) return E_FAIL;
  WaitSeekIdle();
  PauseForJump();
  const int64_t n = OffsetToFrame(offset, m_llFrameTime, m_llFrames);
  const HRESULT hr = SeekToFrame(n);
  if (Succeeded(hr)) m_pView->SetSeekPos(n);
  if (pause) m_nResume = 1;
  ResumeAfterJump();
  if (play && m_psCurrent != kPsRunning) PlaybackCommand(kCmdPlay);
  return hr;
}

}  // namespace vt
