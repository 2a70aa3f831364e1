// Interrupts a system call that blocks for longer than a test allows (SIGALRM without
// SA_RESTART, repeating), so that a call that wrongly waits fails on its duration instead of
// hanging the test.
#pragma once

#include <signal.h>
#include <sys/time.h>

namespace vt::test {

class AlarmGuard {
 public:
  explicit AlarmGuard(int ms) {
    struct sigaction sa {};
    sa.sa_handler = [](int) {};
    sigaction(SIGALRM, &sa, &old_);
    itimerval t{};
    t.it_value.tv_sec = ms / 1000;
    t.it_value.tv_usec = (ms % 1000) * 1000;
    t.it_interval = t.it_value;
    setitimer(ITIMER_REAL, &t, nullptr);
  }
  ~AlarmGuard() {
    itimerval off{};
    setitimer(ITIMER_REAL, &off, nullptr);
    sigaction(SIGALRM, &old_, nullptr);
  }
  AlarmGuard(const AlarmGuard&) = delete;
  AlarmGuard& operator=(const AlarmGuard&) = delete;

 private:
  struct sigaction old_ {};
};

}  // namespace vt::test
