// An event that wakes one waiter and resets itself; several Set calls before the wait
// collapse into one wake-up.
#pragma once

#include <condition_variable>
#include <mutex>

namespace vt {

class CAutoResetEvent {
 public:
  void Set() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_bSignalled = true;
    }
    m_cv.notify_one();
  }
  void Wait() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cv.wait(lock, [this] { return m_bSignalled; });
    m_bSignalled = false;
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_cv;
  bool m_bSignalled = false;
};

}  // namespace vt
