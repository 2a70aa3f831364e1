// The one clock of the side-by-side grid: a wall-clock time that stands still while paused and
// runs at the playback rate while playing, read from a monotonic clock. Times are 100 ns units
// since 1970 (a recording starting at time value t begins at t x 10 000 000); the monotonic
// clock is read in ns. When the clock starts, or changes rate while running, it holds its time
// for a lead so that every camera can be ready to show its frame when the clock moves on.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

namespace vt {

inline constexpr int64_t kTicksPerSecond = 10000000;  // 100 ns units

// A time value (seconds) as 100 ns units, and back (floor).
inline int64_t TicksOf(time32 t) { return static_cast<int64_t>(t) * kTicksPerSecond; }
time32 SecondsOf(int64_t ticks);

class CCommonClock {
 public:
  bool IsRunning() const { return m_bRunning; }
  double Rate() const { return m_dRate; }

  // Paused at t.
  void Set(int64_t t);
  // Starts running (or, when running, goes on at rate) from its time now: it holds that time
  // until monoNow + leadNs and then runs at rate. Returns that start moment (monotonic ns).
  int64_t Run(int64_t monoNow, double rate, int64_t leadNs);
  // Stops at its time at monoNow, which it returns.
  int64_t Pause(int64_t monoNow);
  // The time at monoNow.
  int64_t Now(int64_t monoNow) const;
  // The monotonic moment at which the running clock reads t (the start moment for a t before
  // the time it started from). While paused: the start moment of the last run.
  int64_t MonoAt(int64_t t) const;
  // Where the clock started or stands: the time and the monotonic moment it leaves it.
  int64_t AnchorTime() const { return m_llT0; }
  int64_t AnchorMono() const { return m_llMono0; }

 private:
  bool m_bRunning = false;
  double m_dRate = 1.0;
  int64_t m_llT0 = 0;     // time (100 ns) at m_llMono0
  int64_t m_llMono0 = 0;  // ns
};

}  // namespace vt
