#include "playback/riff_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/win_types.h"

namespace vt {

namespace {
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
}  // namespace

CRiffReader::~CRiffReader() { Close(); }

bool CRiffReader::Open(const std::string& path) {
  Close();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  m_fd = fd;
  m_size = static_cast<uint64_t>(st.st_size);
  return true;
}

void CRiffReader::OpenMemory(const uint8_t* data, size_t size) {
  Close();
  static const uint8_t kEmpty = 0;
  m_mem = data ? data : &kEmpty;
  m_size = data ? size : 0;
}

void CRiffReader::Close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_mem = nullptr;
  m_size = 0;
  m_pos = 0;
  m_limits.clear();
}

size_t CRiffReader::ReadAt(uint64_t pos, void* buf, size_t n) const {
  if (pos >= m_size) return 0;
  n = static_cast<size_t>(std::min<uint64_t>(n, m_size - pos));
  if (m_mem) {
    std::memcpy(buf, m_mem + pos, n);
    return n;
  }
  size_t done = 0;
  while (done < n) {
    ssize_t r = ::pread(m_fd, static_cast<uint8_t*>(buf) + done, n - done, static_cast<off_t>(pos + done));
    if (r <= 0) break;
    done += static_cast<size_t>(r);
  }
  return done;
}

bool CRiffReader::Descend(RiffChunk* ck, const RiffChunk* parent, uint32_t flags) {
  if (!IsOpen() || !ck) return false;
  const uint32_t wantId = (flags & kFindList) ? MakeFourCC('L', 'I', 'S', 'T') : MakeFourCC('R', 'I', 'F', 'F');
  const bool byType = (flags & (kFindList | kFindRiff)) != 0;
  uint64_t end = Limit();
  if (parent) end = std::min(end, parent->dwDataOffset + parent->cksize);
  uint64_t pos = m_pos;
  while (pos + 8 <= end) {
    uint8_t head[12];
    if (ReadAt(pos, head, 8) != 8) return false;
    const uint32_t id = Le32(head);
    const uint32_t size = Le32(head + 4);
    const uint64_t next = pos + 8 + size + (size & 1u);
    if (!byType || id == wantId) {
      uint32_t type = 0;
      if (byType) {
        if (size < 4 || ReadAt(pos + 8, head + 8, 4) != 4) {
          pos = next;
          continue;
        }
        type = Le32(head + 8);
      }
      if (!byType || type == ck->fccType) {
        ck->ckid = id;
        ck->cksize = size;
        ck->fccType = type;
        ck->dwDataOffset = pos + 8;
        m_pos = pos + 8 + (byType ? 4 : 0);
        m_limits.push_back(std::min(end, pos + 8 + size));
        return true;
      }
    }
    pos = next;
  }
  return false;
}

bool CRiffReader::Ascend(const RiffChunk& ck) {
  if (!IsOpen()) return false;
  if (!m_limits.empty()) m_limits.pop_back();
  m_pos = ck.dwDataOffset + ck.cksize + (ck.cksize & 1u);
  return true;
}

size_t CRiffReader::Read(void* buf, size_t n) {
  if (!IsOpen() || !buf) return 0;
  const uint64_t limit = Limit();
  if (m_pos >= limit) return 0;
  n = static_cast<size_t>(std::min<uint64_t>(n, limit - m_pos));
  size_t got = ReadAt(m_pos, buf, n);
  m_pos += got;
  return got;
}

bool CRiffReader::Seek(uint64_t pos) {
  if (!IsOpen()) return false;
  m_pos = pos;
  return true;
}

}  // namespace vt
