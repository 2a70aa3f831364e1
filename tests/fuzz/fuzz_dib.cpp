// Bitmap loading on hostile bytes: never a crash, and an accepted bitmap is self-consistent.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "skin/dib.h"

namespace {

std::string Bmp(int bits, int32_t w, int32_t h, uint32_t clrUsed) {
  vt::BITMAPFILEHEADER fh{};
  vt::BITMAPINFOHEADER ih{};
  ih.biSize = 40;
  ih.biWidth = w;
  ih.biHeight = h;
  ih.biPlanes = 1;
  ih.biBitCount = static_cast<uint16_t>(bits);
  ih.biClrUsed = clrUsed;
  const size_t body = vt::DibColorTableSize(ih) + vt::DibStride(bits, w) * static_cast<size_t>(h);
  fh.bfType = vt::kBitmapFileType;
  fh.bfSize = static_cast<uint32_t>(54 + body);
  fh.bfOffBits = 54;
  std::string s(54 + body, '\x5a');
  std::memcpy(s.data(), &fh, 14);
  std::memcpy(s.data() + 14, &ih, 40);
  return s;
}

}  // namespace

extern "C" void VtFuzzSeeds(std::vector<std::string>* seeds) {
  seeds->push_back(Bmp(24, 5, 3, 0));
  seeds->push_back(Bmp(8, 3, 2, 0));
  seeds->push_back(Bmp(8, 4, 4, 2));
  seeds->push_back(Bmp(16, 7, 1, 0));
  seeds->push_back(Bmp(32, 2, 9, 0));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::CDib dib;
  if (dib.LoadFromMemory(data, size)) {
    const auto* h = dib.GetHeader();
    if (dib.GetWidth() <= 0 || dib.GetHeight() <= 0 || h->biCompression != vt::BI_RGB ||
        dib.GetPackedSize() > size || dib.GetPixelOffset() > dib.GetPackedSize() ||
        dib.GetStride() * static_cast<uint64_t>(dib.GetHeight()) != dib.GetPixelBytes())
      std::abort();
    // Touch the first and last pixel byte so a short block shows under the sanitizers.
    volatile uint8_t first = dib.GetPixels()[0];
    volatile uint8_t last = dib.GetPixels()[dib.GetPixelBytes() - 1];
    (void)first;
    (void)last;
  }
  return 0;
}
