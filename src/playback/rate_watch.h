// Whether playback keeps up with the rate asked for, judged from the frames shown: when the
// decoder cannot keep up, the engine shows every frame it decodes rather than none, and the
// picture moves slower than asked. The Player then says so on the status line.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

namespace vt {

// The rate is judged over the last this many ms of wall time, and not before that long has
// passed since playing started or the rate changed.
constexpr int64_t kRateJudgeMs = 2000;
// Reaching less than this share of the asked rate counts as not holding it.
constexpr double kRateHeldShare = 0.8;

class CRateWatch {
 public:
  // Playing starts (or the rate changes while playing) at wall time nowMs with the frame at
  // position (100 ns) on screen.
  void Start(double rate, int64_t nowMs, int64_t position);
  void Stop() { m_samples.clear(); }

  struct Verdict {
    bool judged = false;  // enough time has passed to tell
    bool held = true;
    double reached = 0;   // recording seconds per wall second over the window
  };
  // A frame at position is on screen at nowMs.
  Verdict Update(int64_t nowMs, int64_t position);

 private:
  struct Sample {
    int64_t ms, position;
  };
  double m_dRate = 1;
  std::deque<Sample> m_samples;
};

// Status line text while the rate cannot be held: "x16 is faster than this computer can decode:
// playing at about x4.2".
std::string RateNotHeldText(double asked, double reached);

}  // namespace vt
