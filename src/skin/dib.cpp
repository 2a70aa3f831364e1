#include "skin/dib.h"

#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <utility>

namespace vt {

namespace {

constexpr size_t kFileHeaderSize = sizeof(BITMAPFILEHEADER);
constexpr size_t kInfoHeaderSize = sizeof(BITMAPINFOHEADER);

struct Layout {
  size_t blockSize = 0;    // header + colour table + pixels
  size_t pixelOffset = 0;  // biSize + colour table
};

// Checks the two headers at the start of a bitmap file whose remaining bytes behind the info
// header number `available`. Everything the block needs must be there: a header whose sizes
// would overflow or run past the file is refused like a compressed one.
bool CheckHeaders(const uint8_t* first, uint64_t available, Layout* out) {
  BITMAPFILEHEADER fh;
  BITMAPINFOHEADER ih;
  std::memcpy(&fh, first, kFileHeaderSize);
  std::memcpy(&ih, first + kFileHeaderSize, kInfoHeaderSize);
  if (fh.bfType != kBitmapFileType) return false;
  if (ih.biCompression != BI_RGB) return false;
  if (ih.biBitCount != 8 && ih.biBitCount != 16 && ih.biBitCount != 24 && ih.biBitCount != 32) return false;
  if (ih.biSize < kInfoHeaderSize) return false;
  if (ih.biWidth <= 0 || ih.biHeight <= 0 || ih.biWidth > kMaxDibDimension || ih.biHeight > kMaxDibDimension)
    return false;
  const uint64_t table = DibColorTableSize(ih);
  const uint64_t pixels = DibStride(ih.biBitCount, ih.biWidth) * static_cast<uint64_t>(ih.biHeight);
  const uint64_t block = static_cast<uint64_t>(ih.biSize) + table + pixels;
  if (block - kInfoHeaderSize > available) return false;
  out->blockSize = static_cast<size_t>(block);
  out->pixelOffset = static_cast<size_t>(ih.biSize + table);
  return true;
}

bool ReadAll(int fd, void* data, size_t size) {
  auto* p = static_cast<uint8_t*>(data);
  while (size > 0) {
    ssize_t n = ::read(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

uint64_t DibColorTableSize(const BITMAPINFOHEADER& header) {
  if (header.biBitCount == 4) return 64;
  if (header.biBitCount == 8) return header.biClrUsed == 0 ? 1024 : static_cast<uint64_t>(header.biClrUsed) * 4;
  return 0;
}

uint64_t DibStride(int bitCount, int32_t width) {
  if (width <= 0 || bitCount <= 0) return 0;
  return ((static_cast<uint64_t>(bitCount) * static_cast<uint64_t>(width)) / 8 + 3) & ~uint64_t{3};
}

CDib::CDib(BITMAPINFOHEADER* header, uint8_t* pixels, int keepSources) {
  if (header) FromHeaderAndPixels(*header, pixels);
  if (!keepSources) {
    delete header;
    delete[] pixels;
  }
}

CDib::CDib(const BITMAPINFOHEADER& header, const uint8_t* pixels) { FromHeaderAndPixels(header, pixels); }

void CDib::FromHeaderAndPixels(const BITMAPINFOHEADER& header, const uint8_t* pixels) {
  // The caller's header has no colour table and no extension: the block is exactly 40 bytes of
  // header followed by the pixels.
  const size_t pixelBytes = pixels ? header.biSizeImage : 0;
  auto* block = new (std::nothrow) uint8_t[kInfoHeaderSize + pixelBytes];
  if (!block) return;
  BITMAPINFOHEADER copy = header;
  copy.biSize = kInfoHeaderSize;
  std::memcpy(block, &copy, kInfoHeaderSize);
  if (pixelBytes) std::memcpy(block + kInfoHeaderSize, pixels, pixelBytes);
  Adopt(block, kInfoHeaderSize + pixelBytes, kInfoHeaderSize);
}

CDib::~CDib() { delete[] m_pDib; }

CDib::CDib(CDib&& other) noexcept
    : m_nWidth(std::exchange(other.m_nWidth, 0)),
      m_nHeight(std::exchange(other.m_nHeight, 0)),
      m_pDib(std::exchange(other.m_pDib, nullptr)),
      m_nBlockSize(std::exchange(other.m_nBlockSize, 0)),
      m_nPixelOffset(std::exchange(other.m_nPixelOffset, 0)) {}

CDib& CDib::operator=(CDib&& other) noexcept {
  if (this != &other) {
    Clear();
    m_nWidth = std::exchange(other.m_nWidth, 0);
    m_nHeight = std::exchange(other.m_nHeight, 0);
    m_pDib = std::exchange(other.m_pDib, nullptr);
    m_nBlockSize = std::exchange(other.m_nBlockSize, 0);
    m_nPixelOffset = std::exchange(other.m_nPixelOffset, 0);
  }
  return *this;
}

void CDib::Clear() {
  delete[] m_pDib;
  m_pDib = nullptr;
  m_nWidth = m_nHeight = 0;
  m_nBlockSize = m_nPixelOffset = 0;
}

void CDib::Adopt(uint8_t* block, size_t blockSize, size_t pixelOffset) {
  delete[] m_pDib;
  m_pDib = block;
  m_nBlockSize = blockSize;
  m_nPixelOffset = pixelOffset;
  const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(block);
  m_nWidth = h->biWidth;
  m_nHeight = h->biHeight;
}

uint64_t CDib::GetStride() const { return m_pDib ? DibStride(GetHeader()->biBitCount, m_nWidth) : 0; }

int CDib::LoadFromMemory(const uint8_t* data, size_t size) {
  Layout layout;
  const size_t headers = kFileHeaderSize + kInfoHeaderSize;
  if (!data || size < headers || !CheckHeaders(data, size - headers, &layout)) {
    Clear();
    return 0;
  }
  auto* block = new (std::nothrow) uint8_t[layout.blockSize];
  if (!block) {
    Clear();
    return 0;
  }
  // The colour table and pixels are taken directly behind the info header; the file's own pixel
  // offset is not consulted.
  std::memcpy(block, data + kFileHeaderSize, layout.blockSize);
  Adopt(block, layout.blockSize, layout.pixelOffset);
  return 1;
}

int CDib::Load(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  uint8_t headers[kFileHeaderSize + kInfoHeaderSize];
  struct stat st {};
  Layout layout;
  uint8_t* block = nullptr;
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ReadAll(fd, headers, sizeof headers) &&
            static_cast<uint64_t>(st.st_size) >= sizeof headers &&
            CheckHeaders(headers, static_cast<uint64_t>(st.st_size) - sizeof headers, &layout);
  if (ok) {
    block = new (std::nothrow) uint8_t[layout.blockSize];
    ok = block != nullptr;
  }
  if (ok) {
    std::memcpy(block, headers + kFileHeaderSize, kInfoHeaderSize);
    ok = ReadAll(fd, block + kInfoHeaderSize, layout.blockSize - kInfoHeaderSize);
  }
  ::close(fd);
  if (!ok) {
    delete[] block;
    Clear();
    return 0;
  }
  Adopt(block, layout.blockSize, layout.pixelOffset);
  return 1;
}

std::string CDib::FileBytes() const {
  if (!m_pDib) return {};
  const BITMAPINFOHEADER* ih = GetHeader();
  // The colour table goes with the pixels so that 8-bit files stay readable; other depths have
  // none, and the file is then header + pixels.
  const size_t infoAndTable = m_nPixelOffset;
  const size_t pixelBytes = GetPixelBytes();
  BITMAPFILEHEADER fh{};
  fh.bfType = kBitmapFileType;
  fh.bfSize = static_cast<uint32_t>(kFileHeaderSize + infoAndTable + pixelBytes);
  fh.bfOffBits = static_cast<uint32_t>(kFileHeaderSize + infoAndTable);
  std::string out;
  out.reserve(kFileHeaderSize + infoAndTable + pixelBytes);
  out.append(reinterpret_cast<const char*>(&fh), sizeof fh);
  out.append(reinterpret_cast<const char*>(ih), infoAndTable);
  out.append(reinterpret_cast<const char*>(GetPixels()), pixelBytes);
  return out;
}

int CDib::Save(const std::string& path) const {
  if (!m_pDib) return 0;
  const std::string bytes = FileBytes();
  // Whole or not at all: a full disk leaves an existing picture as it was. A file another
  // process holds locked (being written) is left alone.
  AtomicWriteOptions options;
  options.refuseHeldTarget = true;
  const bool ok = WriteBytesAtomically(path, bytes.data(), bytes.size(), options).ok();
  return ok ? 1 : 0;
}

}  // namespace vt
