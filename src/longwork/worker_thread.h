// One piece of work on a thread of its own, for a window that polls it: started, done, joined.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace vt {

class CWorkerThread {
 public:
  CWorkerThread() = default;
  // Waits for the work: whatever it uses must outlive it.
  ~CWorkerThread() { Join(); }
  CWorkerThread(const CWorkerThread&) = delete;
  CWorkerThread& operator=(const CWorkerThread&) = delete;

  // The previous work must have been joined.
  void Start(std::function<void()> work) {
    m_done = false;
    m_thread = std::thread([this, work = std::move(work)] {
      work();
      m_done = true;
    });
  }
  // Started and not yet joined.
  bool IsRunning() const { return m_thread.joinable(); }
  // The work has returned (join it to see what it wrote).
  bool IsDone() const { return m_done.load(); }
  void Join() {
    if (m_thread.joinable()) m_thread.join();
  }

 private:
  std::thread m_thread;
  std::atomic<bool> m_done{false};
};

}  // namespace vt
