// The link between long work on a worker thread and the window that follows it: the cancel
// flag, the counts the progress dialog reads, and the progress messages of the status bar,
// posted (never sent) to the main window so the worker never runs window code.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

#include "longwork/work_progress.h"
#include "platform/message.h"
#include "recorddb/record_db.h"

namespace vt {

class CWorkControl : public IMessageTarget {
 public:
  // statusTarget receives the progress messages by Post; may be null.
  explicit CWorkControl(IMessageTarget* statusTarget = nullptr);

  void Cancel() { m_cancel = true; }
  bool IsCancelled() const { return m_cancel.load(); }
  const std::atomic<bool>* CancelFlag() const { return &m_cancel; }

  // Any thread.
  void SetTotals(int64_t files, uint64_t bytes);
  void AddFiles(int64_t n);
  void AddBytes(uint64_t n);
  void SetPhase(const std::string& phase);
  WorkProgress Progress() const;  // with the time elapsed since construction
  std::string Phase() const;

  // Hooks for a database working on this thread's behalf: bytes are counted, the flag stops it.
  RdbWorkHooks Hooks();

  // IMessageTarget: progress messages reach the status bar by Post; each step of the progress
  // message also counts one file.
  bool Post(uint32_t msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT Send(uint32_t msg, WPARAM wParam, LPARAM lParam) override;

 private:
  IMessageTarget* m_pStatus;
  std::atomic<bool> m_cancel{false};
  const std::chrono::steady_clock::time_point m_start;
  mutable std::mutex m_mutex;  // guards what follows
  WorkProgress m_progress;
  std::string m_phase;
};

}  // namespace vt
