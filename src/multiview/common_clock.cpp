#include "multiview/common_clock.h"

#include <cmath>

namespace vt {

time32 SecondsOf(int64_t ticks) {
  int64_t s = ticks / kTicksPerSecond;
  if (ticks % kTicksPerSecond < 0) --s;
  return static_cast<time32>(s);
}

void CCommonClock::Set(int64_t t) {
  m_bRunning = false;
  m_llT0 = t;
}

int64_t CCommonClock::Run(int64_t monoNow, double rate, int64_t leadNs) {
  m_llT0 = Now(monoNow);
  m_llMono0 = monoNow + (leadNs > 0 ? leadNs : 0);
  m_dRate = rate > 0 ? rate : 1.0;
  m_bRunning = true;
  return m_llMono0;
}

int64_t CCommonClock::Pause(int64_t monoNow) {
  m_llT0 = Now(monoNow);
  m_bRunning = false;
  return m_llT0;
}

int64_t CCommonClock::Now(int64_t monoNow) const {
  if (!m_bRunning || monoNow <= m_llMono0) return m_llT0;
  // ns x rate into 100 ns units; the elapsed part is small enough for a double to hold exactly.
  return m_llT0 + std::llround(static_cast<double>(monoNow - m_llMono0) * m_dRate / 100.0);
}

int64_t CCommonClock::MonoAt(int64_t t) const {
  if (t <= m_llT0) return m_llMono0;
  return m_llMono0 + std::llround(static_cast<double>(t - m_llT0) * 100.0 / m_dRate);
}

}  // namespace vt
