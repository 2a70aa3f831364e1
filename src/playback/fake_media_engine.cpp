#include "playback/fake_media_engine.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "playback/engine_errors.h"

namespace vt {

void CFakeMediaEngine::RaiseEvent(int32_t code, intptr_t p1, intptr_t p2) {
  m_events.push_back({code, p1, p2});
  if (m_pTarget) m_pTarget->Post(m_nMsg, 0, m_lParam);
}

HRESULT CFakeMediaEngine::RenderFile(const std::string& path) {
  calls.push_back("RenderFile " + path);
  Close();
  if (Failed(hrRender)) {
    m_strError = FormatErrorText(kErrRenderFile, hrRender);
    return hrRender;
  }
  strFile = path;
  m_bLoaded = true;
  nState = State_Paused;
  llPosition = 0;
  llShownPosition = -1;
  return S_OK;
}

void CFakeMediaEngine::Close() {
  m_bLoaded = false;
  nState = State_Stopped;
  m_events.clear();
  strFile.clear();
}

#define VT_FAKE_STEP(name, hr, newState)  \
  calls.push_back(name);                  \
  if (!m_bLoaded) return E_FAIL;          \
  if (Failed(hr)) return hr;              \
  nState = newState;                      \
  return S_OK

HRESULT CFakeMediaEngine::Run() { VT_FAKE_STEP("Run", hrRun, State_Running); }
HRESULT CFakeMediaEngine::Pause() { VT_FAKE_STEP("Pause", hrPause, State_Paused); }
HRESULT CFakeMediaEngine::Stop() { VT_FAKE_STEP("Stop", hrStop, State_Stopped); }
HRESULT CFakeMediaEngine::StopWhenReady() { VT_FAKE_STEP("StopWhenReady", hrStopWhenReady, State_Stopped); }
#undef VT_FAKE_STEP

HRESULT CFakeMediaEngine::GetState(int32_t, int32_t* state) {
  if (!state) return E_POINTER;
  *state = nState;
  return stateSettled ? S_OK : VFW_S_STATE_INTERMEDIATE;
}

HRESULT CFakeMediaEngine::SetPositions(int64_t t) {
  if (nSeekDelayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(nSeekDelayMs.load()));
  calls.push_back("SetPositions " + std::to_string(t));
  if (!m_bLoaded) return E_FAIL;
  if (Failed(hrSeek)) return hrSeek;
  llPosition = t;
  llShownPosition = llLastFrame >= 0 && t > llLastFrame ? llLastFrame : -1;
  return S_OK;
}

HRESULT CFakeMediaEngine::GetShownPosition(int64_t* t) {
  if (!t) return E_POINTER;
  if (!m_bLoaded) return E_FAIL;
  *t = llShownPosition >= 0 ? llShownPosition : llPosition;
  return S_OK;
}

HRESULT CFakeMediaEngine::GetCurrentPosition(int64_t* t) {
  if (!t) return E_POINTER;
  *t = llPosition;
  return m_bLoaded ? S_OK : E_FAIL;
}

HRESULT CFakeMediaEngine::GetDuration(int64_t* duration) {
  if (!duration) return E_POINTER;
  *duration = llDuration;
  return m_bLoaded ? S_OK : E_FAIL;
}

HRESULT CFakeMediaEngine::GetFrameCount(int64_t* frames) {
  if (!frames) return E_POINTER;
  *frames = llFrames;
  return m_bLoaded ? S_OK : E_FAIL;
}

HRESULT CFakeMediaEngine::PutRate(double rate) {
  calls.push_back("PutRate " + std::to_string(rate));
  if (!m_bLoaded || !acceptRate(rate)) return E_FAIL;
  dRate = rate;
  return S_OK;
}

HRESULT CFakeMediaEngine::GetRate(double* rate) {
  if (!rate) return E_POINTER;
  *rate = dRate;
  return S_OK;
}

HRESULT CFakeMediaEngine::GetVolume(int32_t* volume) {
  if (!volume) return E_POINTER;
  if (Failed(hrGetVolume)) return hrGetVolume;
  if (!bHasAudio) return E_NOTIMPL;
  *volume = lVolume;
  return S_OK;
}

HRESULT CFakeMediaEngine::PutVolume(int32_t volume) {
  calls.push_back("PutVolume " + std::to_string(volume));
  if (!bHasAudio) return E_NOTIMPL;
  if (volume > 0 || volume < -10000) return E_FAIL;
  lVolume = volume;
  return S_OK;
}

HRESULT CFakeMediaEngine::GetVideoSize(int32_t* width, int32_t* height) {
  if (!width || !height) return E_POINTER;
  if (!bHasVideo) return E_NOINTERFACE;
  *width = nWidth;
  *height = nHeight;
  return S_OK;
}

HRESULT CFakeMediaEngine::GetVisible(bool* visible) {
  if (!visible) return E_POINTER;
  if (!bHasVideo) return E_NOINTERFACE;
  *visible = true;
  return S_OK;
}

HRESULT CFakeMediaEngine::GetCurrentImage(int32_t* size, uint8_t* buffer) {
  // A 32-bit frame whose pixels all hold the number of the frame on screen, bytes B,G,R,x.
  if (!size) return E_POINTER;
  if (!m_bLoaded || !bHasVideo || nWidth <= 0 || nHeight <= 0) return E_FAIL;
  const int32_t need = static_cast<int32_t>(sizeof(BITMAPINFOHEADER)) + nWidth * nHeight * 4;
  if (!buffer) {
    *size = need;
    return S_OK;
  }
  if (*size < need) return E_FAIL;
  BITMAPINFOHEADER bih{};
  bih.biSize = sizeof bih;
  bih.biWidth = nWidth;
  bih.biHeight = nHeight;
  bih.biPlanes = 1;
  bih.biBitCount = 32;
  bih.biCompression = BI_RGB;
  bih.biSizeImage = static_cast<uint32_t>(nWidth * nHeight * 4);
  std::memcpy(buffer, &bih, sizeof bih);
  const int64_t frameTime = llFrames > 0 ? llDuration / llFrames : 0;
  const int64_t shown = llShownPosition >= 0 ? llShownPosition : llPosition;
  const auto frame = static_cast<uint8_t>(frameTime > 0 ? shown / frameTime : 0);
  std::memset(buffer + sizeof bih, frame, bih.biSizeImage);
  return S_OK;
}

HRESULT CFakeMediaEngine::SetNotifyWindow(IMessageTarget* target, uint32_t msg, LPARAM lParam) {
  m_pTarget = target;
  m_nMsg = msg;
  m_lParam = lParam;
  return S_OK;
}

HRESULT CFakeMediaEngine::GetEvent(int32_t* code, intptr_t* param1, intptr_t* param2, int32_t) {
  if (!code || !param1 || !param2) return E_POINTER;
  if (m_events.empty()) return E_FAIL;
  *code = m_events.front().code;
  *param1 = m_events.front().p1;
  *param2 = m_events.front().p2;
  m_events.pop_front();
  return S_OK;
}

}  // namespace vt
