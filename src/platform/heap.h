// Memory that the program has freed, handed back to the system. The allocator keeps freed
// pages for reuse, so after leaving a camera of a million records the process would keep
// hundreds of MB it no longer uses.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vt {

// Structures at least this large hand their memory back when they are released.
constexpr size_t kReturnMemoryAbove = size_t{16} << 20;

// Returns the free pages of the heap to the system when freedBytes (what was just released)
// is at least kReturnMemoryAbove; smaller releases are left to the allocator.
void ReturnFreedMemory(size_t freedBytes);

// Memory the system can still give without swapping, the file cache it would drop included
// (MemAvailable); 0 when unknown.
uint64_t AvailableMemoryBytes();

}  // namespace vt
