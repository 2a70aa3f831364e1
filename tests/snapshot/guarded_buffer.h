// A byte buffer whose last byte sits right before an inaccessible page, so that reading one byte
// past the end faults in any build, not only under AddressSanitizer.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>

class GuardedBuffer {
 public:
  GuardedBuffer(const uint8_t* data, size_t size) : size_(size), capacity_(size) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    dataPages_ = (size + page - 1) / page;
    if (dataPages_ == 0) dataPages_ = 1;
    mapSize_ = (dataPages_ + 1) * page;
    void* m = mmap(nullptr, mapSize_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m == MAP_FAILED) throw std::runtime_error("mmap");
    map_ = static_cast<uint8_t*>(m);
    mprotect(map_ + dataPages_ * page, page, PROT_NONE);
    begin_ = map_ + dataPages_ * page - size;
    if (size) std::memcpy(begin_, data, size);
  }
  ~GuardedBuffer() { munmap(map_, mapSize_); }
  GuardedBuffer(const GuardedBuffer&) = delete;
  GuardedBuffer& operator=(const GuardedBuffer&) = delete;
  // Puts the first size bytes of data (size at most the capacity given at construction) right
  // before the guard page.
  void Refill(const uint8_t* data, size_t size) {
    if (size > capacity_) throw std::runtime_error("GuardedBuffer too small");
    begin_ = map_ + dataPages_ * static_cast<size_t>(sysconf(_SC_PAGESIZE)) - size;
    size_ = size;
    if (size) std::memcpy(begin_, data, size);
  }
  const uint8_t* data() const { return begin_; }
  size_t size() const { return size_; }

 private:
  uint8_t* map_ = nullptr;
  uint8_t* begin_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
  size_t dataPages_ = 0;
  size_t mapSize_ = 0;
};
