#include "multiview/drift_watch.h"

namespace vt {

int64_t FramesBehind(int64_t clock, int64_t shownStart, int64_t frameTime) {
  if (frameTime <= 0) return 0;
  const int64_t d = clock - shownStart;
  return d >= 0 ? d / frameTime : -((-d + frameTime - 1) / frameTime);
}

int64_t PictureLag(int64_t clock, int64_t shownStart, int64_t frameTime) {
  if (clock < shownStart) return clock - shownStart;
  const int64_t end = shownStart + (frameTime > 0 ? frameTime : 0);
  return clock >= end ? clock - end : 0;
}

void CDriftWatch::Restart(int64_t dueNs) {
  m_resyncs.clear();
  m_bKeyOnly = false;
  m_llGraceUntil = dueNs + kStartGraceNs;
}

DriftAction CDriftWatch::Judge(int64_t monoNow, int64_t lagNs) {
  if (monoNow < m_llGraceUntil) return DriftAction::kNone;
  // Key frames come seconds apart: no reason to seek; after a while every frame is tried again.
  if (m_bKeyOnly) return monoNow - m_llKeyOnlySince > kKeyOnlyRetryNs ? DriftAction::kAllFrames : DriftAction::kNone;
  if (lagNs <= kResyncLagNs) return DriftAction::kNone;
  while (!m_resyncs.empty() && monoNow - m_resyncs.front() > kKeyOnlyWindowNs) m_resyncs.pop_front();
  return static_cast<int>(m_resyncs.size()) >= kResyncsBeforeKeyOnly ? DriftAction::kKeyFramesOnly
                                                                      : DriftAction::kResync;
}

void CDriftWatch::Resynced(int64_t monoNow, int64_t dueNs, bool keyOnly) {
  m_resyncs.push_back(monoNow);
  if (keyOnly && !m_bKeyOnly) m_llKeyOnlySince = monoNow;
  m_bKeyOnly = keyOnly;
  m_llGraceUntil = dueNs + kStartGraceNs;
}

}  // namespace vt
