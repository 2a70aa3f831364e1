#include "platform/heap.h"

#include <malloc.h>

#include <cstdio>

namespace vt {

void ReturnFreedMemory(size_t freedBytes) {
  if (freedBytes >= kReturnMemoryAbove) ::malloc_trim(0);
}

uint64_t AvailableMemoryBytes() {
  std::FILE* f = std::fopen("/proc/meminfo", "re");
  if (!f) return 0;
  char line[256];
  unsigned long long kb = 0;
  while (std::fgets(line, sizeof line, f))
    if (std::sscanf(line, "MemAvailable: %llu kB", &kb) == 1) break;
  std::fclose(f);
  return static_cast<uint64_t>(kb) * 1024;
}

}  // namespace vt
