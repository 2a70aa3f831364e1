#include "bench_report.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace vt::bench {

Stats Summarize(std::vector<double> v) {
  Stats s;
  if (v.empty()) return s;
  std::sort(v.begin(), v.end());
  s.n = v.size();
  s.min = v.front();
  s.max = v.back();
  s.median = v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
  return s;
}

Rounds AlternateTimed(int rounds, const std::function<double()>& ours, const std::function<double()>& ref) {
  Rounds r;
  for (int i = 0; i < rounds; ++i) {
    double o, f;
    if (i % 2 == 0) {
      o = ours();
      f = ref();
    } else {
      f = ref();
      o = ours();
    }
    r.ours.push_back(o);
    r.ref.push_back(f);
    r.ratio.push_back(f > 0 ? o / f : 0);
  }
  return r;
}

Rounds Alternate(int rounds, int reps, const std::function<void()>& ours, const std::function<void()>& ref) {
  auto timed = [reps](const std::function<void()>& f) {
    return [reps, &f] {
      const auto t0 = Clock::now();
      for (int i = 0; i < reps; ++i) f();
      return Ms(Clock::now() - t0) / reps;
    };
  };
  return AlternateTimed(rounds, timed(ours), timed(ref));
}

void PrintRounds(const std::string& label, const Rounds& r) {
  const Stats o = r.Ours(), f = r.Ref(), q = r.Ratio();
  std::printf("%-34s ours %9.3f ms  ref %9.3f ms  ours/ref median %.2f (min %.2f, max %.2f, %zu rounds)\n",
              label.c_str(), o.median, f.median, q.median, q.min, q.max, q.n);
}

CGoals::CGoals() {
  if (const char* s = std::getenv("VT_BENCH_GOAL_SCALE")) {
    const double v = std::atof(s);
    if (v > 0) m_dScale = v;
  }
  if (m_dScale != 1.0) std::printf("goals scaled by %.3g (VT_BENCH_GOAL_SCALE)\n", m_dScale);
}

bool CGoals::AtMost(const std::string& what, double value, double ceiling) {
  const double goal = ceiling * m_dScale;
  const bool ok = value <= goal;
  ++m_nChecked;
  if (!ok) ++m_nMissed;
  std::printf("goal %-50s %8.3f <= %-8.3g %s\n", what.c_str(), value, goal, ok ? "met" : "MISSED");
  return ok;
}

bool CGoals::AtLeast(const std::string& what, double value, double floor) {
  const double goal = floor / m_dScale;
  const bool ok = value >= goal;
  ++m_nChecked;
  if (!ok) ++m_nMissed;
  std::printf("goal %-50s %8.3f >= %-8.3g %s\n", what.c_str(), value, goal, ok ? "met" : "MISSED");
  return ok;
}

int CGoals::Finish() const {
  if (m_nMissed == 0)
    std::printf("all %d goals met\n", m_nChecked);
  else
    std::printf("%d of %d goals MISSED\n", m_nMissed, m_nChecked);
  std::fflush(stdout);
  return m_nMissed == 0 ? 0 : 1;
}

}  // namespace vt::bench
