#include "playback/rate_watch.h"

#include <cstdio>

#include "playback/player_logic.h"

namespace vt {

void CRateWatch::Start(double rate, int64_t nowMs, int64_t position) {
  m_dRate = rate;
  m_samples.clear();
  m_samples.push_back({nowMs, position});
}

CRateWatch::Verdict CRateWatch::Update(int64_t nowMs, int64_t position) {
  Verdict v;
  if (m_samples.empty()) return v;
  m_samples.push_back({nowMs, position});
  if (nowMs - m_samples.front().ms < kRateJudgeMs) return v;
  // Keep the oldest sample that still spans the whole window.
  while (m_samples.size() > 2 && nowMs - m_samples[1].ms >= kRateJudgeMs) m_samples.pop_front();
  const Sample& first = m_samples.front();
  v.judged = true;
  v.reached = static_cast<double>(position - first.position) / kUnitsPerSecond * 1000.0 / static_cast<double>(nowMs - first.ms);
  v.held = v.reached >= m_dRate * kRateHeldShare;
  return v;
}

std::string RateNotHeldText(double asked, double reached) {
  char text[128];
  std::snprintf(text, sizeof text, "x%g is faster than this computer can decode: playing at about x%.1f", asked, reached);
  return text;
}

}  // namespace vt
