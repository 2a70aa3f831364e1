// SHA-256 of byte streams and files (libcrypto; uses the CPU's SHA instructions where present).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vt {

class CSha256 {
 public:
  CSha256();
  ~CSha256();
  CSha256(const CSha256&) = delete;
  CSha256& operator=(const CSha256&) = delete;

  void Update(const void* data, size_t size);
  // 64 lower-case hex digits; the object starts over afterwards.
  std::string FinalHex();

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

std::string Sha256Hex(const void* data, size_t size);

// Hash of a whole file, read sequentially. bytesRead (may be empty) is told the count after each
// block; cancel (may be null) stops the reading. False with a reason in *error when the file
// cannot be opened or read, or when cancelled.
bool Sha256File(const std::string& path, std::string* hex, uint64_t* size, std::string* error,
                const std::function<void(uint64_t bytesRead)>& bytesRead = {},
                const std::atomic<bool>* cancel = nullptr);

// The same over an open file from its first byte (read with pread; the file position is not used).
bool Sha256Fd(int fd, std::string* hex, uint64_t* size, std::string* error,
              const std::function<void(uint64_t bytesRead)>& bytesRead = {}, const std::atomic<bool>* cancel = nullptr);

}  // namespace vt
