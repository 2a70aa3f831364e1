// What every benchmark prints and how it ends: ours and an outside reference timed in
// alternating rounds, the median ratio with its min/max, goals checked at the end. A missed
// goal makes the exit status 1.
//
// VT_BENCH_GOAL_SCALE=F (default 1) tightens (F < 1) or loosens (F > 1) every goal: a ceiling
// becomes ceiling x F, a floor becomes floor / F. It shows that a missed goal really fails.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace vt::bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Stats {
  double median = 0, min = 0, max = 0;
  size_t n = 0;
};
Stats Summarize(std::vector<double> values);

// Per-round mean times (ms per call) of ours and the reference, and their ratios.
struct Rounds {
  std::vector<double> ours, ref, ratio;
  Stats Ours() const { return Summarize(ours); }
  Stats Ref() const { return Summarize(ref); }
  Stats Ratio() const { return Summarize(ratio); }
};

// rounds rounds of reps calls each of ours and of ref; which one goes first alternates from
// round to round, so that the machine's load weighs on both alike.
Rounds Alternate(int rounds, int reps, const std::function<void()>& ours, const std::function<void()>& ref);
// The same where one call times itself (returns ms), for work that needs set-up outside the
// timed part.
Rounds AlternateTimed(int rounds, const std::function<double()>& ours, const std::function<double()>& ref);

// "label  ours 1.23 ms  ref 1.00 ms  ours/ref median 1.23 (min 1.10, max 1.40, 15 rounds)"
void PrintRounds(const std::string& label, const Rounds& r);

class CGoals {
 public:
  CGoals();
  // Checks value against the goal (scaled), prints one line, remembers a miss.
  bool AtMost(const std::string& what, double value, double ceiling);
  bool AtLeast(const std::string& what, double value, double floor);
  // Prints the summary line; 0 when every goal was met, 1 otherwise.
  int Finish() const;
  double Scale() const { return m_dScale; }

 private:
  double m_dScale = 1.0;
  int m_nChecked = 0;
  int m_nMissed = 0;
};

}  // namespace vt::bench
