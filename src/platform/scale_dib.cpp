#include <cstring>
#include <new>

#include "platform/file_utils.h"

namespace vt {
namespace {

uint32_t PaletteBytes(const BITMAPINFOHEADER& h) {
  if (h.biBitCount == 4) return 64;
  if (h.biBitCount == 8) return h.biClrUsed ? h.biClrUsed * 4 : 1024;
  return 0;
}

uint64_t Stride(uint64_t bitsPerRow) { return ((bitsPerRow / 8) + 3) & ~uint64_t{3}; }

}  // namespace

bool ScaleDib(const BITMAPINFOHEADER* sourceHeader, const uint8_t* sourcePixels, int newWidth, int newHeight,
              uint8_t** target) {
  if (!sourceHeader || !sourcePixels || !target) return false;
  // The header may sit at any byte offset of a packed block: read it by copy.
  BITMAPINFOHEADER src;
  std::memcpy(&src, sourceHeader, sizeof src);
  const BITMAPINFOHEADER* source = &src;
  // Zero or negative sizes would divide by zero or walk outside the rows.
  if (newWidth <= 0 || newHeight <= 0 || source->biWidth <= 0 || source->biHeight <= 0) return false;
  if (source->biSize < sizeof(BITMAPINFOHEADER)) return false;
  const uint32_t bytesPerPixel = source->biBitCount / 8;
  const uint64_t headerPart = uint64_t{source->biSize} + PaletteBytes(*source);
  const uint64_t W = static_cast<uint64_t>(newWidth);
  const uint64_t H = static_cast<uint64_t>(newHeight);
  const uint64_t targetStride = Stride(uint64_t{source->biBitCount} * W);
  const uint64_t pixelBytes = targetStride * H;  // also covers bit counts below 8
  if (pixelBytes > 0xFFFFFFFFu || headerPart > 0xFFFFFFFFu) return false;

  uint8_t* block = *target;
  if (block) {
    BITMAPINFOHEADER old;
    std::memcpy(&old, block, sizeof old);
    // Reused only when its header part has the same size, so the pixels land inside the block.
    if (old.biSizeImage < pixelBytes || uint64_t{old.biSize} + PaletteBytes(old) != headerPart) {
      delete[] block;
      block = nullptr;
      *target = nullptr;
    }
  }
  if (!block) {
    block = new (std::nothrow) uint8_t[headerPart + pixelBytes]();
    if (!block) return false;
    *target = block;
  }

  std::memcpy(block, sourceHeader, headerPart);
  BITMAPINFOHEADER h;
  std::memcpy(&h, block, sizeof h);
  h.biWidth = newWidth;
  h.biHeight = newHeight;
  h.biSizeImage = static_cast<uint32_t>(pixelBytes);
  std::memcpy(block, &h, sizeof h);
  if (bytesPerPixel == 0) return true;

  const uint64_t sourceStride = Stride(uint64_t{source->biBitCount} * static_cast<uint32_t>(source->biWidth));
  const uint32_t dx = (static_cast<uint32_t>(source->biWidth) << 8) / static_cast<uint32_t>(newWidth);
  const uint32_t dy = (static_cast<uint32_t>(source->biHeight) << 8) / static_cast<uint32_t>(newHeight);
  uint8_t* dst = block + headerPart;
  const uint8_t* srcRow = sourcePixels;
  uint32_t yAcc = 0;
  for (uint64_t y = 0; y < H; ++y) {
    uint32_t xAcc = 0;
    uint8_t* out = dst;
    for (uint64_t x = 0; x < W; ++x) {
      std::memcpy(out, srcRow + ((xAcc >> 8) & 0xFFFF) * bytesPerPixel, bytesPerPixel);
      out += bytesPerPixel;
      xAcc += dx;
    }
    yAcc += dy;
    dst += targetStride;
    srcRow = sourcePixels + ((yAcc >> 8) & 0xFFFF) * sourceStride;
  }
  return true;
}

bool ScaleDib(const uint8_t* packedSource, int newWidth, int newHeight, uint8_t** target) {
  if (!packedSource || !target) return false;
  BITMAPINFOHEADER h;
  std::memcpy(&h, packedSource, sizeof h);
  return ScaleDib(reinterpret_cast<const BITMAPINFOHEADER*>(packedSource),
                  packedSource + h.biSize + PaletteBytes(h), newWidth, newHeight, target);
}

}  // namespace vt
