#include "app/product_stamp.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "res/stamp_layout.h"

namespace vt {
namespace {

using res::kStampCodeLength;
using res::kStampCodeOffset;
using res::kStampMagicSize;
using res::kStampSize;
using res::kStampWordOffset;

constexpr size_t kChunkSize = 1 << 20;

// The magic, masked; the mask is read at run time so the compiler cannot fold the plain text.
constexpr uint8_t kMaskedMagic[kStampMagicSize] = {0xF1, 0xCD, 0xC4, 0xCB, 0xCE, 0x85, 0xDC, 0xCA, 0xD0, 0x85,
                                                   0xD1, 0xCA, 0x85, 0xC6, 0xCD, 0xCA, 0xCA, 0xD6, 0xC0, 0x85,
                                                   0xEE, 0xC0, 0xC9, 0xD3, 0xC4, 0xCB, 0xC0, 0x84};
volatile uint8_t g_magicMask = 0xA5;

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Reads up to n bytes; fewer only at the end of the file. -1 on error.
ssize_t ReadFull(int fd, uint8_t* p, size_t n) {
  size_t done = 0;
  while (done < n) {
    ssize_t r = ::read(fd, p + done, n - done);
    if (r < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (r == 0) break;
    done += static_cast<size_t>(r);
  }
  return static_cast<ssize_t>(done);
}

}  // namespace

std::string ProductStampMagic() {
  std::string m(kStampMagicSize, '\0');
  for (size_t i = 0; i < kStampMagicSize; ++i) m[i] = static_cast<char>(kMaskedMagic[i] ^ g_magicMask);
  return m;
}

int CProductStamp::Read(const std::string& filePath) {
  Fd fd(::open(filePath.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return 0;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  if (size <= kStampSize) return 0;
  // Start positions p with p < size - 53: the block must be followed by at least one byte.
  const uint64_t endPos = size - kStampSize;

  const std::string magic = ProductStampMagic();
  std::vector<uint8_t> buf(kChunkSize + kStampSize);
  size_t held = 0;       // bytes in buf
  uint64_t base = 0;     // file offset of buf[0]
  uint64_t total = 0;    // bytes read so far
  while (total < size) {
    ssize_t n = ReadFull(fd.get(), buf.data() + held, kChunkSize);
    if (n <= 0) return 0;  // error, or the file is shorter than its size said
    held += static_cast<size_t>(n);
    total += static_cast<uint64_t>(n);
    // Positions whose whole block is in the buffer (all of them at the end of the file).
    const size_t last = held >= kStampSize ? held - kStampSize : 0;
    for (size_t p = 0; held >= kStampSize && p <= last && base + p < endPos; ++p) {
      const void* hit = std::memchr(buf.data() + p, magic[0], last + 1 - p);
      if (!hit) break;
      p = static_cast<size_t>(static_cast<const uint8_t*>(hit) - buf.data());
      if (base + p >= endPos) break;
      if (std::memcmp(buf.data() + p, magic.data(), kStampMagicSize) != 0) continue;
      const uint8_t* w = buf.data() + p + kStampWordOffset;
      m_dwStamp = static_cast<uint32_t>(w[0]) | (static_cast<uint32_t>(w[1]) << 8) |
                  (static_cast<uint32_t>(w[2]) << 16) | (static_cast<uint32_t>(w[3]) << 24);
      const char* code = reinterpret_cast<const char*>(buf.data() + p + kStampCodeOffset);
      m_strCode.assign(code, strnlen(code, kStampCodeLength));
      return 1;
    }
    // Keep the tail whose blocks are not complete yet.
    if (held >= kStampSize) {
      const size_t keep = kStampSize - 1;
      std::memmove(buf.data(), buf.data() + held - keep, keep);
      base += held - keep;
      held = keep;
    }
  }
  return 0;
}

int CProductStamp::GetEdition() const {
  if (m_strCode.size() < 4) return 0;
  const char c = m_strCode[3];
  return (c >= '0' && c <= '9') ? c - '0' : 0;
}

void CProductStamp::GetVersion(std::string* major, std::string* minor) const {
  if (major) *major = m_strCode.size() > 4 ? m_strCode.substr(4, 1) : std::string();
  if (minor) *minor = m_strCode.size() > 5 ? m_strCode.substr(5, 1) : std::string();
}

int CProductStamp::GetBuildDate(std::string* text) const {
  if (!text || m_strCode.size() != kStampCodeLength) return 0;
  *text = "20" + m_strCode.substr(12, 2) + "/" + m_strCode.substr(14, 2) + "/" + m_strCode.substr(16, 2);
  return 1;
}

}  // namespace vt
