#include "longwork/work_control.h"

namespace vt {

CWorkControl::CWorkControl(IMessageTarget* statusTarget)
    : m_pStatus(statusTarget), m_start(std::chrono::steady_clock::now()) {}

void CWorkControl::SetTotals(int64_t files, uint64_t bytes) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_progress.totalFiles = files;
  m_progress.totalBytes = bytes;
}

void CWorkControl::AddFiles(int64_t n) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_progress.files += n;
}

void CWorkControl::AddBytes(uint64_t n) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_progress.bytes += n;
}

void CWorkControl::SetPhase(const std::string& phase) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_phase = phase;
}

WorkProgress CWorkControl::Progress() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  WorkProgress p = m_progress;
  p.elapsedSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
  return p;
}

std::string CWorkControl::Phase() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_phase;
}

RdbWorkHooks CWorkControl::Hooks() {
  RdbWorkHooks hooks;
  hooks.onBytes = [this](uint64_t n) { AddBytes(n); };
  hooks.cancel = &m_cancel;
  return hooks;
}

bool CWorkControl::Post(uint32_t msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kMsgProgress && wParam == kProgressStep) AddFiles(1);
  return m_pStatus ? m_pStatus->Post(msg, wParam, lParam) : false;
}

LRESULT CWorkControl::Send(uint32_t msg, WPARAM wParam, LPARAM lParam) {
  Post(msg, wParam, lParam);
  return 0;
}

}  // namespace vt
