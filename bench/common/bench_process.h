// Measurements that need a process of their own: a fresh process sees memory as the program does
// when it starts (no pages left over from earlier rounds), and its peak memory is its own.
#pragma once

#include <sys/resource.h>

#include <string>
#include <vector>

namespace vt::bench {

// Runs this benchmark's own executable with args and returns what it printed on stdout; empty
// when it could not be run or did not exit with 0.
std::string RunSelf(const std::vector<std::string>& args);

// Runs the program argv[0] (a path) with argv, stdout to outPath (empty: /dev/null) and, when
// quiet, stderr to /dev/null. True when it exited with 0; its resource use (peak memory in
// ru_maxrss, KiB) in *usage when given. A child's peak includes the memory of the process it
// was forked from: to measure a program's own, run this from a small process.
bool RunProgram(const std::vector<std::string>& argv, const std::string& outPath, bool quiet,
                struct rusage* usage = nullptr);

// Resident memory of this process from /proc/self/status, in KiB: now (VmRSS) and at its
// peak (VmHWM).
long CurrentRssKb();
long PeakRssKb();

}  // namespace vt::bench
