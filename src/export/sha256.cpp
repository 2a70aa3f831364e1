#include "export/sha256.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace vt {

namespace {
constexpr size_t kFileBlock = 1 << 20;
}  // namespace

struct CSha256::Impl {
  EVP_MD_CTX* ctx = nullptr;
};

CSha256::CSha256() : m_impl(std::make_unique<Impl>()) {
  m_impl->ctx = EVP_MD_CTX_new();
  if (!m_impl->ctx || EVP_DigestInit_ex(m_impl->ctx, EVP_sha256(), nullptr) != 1)
    throw std::runtime_error("SHA-256 is not available");
}

CSha256::~CSha256() { EVP_MD_CTX_free(m_impl->ctx); }

void CSha256::Update(const void* data, size_t size) {
  if (size) EVP_DigestUpdate(m_impl->ctx, data, size);
}

std::string CSha256::FinalHex() {
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  EVP_DigestFinal_ex(m_impl->ctx, md, &n);
  EVP_DigestInit_ex(m_impl->ctx, EVP_sha256(), nullptr);
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(2 * n);
  for (unsigned int i = 0; i < n; ++i) {
    out.push_back(kHex[md[i] >> 4]);
    out.push_back(kHex[md[i] & 15]);
  }
  return out;
}

std::string Sha256Hex(const void* data, size_t size) {
  CSha256 h;
  h.Update(data, size);
  return h.FinalHex();
}

bool Sha256Fd(int fd, std::string* hex, uint64_t* size, std::string* error,
              const std::function<void(uint64_t)>& bytesRead, const std::atomic<bool>* cancel) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  CSha256 h;
  std::vector<unsigned char> block(kFileBlock);
  uint64_t total = 0;
  for (;;) {
    if (cancel && cancel->load()) return fail("cancelled");
    const ssize_t n = ::pread(fd, block.data(), block.size(), static_cast<off_t>(total));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(std::strerror(errno));
    if (n == 0) break;
    h.Update(block.data(), static_cast<size_t>(n));
    total += static_cast<uint64_t>(n);
    if (bytesRead) bytesRead(total);
  }
  if (hex) *hex = h.FinalHex();
  if (size) *size = total;
  return true;
}

bool Sha256File(const std::string& path, std::string* hex, uint64_t* size, std::string* error,
                const std::function<void(uint64_t)>& bytesRead, const std::atomic<bool>* cancel) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    if (error) *error = "not a regular file";
    return false;
  }
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  const bool ok = Sha256Fd(fd, hex, size, error, bytesRead, cancel);
  ::close(fd);
  return ok;
}

}  // namespace vt
