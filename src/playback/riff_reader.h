// RIFF chunk walker over a file or a memory block. Searches behave like the classic multimedia
// file input: a search starts at the current position and skips non-matching chunks, so
// consecutive searches inside one form find lists only in their stored order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vt {

struct RiffChunk {
  uint32_t ckid = 0;
  uint32_t cksize = 0;        // bytes of data after the 8-byte header (form type included)
  uint32_t fccType = 0;       // form or list type of 'RIFF' and 'LIST' chunks
  uint64_t dwDataOffset = 0;  // file offset of the data (just after cksize)
};

class CRiffReader {
 public:
  static constexpr uint32_t kFindRiff = 0x20;
  static constexpr uint32_t kFindList = 0x40;

  CRiffReader() = default;
  ~CRiffReader();
  CRiffReader(const CRiffReader&) = delete;
  CRiffReader& operator=(const CRiffReader&) = delete;

  bool Open(const std::string& path);
  // The block must outlive the reader.
  void OpenMemory(const uint8_t* data, size_t size);
  void Close();
  bool IsOpen() const { return m_fd >= 0 || m_mem != nullptr; }

  // Finds the next 'RIFF' form (kFindRiff) or 'LIST' (kFindList) of type ck->fccType, from the
  // current position to the end of parent (or of the file). On success the position is just
  // after the type word and reads stop at the chunk's end.
  bool Descend(RiffChunk* ck, const RiffChunk* parent, uint32_t flags);
  // Leaves ck: the position moves past it (padded to an even size) and the read limit returns
  // to the enclosing chunk.
  bool Ascend(const RiffChunk& ck);
  // Reads up to n bytes, never past the innermost descended chunk or the file end.
  size_t Read(void* buf, size_t n);
  bool Seek(uint64_t pos);
  uint64_t Tell() const { return m_pos; }
  uint64_t Size() const { return m_size; }

 private:
  size_t ReadAt(uint64_t pos, void* buf, size_t n) const;
  uint64_t Limit() const { return m_limits.empty() ? m_size : m_limits.back(); }

  int m_fd = -1;
  const uint8_t* m_mem = nullptr;
  uint64_t m_size = 0;
  uint64_t m_pos = 0;
  std::vector<uint64_t> m_limits;  // end offsets of the descended chunks, innermost last
};

}  // namespace vt
