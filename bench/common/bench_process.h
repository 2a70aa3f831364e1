// Measurements that need a process of their own: a fresh process sees memory as the program does
// when it starts (no pages left over from earlier rounds), and its peak memory is its own.
#pragma once

#include <string>
#include <vector>

namespace vt::bench {

// Runs this benchmark's own executable with args and returns what it printed on stdout; empty
// when it could not be run or did not exit with 0.
std::string RunSelf(const std::vector<std::string>& args);

// Resident memory of this process from /proc/self/status, in KiB: now (VmRSS) and at its
// peak (VmHWM).
long CurrentRssKb();
long PeakRssKb();

}  // namespace vt::bench
