#include "platform/heap.h"

#include <malloc.h>

namespace vt {

void ReturnFreedMemory(size_t freedBytes) {
  if (freedBytes >= kReturnMemoryAbove) ::malloc_trim(0);
}

}  // namespace vt
